// Table engine against plain files in the same folder, in one run:
//  1. writing N pictures of 3.5 MB, each posted and flushed as an import does,
//     against writing the same bytes to files with fdatasync (target >= 0.5);
//  2. reading them back against reading the files (target >= 1.0);
//  3. scanning the text fields of 20,000 rows against scanning them with their
//     thumbnails (target < 0.1: the text scan reads no picture bytes).
// Usage: bench_store [--pictures N] [--rows N] [--dir FOLDER]
#include "store/photo_table.h"
#include "store/table_network.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
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

double seconds(QElapsedTimer& t) { return t.nsecsElapsed() / 1e9; }

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
    const qsizetype pictureSize = 3500 * 1024;
    const qsizetype dirArg = args.indexOf(QStringLiteral("--dir"));
    QTemporaryDir tmp(dirArg >= 0 ? args[dirArg + 1] + QStringLiteral("/bench-XXXXXX") : QDir::currentPath() + QStringLiteral("/bench-store-XXXXXX"));
    const QString dir = tmp.path();

    std::vector<QByteArray> data;
    for (int i = 0; i < 8; ++i)
        data.push_back(picture(i, pictureSize));

    // 1. Writing.
    QElapsedTimer t;
    t.start();
    for (int i = 0; i < pictures; ++i) {
        QFile f(dir + QStringLiteral("/P%1.JPG").arg(i));
        f.open(QIODevice::WriteOnly);
        f.write(data[i % 8]);
        f.flush();
        ::fdatasync(f.handle());
    }
    const double fileWrite = seconds(t);

    const QString table = dir + QStringLiteral("/B.DB");
    double tableWrite = 0;
    {
        TTableNetWork tbl;
        PhotoFields f = openOrCreatePhotoTable(table, {&tbl}, true);
        t.restart();
        for (int i = 0; i < pictures; ++i) {
            tbl.append();
            tbl.setValue(f[F_RECORD], i + 1);
            tbl.writeBlob(f[F_IMAGE_ORG], data[i % 8]);
            tbl.post();
            tbl.flushBuffers();
        }
        tableWrite = seconds(t);
    }

    // 2. Reading.
    for (int i = 0; i < pictures; ++i)
        dropCaches(dir + QStringLiteral("/P%1.JPG").arg(i));
    dropCaches(table);
    qint64 sum = 0;
    t.restart();
    for (int i = 0; i < pictures; ++i) {
        QFile f(dir + QStringLiteral("/P%1.JPG").arg(i));
        f.open(QIODevice::ReadOnly);
        sum += f.readAll().size();
    }
    const double fileRead = seconds(t);
    double tableRead = 0;
    {
        TTableNetWork tbl;
        PhotoFields f = openOrCreatePhotoTable(table, {&tbl}, true);
        t.restart();
        for (bool ok = tbl.first(); ok; ok = tbl.next())
            sum -= tbl.readBlob(f[F_IMAGE_ORG]).size();
        tableRead = seconds(t);
    }
    if (sum != 0)
        std::fprintf(stderr, "read back the wrong number of bytes\n");

    // 3. Scanning 20,000 rows.
    const QString scanTable = dir + QStringLiteral("/S.DB");
    double textScan = 0, thumbScan = 0;
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
        t.restart();
        for (bool ok = tbl.first(); ok; ok = tbl.next())
            n += tbl.value(f[F_TITLE]).toString().size() + tbl.value(f[F_DATE]).toString().size()
                + tbl.value(f[F_KASYO]).toString().size();
        textScan = seconds(t);
        t.restart();
        for (bool ok = tbl.first(); ok; ok = tbl.next())
            n += tbl.value(f[F_TITLE]).toString().size() + tbl.readBlob(f[F_THUMBNAIL]).size();
        thumbScan = seconds(t);
        if (n == 0)
            std::fprintf(stderr, "scan read nothing\n");
    }

    const double mb = double(pictures) * pictureSize / (1024.0 * 1024.0);
    std::printf("pictures: %d x 3.5 MB (%.0f MB)\n", pictures, mb);
    std::printf("write: table %.2f s (%.0f MB/s), files+fdatasync %.2f s (%.0f MB/s), ratio %.2f (target >= 0.5)\n",
                tableWrite, mb / tableWrite, fileWrite, mb / fileWrite, fileWrite / tableWrite);
    std::printf("read:  table %.2f s (%.0f MB/s), files %.2f s (%.0f MB/s), ratio %.2f (target >= 1.0)\n", tableRead,
                mb / tableRead, fileRead, mb / fileRead, fileRead / tableRead);
    std::printf("scan %d rows: text %.3f s, with thumbnails %.3f s, ratio %.3f (target < 0.1)\n", rows, textScan,
                thumbScan, textScan / thumbScan);
    return 0;
}
