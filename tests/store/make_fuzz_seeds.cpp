// Writes the seed corpora of the fuzz targets: small, valid files of every kind
// a target reads, made by the same generators the tests use, so that fuzzing
// starts from inputs that get past the first checks.
//
// Usage: make_fuzz_seeds FUZZ_FOLDER
//   writes FUZZ_FOLDER/<area>/corpus/<target>/<seed> (see fuzz/README.md).
#include "../imaging/fixtures.h"
#include "../imaging/heic_fixture.h"

#include "core/sjis.h"
#include "imaging/pcx.h"
#include "store/engine/table.h"
#include "store/photo_table.h"
#include "store/tree_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <sqlite3.h>

using namespace zb;

namespace {

QString root;
int written = 0;

bool put(const QString& folder, const QString& name, const QByteArray& bytes)
{
    const QString dir = root + QLatin1Char('/') + folder;
    QDir().mkpath(dir);
    QFile f(dir + QLatin1Char('/') + name);
    if (bytes.isEmpty() || !f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(bytes) != bytes.size()) {
        std::fprintf(stderr, "cannot write %s/%s\n", qPrintable(folder), qPrintable(name));
        return false;
    }
    std::printf("%6lld  %s/%s\n", static_cast<long long>(bytes.size()), qPrintable(folder), qPrintable(name));
    ++written;
    return true;
}

QByteArray readAll(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A table made by the engine with a few rows, then rewritten with 512-byte
// pages in rollback mode, so that the file stays a few KB (the engine reads
// tables of any page size).
QByteArray smallTable(const QString& dir, const QString& name, const QList<engine::FieldDef>& fields,
                      const QString& key, int rows)
{
    const QString path = dir + QLatin1Char('/') + name;
    engine::Table::create(path, fields, key);
    {
        engine::Table t;
        t.open(path, true);
        for (int r = 1; r <= rows; ++r) {
            t.append();
            for (int i = 0; i < fields.size(); ++i) {
                switch (fields[i].type) {
                case engine::FieldType::Integer:
                case engine::FieldType::Short:
                    t.setValue(i, r * (i + 1));
                    break;
                case engine::FieldType::Logical:
                    t.setValue(i, r % 2 == 0);
                    break;
                case engine::FieldType::Alpha:
                    t.setValue(i, QStringLiteral("20240%1").arg(r));
                    break;
                case engine::FieldType::Memo:
                    t.setValue(i, QStringLiteral("写真%1").arg(r));
                    break;
                case engine::FieldType::Blob:
                    if (i % 3 == 0)
                        t.writeBlob(i, QByteArray(16 + r, char('a' + r)));
                    break;
                }
            }
            t.post();
        }
    }
    sqlite3* db = nullptr;
    if (sqlite3_open(QFile::encodeName(path).constData(), &db) != SQLITE_OK)
        return {};
    const int rc = sqlite3_exec(db, "PRAGMA journal_mode = DELETE; PRAGMA page_size = 512; VACUUM;", nullptr, nullptr, nullptr);
    sqlite3_close(db);
    return rc == SQLITE_OK ? readAll(path) : QByteArray();
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_fuzz_seeds FUZZ_FOLDER\n");
        return 2;
    }
    root = QString::fromLocal8Bit(argv[1]);
    QTemporaryDir tmp;
    bool ok = true;

    // Pictures.
    // The JPEG target decodes inputs of odd length reduced, the others at full
    // size; bytes after the end-of-image marker are not read.
    auto sized = [](QByteArray bytes, bool odd) {
        if ((bytes.size() % 2 == 1) != odd)
            bytes.append('\0');
        return bytes;
    };
    const QByteArray jpeg = zbtest::makeJpeg(16, 16);
    ok &= put("imaging/corpus/jpeg", "colour_16x16_full.jpg", sized(jpeg, false));
    ok &= put("imaging/corpus/jpeg", "colour_24x16_reduced.jpg", sized(zbtest::makeJpeg(24, 16), true));
    ok &= put("imaging/corpus/jpeg", "grey_8x8_full.jpg", sized(zbtest::makeJpeg(8, 8, true), false));
    ok &= put("imaging/corpus/jpeg", "grey_8x8_reduced.jpg", sized(zbtest::makeJpeg(8, 8, true), true));
    ok &= put("imaging/corpus/jpeg", "jfif_thumbnail.jpg", zbtest::withJfif(zbtest::makeJpeg(16, 8), 2, 2));

    zbtest::ExifLayout little;
    little.film = "12";
    little.frame = "34";
    little.thumbnail = zbtest::makeJpeg(8, 8);
    ok &= put("imaging/corpus/exif", "exif_little_endian.jpg", zbtest::exifJpeg(little, jpeg));
    zbtest::ExifLayout big;
    big.bigEndian = true;
    big.compressionAsShort = false;
    big.thumbnail = zbtest::makeJpeg(8, 8, true);
    ok &= put("imaging/corpus/exif", "exif_big_endian.jpg", zbtest::exifJpeg(big, jpeg));
    zbtest::ExifLayout dateOnly;
    ok &= put("imaging/corpus/exif", "exif_date_only.jpg", zbtest::exifJpeg(dateOnly, zbtest::makeJpeg(8, 8)));
    // A phone's file: JFIF first, Orientation 6 and the date taken.
    const QByteArray phone = zbtest::cameraJpeg(zbtest::patternBitmap(16, 8), 6);
    ok &= put("imaging/corpus/exif", "phone_jfif_orientation.jpg", phone);
    ok &= put("imaging/corpus/jpeg", "phone_jfif_orientation_full.jpg", sized(phone, false));
    if (zbtest::canEncodeHeic()) {
        const QImage small = zbtest::patternBitmap(16, 8);
        ok &= put("imaging/corpus/heif", "phone_orientation_exif.heic",
                  zbtest::makeHeic(small, 6, zbtest::phoneExifTiff(6, "2024:05:06 07:08:09", "2025:01:01 00:00:00")));
        ok &= put("imaging/corpus/heif", "plain.heic", zbtest::makeHeic(small, 1, {}));
    }

    ok &= put("imaging/corpus/pcx", "pattern_16x16.pcx", EncodePcx(zbtest::patternBitmap(16, 16)));
    ok &= put("imaging/corpus/pcx", "pattern_7x3.pcx", EncodePcx(zbtest::patternBitmap(7, 3)));

    ok &= put("imaging/corpus/metafile", "rectangle.wmf", zbtest::makeWmf(64, 48, 0x000000FF, 8, 8, 40, 30));
    ok &= put("imaging/corpus/metafile", "rectangle.emf", zbtest::makeEmf(64, 48, 0x0000FF00, 8, 8, 40, 30));

    // The album item palette (ZBGRPH.LST): groups of three lines, comments.
    ok &= put("items/corpus/palette", "ZBGRPH.LST",
              sjis::toBytes(QStringLiteral("// 項目パレット\r\n"
                                           "0000.自由文\r\n\r\n\r\n"
                                           "1000.発注年度\r\n(和暦)\r\n&G2&E1年度\r\n"
                                           "// 写真\r\n"
                                           "2010.写真タイトル\r\n\r\n  \r\n"
                                           "2019.撮影年月日\r\n\r\n&Y4/&M2/&D2\r\n")));

    // Job files: a tree file (header and hierarchy with photos), a template.
    JobHeader header = newJobHeader(QStringLiteral("山田建設"), QStringLiteral("C01"), QString());
    header.projectType = QStringLiteral("道路");
    header.projectName = QStringLiteral("道路改良工事");
    header.author = QStringLiteral("山田");
    Hierarchy folders = defaultHierarchy();
    folders[0].photos = {3, 4};
    folders[4].photos = {1, 2};
    const QString tree = tmp.filePath(QStringLiteral("J.ZBD"));
    const QString templ = tmp.filePath(QStringLiteral("T.ZBT"));
    ok &= writeTreeFile(tree, TreeFile{header, folders}) && put("store/corpus/tree_file", "job.ZBD", readAll(tree));
    ok &= writeTemplate(templ, defaultHierarchy()) && put("store/corpus/tree_file", "template.ZBT", readAll(templ));

    // Tables: a photo table with a few rows and pictures, a master table.
    ok &= put("store/corpus/table", "photo.DB", smallTable(tmp.path(), "P.DB", photoTableFields(), "RECORD", 3));
    ok &= put("store/corpus/table", "master.DB", smallTable(tmp.path(), "M.DB", masterTableFields(), QString(), 4));

    std::printf("%d seeds\n", written);
    return ok ? 0 : 1;
}
