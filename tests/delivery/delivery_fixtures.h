#pragma once
// A job made inside a test: a photo table with small generated JPEGs, a
// header and a hierarchy, in a temporary program folder.
#include "core/record.h"
#include "delivery/delivery_export.h"
#include "store/engine/table.h"
#include "store/folders.h"
#include "store/photo_table.h"
#include "store/tree_file.h"
#include "support/temp_dir.h"

#include <QMap>
#include <array>
#include <memory>

namespace zbtest {

struct TestPhoto {
    zb::RECORD record = 0;
    QMap<zb::PhotoField, QString> text;
    int flag = 0;
    int filmNumber = 0;
    std::array<zb::RECORD, 3> drawings{};
    QByteArray picture;  // IMAGE_ORG; a small JPEG when empty
    QByteArray edited;   // IMAGE_NOW when not empty
    int kind = 0;        // GRA_FLAG
    QString fileName;    // FILENAME
    bool external = false;  // no picture fields at all
};

class JobFixture {
public:
    JobFixture();
    QString root() const { return dir.path() + QStringLiteral("/"); }
    void add(const TestPhoto& photo);
    // The job as the export reads it.
    zb::ExportJob exportJob();
    // Writes DATAFILE/JOB.ZBD and closes the table, for programs that open the job.
    void finish();
    // A folder under the root, created.
    QString folder(const QString& name) const;

    TempDir dir;
    zb::Folders folders;
    QString tablePath;
    zb::engine::Table table;
    zb::PhotoFields fields;
    zb::JobHeader header;
    zb::Hierarchy tree;
};

// A small JPEG of the given size; distinct colours give distinct bytes.
QByteArray smallJpeg(int w = 32, int h = 24, unsigned colour = 0x336699);

// Validates a PHOTO.XML against the PHOTO.DTD beside it with libxml2; the
// errors found, empty when valid.
QString validateAgainstDtd(const QString& xmlPath);

}  // namespace zbtest
