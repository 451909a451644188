// Search and check benchmark: a job of 10,000 photos (with a small thumbnail
// each) in 20 folders. Prints, as ratios against a bare SQLite scan through
// the C API of the same columns in the same run:
//   - an 一覧 search by タイトル with 部分一致, sorted by コマ番号, against a
//     scan of TITLE (target: at most 3);
//   - the missing-input check at range 2 against a scan of the tested
//     columns (target: at most 3).
// Neither reads picture bytes: the pictures live apart from the rows.
#include "core/ports.h"
#include "items/miss_check.h"
#include "items/photo_search.h"
#include "store/table_network.h"
#include "bench_runs.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <cstdio>
#include <sqlite3.h>

using namespace zb;

namespace {

constexpr int kPhotos = 10000;
constexpr int kFolders = 20;

// Reads the columns of every row through the C API, touching each value.
double bareScan(const QString& path, const char* sql)
{
    sqlite3* db = nullptr;
    if (sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        return -1;
    zbbench::Stopwatch w;
    sqlite3_stmt* s = nullptr;
    sqlite3_prepare_v2(db, sql, -1, &s, nullptr);
    size_t bytes = 0;
    while (sqlite3_step(s) == SQLITE_ROW)
        for (int i = 0; i < sqlite3_column_count(s); ++i) {
            sqlite3_column_text(s, i);
            bytes += size_t(sqlite3_column_bytes(s, i));
        }
    sqlite3_finalize(s);
    const double t = w.seconds();
    sqlite3_close(db);
    return bytes > 0 ? t : -1;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("J.DB"));
    Hierarchy folders{{kUnclassifiedCaption, 0, {}}, {kPhotoRootCaption, 0, {}}};
    {
        TTableNetWork t;
        const PhotoFields f = openOrCreatePhotoTable(path, {&t}, true);
        const QByteArray thumb(4096, 'x');
        t.beginBatch();
        for (int r = 1; r <= kPhotos; ++r) {
            t.append();
            t.setValue(f[F_RECORD], r);
            t.setValue(f[F_FLAG], r % 3);
            t.setValue(f[F_TITLE], QStringLiteral("工事写真 こうじ %1").arg(r % 97));
            t.setValue(f[F_KASYO], QStringLiteral("No.%1").arg(r));
            t.setValue(f[F_DATE], QStringLiteral("20260401"));
            t.setValue(f[F_FILMNUM], 1);
            t.setValue(f[F_NEGANUM], QStringLiteral("%1a").arg((r * 7919) % 5000));
            for (PhotoField p : {F_KANRI, F_BIKOU_D, F_BIKOU_A, F_YOBI1, F_YOBI2, F_YOBI3, F_BIKOU_B, F_BIKOU_C,
                                 F_BIKOU_E, F_UKEOIBIKOU, F_HACYUBIKOU, F_BIKOU1, F_BIKOU2, F_BIKOU3})
                t.setValue(f[p], QStringLiteral("v"));
            t.writeBlob(f[F_THUMBNAIL], thumb);
            t.post();
        }
        t.commitBatch();
        for (int i = 0; i < kFolders; ++i) {
            TreeFolder folder{QStringLiteral("F%1").arg(i), 1, {}};
            for (int r = i + 1; r <= kPhotos; r += kFolders)
                folder.photos << r;
            folders << folder;
        }
        folders << TreeFolder{kRecycleCaption, 0, {}};
    }

    TTableNetWork table;
    // Shared, so that the bare scans can read the file beside it.
    table.openTable(path, false);
    PhotoFields fields;
    fields.lookUp(table);
    items::SeekQuery q;
    q.kind = items::SeekKind::Title;
    q.mode = items::MatchMode::Anywhere;
    q.text = QStringLiteral("コウジ 1");
    JobHeader header;
    SilentProgress progress;
    size_t found = 0, gaps = 0;

    zbbench::BestOf best(zbbench::runsOption(argc, argv, 5));
    const std::vector<double> t = best.run({
        [&] {
            zbbench::Stopwatch w;
            const auto r = items::listSearch(folders, table, fields, q, -1, items::SeekKind::NegaNum, progress);
            found = r ? size_t(r->size()) : 0;
            return w.seconds();
        },
        [&] { return bareScan(path, "SELECT \"TITLE\" FROM t_rows"); },
        [&] {
            zbbench::Stopwatch w;
            gaps = size_t(items::checkMissingInput(header, folders, table, fields, 2, false, progress).gaps.size());
            return w.seconds();
        },
        [&] {
            return bareScan(path, "SELECT RECORD, TITLE, KASYO, DATE, FILMNUM, NEGANUM, KANRI, BIKOU_D, BIKOU_A, "
                                  "YOBI1, YOBI2, YOBI3, BIKOU_B, BIKOU_C, BIKOU_E, UKEOIBIKOU, HACYUBIKOU, BIKOU1, "
                                  "BIKOU2, BIKOU3 FROM t_rows");
        },
    });
    std::printf("bench_search: %d photos, %zu found, %zu with gaps\n", kPhotos, found, gaps);
    std::printf("  list search (title, anywhere, sorted by frame number) / bare scan of TITLE: %.2f (target <= 3)\n",
                t[0] / t[1]);
    std::printf("  missing-input check at range 2 / bare scan of the tested columns: %.2f (target <= 3)\n",
                t[2] / t[3]);
    std::printf("  (seconds: search %.4f, scan %.4f, check %.4f, scan %.4f)\n", t[0], t[1], t[2], t[3]);
    return 0;
}
