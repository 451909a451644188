#pragma once
// Jobs built inside the tests: a data folder with photo rows, a tree file and
// album files, and readers that give back what a restore made.
#include "core/record.h"
#include "store/tree_file.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QMap>
#include <QString>
#include <array>

namespace zbtest {

struct PhotoRow {
    zb::RECORD record = 0;
    QString title;
    QString kanri;
    QString fileName;
    int flag = 0;
    int filmNum = 0;
    QByteArray imageOrg;
    QByteArray imageNow;  // empty: null
    QByteArray thumbnail;
    QByteArray album;     // empty: null
    int graFlag = 0;
    std::array<int, 3> drawings{};
    bool check = false;
    int daihyo = 0, teisyutu = 0, henkan = 0;  // 0: left null, as in a job from before these fields

    bool operator==(const PhotoRow&) const = default;
};

// Creates <dataFile><name>.DB with the rows and <name>.ZBD with the folders
// (a default tree filing every row in 未分類 when empty), and album files.
void makeJob(const QString& dataFile, const QString& name, const QList<PhotoRow>& rows,
             zb::Hierarchy folders = {}, const QMap<QString, QByteArray>& albums = {});
// Every row of a job's table, in table order.
QList<PhotoRow> readRows(const QString& tablePath);

}  // namespace zbtest
