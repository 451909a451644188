// Table engine against plain files in the same folder, in one run:
//  1. writing N pictures of 3.5 MB as an import does (each posted, the table
//     flushed at the end) and closing the table, against writing the same bytes
//     to files with an fdatasync each (target >= 0.5);
//  2. reading them back against reading the files (target >= 1.0);
//  3. scanning the text fields of 20,000 rows against scanning them with their
//     thumbnails (target < 0.1: the text scan reads no picture bytes).
// Each figure is the best of several runs of each side, the sides taking turns.
// Usage: bench_store [--pictures N] [--rows N] [--runs N] [--dir FOLDER]
#include "bench_runs.h"
#include "store/photo_table.h"
#include "store/table_network.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

using namespace zb;

namespace {

QByteArray picture(int seed, qsizetype size)
{
    QByteArray b(size, Qt::Uninitialized);
    quint64 x = 0x9E3779B97F4A7C15ull * quint64(seed + 1);
    auto* p = reinterpret_cast<quint64*>(b.data());
    for (qsizetype i = 0; i < size / 8; ++i) {
        x ^= x << 13;
        x ^= x >> 7;
        x ^= x << 17;
        p[i] = x;
    }
    return b;
}

void dropCaches(const QString& path)
{
    // Ask the kernel to forget the file's cached pages where it lets us, so that
    // both readers start from the same state.
    int fd = ::open(QFile::encodeName(path).constData(), O_RDONLY);
    if (fd >= 0) {
        ::fdatasync(fd);
        ::posix_fadvise(fd, 0, 0, POSIX_FADV_DONTNEED);
        ::close(fd);
    }
}

void removeTable(const QString& path)
{
    for (const char* suffix : {"", "-journal", "-wal", "-shm"})
        QFile::remove(path + QLatin1String(suffix));
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    auto option = [&](const QString& name, int def) {
        const qsizetype i = args.indexOf(name);
        return i >= 0 && i + 1 < args.size() ? args[i + 1].toInt() : def;
    };
    const int pictures = option(QStringLiteral("--pictures"), 300);
    const int rows = option(QStringLiteral("--rows"), 20000);
    const zbbench::BestOf best(zbbench::runsOption(argc, argv, 3));
    const qsizetype pictureSize = 3500 * 1024;
    const qsizetype dirArg = args.indexOf(QStringLiteral("--dir"));
    QTemporaryDir tmp(dirArg >= 0 ? args[dirArg + 1] + QStringLiteral("/bench-XXXXXX") : QDir::currentPath() + QStringLiteral("/bench-store-XXXXXX"));
    const QString dir = tmp.path();
    const QString files = dir + QStringLiteral("/files");
    auto fileName = [&](int i) { return files + QStringLiteral("/P%1.JPG").arg(i); };

    std::vector<QByteArray> data;
    for (int i = 0; i < 8; ++i)
        data.push_back(picture(i, pictureSize));

    // 1. Writing: every run starts from an empty folder and a new table; the
    // table's time runs until it is closed, so that nothing is left to write.
    const QString table = dir + QStringLiteral("/B.DB");
    bool failed = false;
    const std::vector<double> write = best.run({
        [&] {
            QDir(files).removeRecursively();
            QDir().mkpath(files);
            zbbench::Stopwatch w;
            for (int i = 0; i < pictures; ++i) {
                QFile f(fileName(i));
                if (!f.open(QIODevice::WriteOnly) || f.write(data[i % 8]) != data[i % 8].size())
                    return -1.0;
                f.flush();
                ::fdatasync(f.handle());
            }
            return w.seconds();
        },
        [&] {
            removeTable(table);
            TTableNetWork tbl;
            PhotoFields f = openOrCreatePhotoTable(table, {&tbl}, true);
            zbbench::Stopwatch w;
            for (int i = 0; i < pictures; ++i) {
                tbl.append();
                tbl.setValue(f[F_RECORD], i + 1);
                tbl.writeBlob(f[F_IMAGE_ORG], data[i % 8]);
                tbl.post();
            }
            if (!tbl.flushBuffers())
                return -1.0;
            tbl.closeTable();
            return w.seconds();
        },
    });

    // 2. Reading what the last runs wrote, each run from a cold cache.
    const std::vector<double> read = best.run({
        [&] {
            for (int i = 0; i < pictures; ++i)
                dropCaches(fileName(i));
            qint64 sum = 0;
            zbbench::Stopwatch w;
            for (int i = 0; i < pictures; ++i) {
                QFile f(fileName(i));
                f.open(QIODevice::ReadOnly);
                sum += f.readAll().size();
            }
            const double s = w.seconds();
            failed |= sum != qint64(pictures) * pictureSize;
            return s;
        },
        [&] {
            dropCaches(table);
            TTableNetWork tbl;
            PhotoFields f = openOrCreatePhotoTable(table, {&tbl}, true);
            qint64 sum = 0;
            zbbench::Stopwatch w;
            for (bool ok = tbl.first(); ok; ok = tbl.next())
                sum += tbl.readBlob(f[F_IMAGE_ORG]).size();
            const double s = w.seconds();
            failed |= sum != qint64(pictures) * pictureSize;
            return s;
        },
    });
    if (failed)
        std::fprintf(stderr, "read back the wrong number of bytes\n");

    // 3. Scanning 20,000 rows.
    const QString scanTable = dir + QStringLiteral("/S.DB");
    std::vector<double> scan;
    {
        TTableNetWork tbl;
        PhotoFields f = openOrCreatePhotoTable(scanTable, {&tbl}, true);
        const QByteArray thumb = picture(99, 160 * 120 * 3 + 54);
        const QByteArray album = picture(98, 120 * 1024);
        for (int i = 0; i < rows; ++i) {
            tbl.append();
            tbl.setValue(f[F_RECORD], i + 1);
            tbl.setValue(f[F_TITLE], QStringLiteral("写真タイトル %1").arg(i));
            tbl.setValue(f[F_DATE], QStringLiteral("20261209"));
            tbl.setValue(f[F_KASYO], QStringLiteral("測点 No.%1").arg(i));
            tbl.writeBlob(f[F_IMAGE_ORG], album);
            tbl.writeBlob(f[F_THUMBNAIL], thumb);
            tbl.post();
        }
        qint64 n = 0;
        scan = best.run({
            [&] {
                zbbench::Stopwatch w;
                for (bool ok = tbl.first(); ok; ok = tbl.next())
                    n += tbl.value(f[F_TITLE]).toString().size() + tbl.value(f[F_DATE]).toString().size()
                        + tbl.value(f[F_KASYO]).toString().size();
                return w.seconds();
            },
            [&] {
                zbbench::Stopwatch w;
                for (bool ok = tbl.first(); ok; ok = tbl.next())
                    n += tbl.value(f[F_TITLE]).toString().size() + tbl.readBlob(f[F_THUMBNAIL]).size();
                return w.seconds();
            },
        });
        if (n == 0)
            std::fprintf(stderr, "scan read nothing\n");
    }
    if (write[0] < 0 || write[1] < 0) {
        std::fprintf(stderr, "writing failed\n");
        return 1;
    }

    const double mb = double(pictures) * pictureSize / (1024.0 * 1024.0);
    const double fileWrite = write[0], tableWrite = write[1], fileRead = read[0], tableRead = read[1];
    std::printf("pictures: %d x 3.5 MB (%.0f MB); best of %d runs of each side\n", pictures, mb, best.runs());
    std::printf("write: table %.2f s (%.0f MB/s), files+fdatasync %.2f s (%.0f MB/s), ratio %.2f (target >= 0.5)\n",
                tableWrite, mb / tableWrite, fileWrite, mb / fileWrite, fileWrite / tableWrite);
    std::printf("read:  table %.2f s (%.0f MB/s), files %.2f s (%.0f MB/s), ratio %.2f (target >= 1.0)\n", tableRead,
                mb / tableRead, fileRead, mb / fileRead, fileRead / tableRead);
    std::printf("scan %d rows: text %.3f s, with thumbnails %.3f s, ratio %.3f (target < 0.1)\n", rows, scan[0],
                scan[1], scan[0] / scan[1]);
    return 0;
}
