#include "maintenance/job_fixture.h"

#include "store/job_files.h"
#include "store/photo_table.h"

#include <QDir>
#include <QFile>

using namespace zb;

namespace zbtest {

void makeJob(const QString& dataFile, const QString& name, const QList<PhotoRow>& rows, Hierarchy folders,
             const QMap<QString, QByteArray>& albums)
{
    const JobPaths paths{dataFile, name};
    QDir().mkpath(paths.albumFolder());
    QDir().mkpath(paths.backFolder());
    engine::Table::create(paths.table(), photoTableFields(), QStringLiteral("RECORD"));
    engine::Table t;
    t.open(paths.table(), true);
    PhotoFields f;
    f.lookUp(t);
    for (const PhotoRow& r : rows) {
        t.append();
        t.setValue(f[F_RECORD], r.record);
        t.setValue(f[F_CHECK], r.check);
        t.setValue(f[F_TITLE], r.title);
        t.setValue(f[F_KANRI], r.kanri);
        t.setValue(f[F_FILENAME], r.fileName);
        t.setValue(f[F_FLAG], r.flag);
        t.setValue(f[F_FILMNUM], r.filmNum);
        t.setValue(f[F_GRA_FLAG], r.graFlag);
        t.writeBlob(f[F_IMAGE_ORG], r.imageOrg);
        if (!r.imageNow.isEmpty())
            t.writeBlob(f[F_IMAGE_NOW], r.imageNow);
        t.writeBlob(f[F_THUMBNAIL], r.thumbnail);
        if (!r.album.isEmpty())
            t.writeBlob(f[F_ALBUM], r.album);
        t.setValue(f[F_REC_DRA1], r.drawings[0]);
        t.setValue(f[F_REC_DRA2], r.drawings[1]);
        t.setValue(f[F_REC_DRA3], r.drawings[2]);
        for (auto [field, v] : {std::pair{F_DAIHYO, r.daihyo}, {F_TEISYUTU, r.teisyutu}, {F_HENKAN, r.henkan}})
            if (v != 0)
                t.setValue(f[field], v);
        t.post();
    }
    t.close();
    if (folders.isEmpty()) {
        folders = defaultHierarchy();
        for (const PhotoRow& r : rows)
            folders[0].photos << r.record;
    }
    JobHeader header = newJobHeader(QStringLiteral("請負"), QStringLiteral("C1"), QString());
    header.constructionName = name + QStringLiteral("工事");
    writeTreeFile(paths.treeFile(), TreeFile{header, folders});
    for (auto it = albums.begin(); it != albums.end(); ++it) {
        QFile a(paths.albumFolder() + it.key());
        a.open(QIODevice::WriteOnly);
        a.write(it.value());
    }
}

QList<PhotoRow> readRows(const QString& tablePath)
{
    QList<PhotoRow> out;
    engine::Table t;
    t.open(tablePath, false);
    PhotoFields f;
    f.lookUp(t);
    for (bool more = t.first(); more; more = t.next()) {
        PhotoRow r;
        r.record = t.value(f[F_RECORD]).toInt();
        r.check = t.value(f[F_CHECK]).toBool();
        r.title = t.value(f[F_TITLE]).toString();
        r.kanri = t.value(f[F_KANRI]).toString();
        r.fileName = t.value(f[F_FILENAME]).toString();
        r.flag = t.value(f[F_FLAG]).toInt();
        r.filmNum = t.value(f[F_FILMNUM]).toInt();
        r.graFlag = t.value(f[F_GRA_FLAG]).toInt();
        r.imageOrg = t.readBlob(f[F_IMAGE_ORG]);
        r.imageNow = t.readBlob(f[F_IMAGE_NOW]);
        r.thumbnail = t.readBlob(f[F_THUMBNAIL]);
        r.album = t.readBlob(f[F_ALBUM]);
        r.drawings = {t.value(f[F_REC_DRA1]).toInt(), t.value(f[F_REC_DRA2]).toInt(), t.value(f[F_REC_DRA3]).toInt()};
        r.daihyo = t.value(f[F_DAIHYO]).toInt();
        r.teisyutu = t.value(f[F_TEISYUTU]).toInt();
        r.henkan = t.value(f[F_HENKAN]).toInt();
        out << r;
    }
    return out;
}

}  // namespace zbtest
