#include "imaging/photo_edits.h"

#include "core/ports.h"
#include "imaging/graphic_kind.h"
#include "imaging/jpeg_codec.h"
#include "imaging/jpeg_transform.h"
#include "imaging/pixel_geometry.h"
#include "imaging/resample.h"
#include "imaging/stored_pictures.h"
#include "imaging/working_bitmap.h"
#include "store/table_network.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>
#include <cstring>
#include <climits>
#include <deque>
#include <future>
#include <thread>
#include <vector>

namespace zb {

int GraFlagOf(const QByteArray& imageOrg)
{
    const auto* d = reinterpret_cast<const uchar*>(imageOrg.constData());
    return imageOrg.size() >= 3 && d[0] == 0xFF && d[1] == 0xD8 && d[2] == 0xFF ? kKindJpeg : kKindMetafile;
}

QImage RotateQuarter(const QImage& bitmap, int r)
{
    QImage work = toWorkingBitmap(bitmap);
    if (work.isNull())
        return {};
    switch (r) {
    case 1:
        return turnClockwise(work) ? work : QImage();
    case 2: {
        QImage out = copyWorking(work);
        if (out.isNull())
            return {};
        flipVertical(out);
        flipHorizontal(out);
        return out;
    }
    case 3:
        return turnCounterClockwise(work) ? work : QImage();
    default:
        return work;
    }
}

namespace {

// The new pictures of one row, all made before the row is touched.
struct RowPictures {
    QByteArray imageNow;                 // empty: IMAGE_NOW becomes null
    std::optional<QByteArray> album;     // set when the row has an ALBUM
    bool albumNull = false;              // ALBUM becomes null
    QByteArray thumbnail;
    std::optional<int> graFlag;
};

// THUMBNAIL and ALBUM of a bitmap. The thumbnail is made from the whole
// picture, as the import and the rebuild make it, so that a photo's thumbnail
// has the same size whichever command made it last; the album picture is the
// shorter side 400 by the plain stretch.
bool albumAndThumbnail(QImage bitmap, bool wantAlbum, RowPictures& out, Messages& messages)
{
    out.thumbnail = MakeThumbnailOfBitmap(bitmap);
    if (out.thumbnail.isEmpty())
        return false;
    if (wantAlbum) {
        if (!FitShorterSide(bitmap, kAlbumSize, false))
            return false;
        QByteArray jpeg;
        if (!EncodeJpeg(bitmap, jpeg, false, kDefaultJpegQuality, messages))
            return false;
        out.album = std::move(jpeg);
    }
    return true;
}

// Writes the pictures in one post; the row is left as it was on failure.
bool storeRow(TTableEnhanced& table, const PhotoFields& f, const RowPictures& p)
{
    try {
        table.edit();
        if (p.imageNow.isEmpty())
            table.setNull(f[F_IMAGE_NOW]);
        else
            table.writeBlob(f[F_IMAGE_NOW], p.imageNow);
        if (f[F_ALBUM] >= 0) {
            if (p.albumNull)
                table.setNull(f[F_ALBUM]);
            else if (p.album)
                table.writeBlob(f[F_ALBUM], *p.album);
        }
        table.writeBlob(f[F_THUMBNAIL], p.thumbnail);
        if (p.graFlag && f[F_GRA_FLAG] >= 0)
            table.setValue(f[F_GRA_FLAG], *p.graFlag);
        table.post();
        return true;
    } catch (const engine::EngineError&) {
        if (table.isEditing())
            table.cancel();
        return false;
    }
}

bool hasAlbum(const TTableEnhanced& table, const PhotoFields& f)
{
    return f[F_ALBUM] >= 0 && !table.isNull(f[F_ALBUM]);
}

bool locateRow(TTableEnhanced& table, RECORD record)
{
    try {
        return table.locate(record);
    } catch (const engine::EngineError&) {
        return false;
    }
}

// The new pictures after a quarter turn of a stored JPEG done on its
// coefficients; nothing when the JPEG does not fit the blocks.
std::optional<RowPictures> losslessTurn(const QByteArray& jpeg, int r, bool wantAlbum, Messages& messages)
{
    std::optional<QByteArray> turned = RotateJpegLossless(jpeg, r);
    if (!turned)
        return std::nullopt;
    RowPictures p;
    p.imageNow = *turned;
    if (wantAlbum) {
        std::optional<QByteArray> album = MakeAlbum(p.imageNow, kKindJpeg, messages);
        if (!album)
            return std::nullopt;
        p.album = std::move(album);
    }
    p.thumbnail = MakeThumbnail(p.imageNow, kKindJpeg, messages);
    if (p.thumbnail.isEmpty())
        return std::nullopt;
    return p;
}

}  // namespace

EditRunResult RunPhotoEdit(PhotoEditContext& c, const QList<RECORD>& selected, int r,
                           const std::function<bool(QImage&)>& editPicture)
{
    EditRunResult result;
    const QList<RECORD> items = r == 0 ? selected.mid(0, 1) : selected;
    if (items.isEmpty())
        return result;
    const PhotoFields& f = c.fields;
    const bool rotation = r != 0;
    if (rotation)
        c.progress.start(int(items.size()));
    for (RECORD record : items) {
        if (rotation && !c.progress.step()) {
            result.stopped = true;
            break;
        }
        if (!locateRow(c.table, record))
            continue;
        const StoredPicture current = currentPicture(c.table, f);
        if (current.bytes.isEmpty()) {
            c.messages.error(kPhotoReadFailed);
            result.failed = true;
            break;
        }
        if (current.kind == kKindMetafile &&
            !c.messages.confirm(rotation && items.size() > 1 ? kMetafileEditMany : kMetafileEditOne)) {
            result.stopped = true;
            break;
        }
        const bool wantAlbum = hasAlbum(c.table, f);
        std::optional<RowPictures> pictures;
        if (rotation && current.kind == kKindJpeg)
            pictures = losslessTurn(current.bytes, r, wantAlbum, c.messages);
        if (!pictures) {
            QImage bitmap;
            if (!DecodeStoredPicture(current.bytes, current.kind, bitmap, 0, c.messages)) {
                c.messages.error(kPhotoReadFailed);
                result.failed = true;
                break;
            }
            if (rotation) {
                bitmap = RotateQuarter(bitmap, r);
                if (bitmap.isNull()) {
                    c.messages.error(kPhotoReadFailed);
                    result.failed = true;
                    break;
                }
            } else if (!editPicture || !editPicture(bitmap)) {
                continue;
            }
            RowPictures p;
            if (!EncodeJpeg(bitmap, p.imageNow, false, kDefaultJpegQuality, c.messages) ||
                !albumAndThumbnail(std::move(bitmap), wantAlbum, p, c.messages)) {
                c.messages.error(kPhotoReadFailed);
                result.failed = true;
                break;
            }
            pictures = std::move(p);
        }
        if (c.markChanged)
            c.markChanged();
        // The edit may have taken the cursor elsewhere (the dialog reads nothing
        // from the table, but the window may repaint meanwhile).
        if (!locateRow(c.table, record) || !storeRow(c.table, f, *pictures)) {
            c.messages.error(kPhotoReadFailed);
            result.failed = true;
            break;
        }
        result.changed << record;
        if (c.rowChanged)
            c.rowChanged(record);
    }
    if (rotation)
        c.progress.end();
    c.table.flushBuffers();
    return result;
}

EditRunResult ReturnToOriginal(PhotoEditContext& c, const QList<RECORD>& selected)
{
    EditRunResult result;
    if (selected.isEmpty())
        return result;
    const QString question =
        kReturnToOriginalQuestion + (selected.size() > 1 ? kReturnToOriginalMany : QString());
    if (!c.messages.ask(question)) {
        result.stopped = true;
        return result;
    }
    const PhotoFields& f = c.fields;
    c.progress.start(int(selected.size()));
    for (RECORD record : selected) {
        if (!c.progress.step()) {
            result.stopped = true;
            break;
        }
        if (!locateRow(c.table, record) || c.table.isNull(f[F_IMAGE_NOW]))
            continue;
        const QByteArray original = c.table.readBlob(f[F_IMAGE_ORG]);
        const int kind = GraFlagOf(original);
        QImage bitmap;
        if (original.isEmpty() || !DecodeStoredPicture(original, kind, bitmap, 0, c.messages)) {
            c.messages.error(kPhotoReadFailed);
            result.failed = true;
            break;
        }
        RowPictures p;
        p.graFlag = kind;
        // A metafile has no album picture: it is drawn from its own bytes.
        const bool wantAlbum = hasAlbum(c.table, f) && kind != kKindMetafile;
        p.albumNull = hasAlbum(c.table, f) && kind == kKindMetafile;
        if (!albumAndThumbnail(std::move(bitmap), wantAlbum, p, c.messages)) {
            c.messages.error(kPhotoReadFailed);
            result.failed = true;
            break;
        }
        if (c.markChanged)
            c.markChanged();
        if (!storeRow(c.table, f, p)) {
            c.messages.error(kPhotoReadFailed);
            result.failed = true;
            break;
        }
        result.changed << record;
        if (c.rowChanged)
            c.rowChanged(record);
    }
    c.progress.end();
    c.table.flushBuffers();
    return result;
}

RebuildResult RebuildThumbnails(PhotoEditContext& c, bool ask)
{
    RebuildResult result;
    if (ask && !c.messages.ask(kRebuildThumbnailsQuestion)) {
        result.asked = false;
        return result;
    }
    const PhotoFields& f = c.fields;
    TTableEnhanced& table = c.table;
    c.progress.start(int(std::min<qint64>(table.rowCount(), INT_MAX)));

    // The main thread walks the table and posts; the pictures are decoded and
    // scaled on worker threads a few rows ahead, so that both cores decode
    // while the posts wait for the disk. Rows are posted in table order.
    struct Job {
        RECORD record = 0;
        QByteArray thumbnail;
    };
    const std::size_t ahead = std::max(2u, std::thread::hardware_concurrency()) * 2;
    std::deque<std::future<Job>> pending;
    auto launch = [&pending](RECORD record, QByteArray picture, int kind) {
        pending.push_back(std::async(std::launch::async, [record, picture = std::move(picture), kind] {
            Job job;
            job.record = record;
            SilentMessages quiet;  // failures are told once per row below
            if (!picture.isEmpty())
                job.thumbnail = MakeThumbnail(picture, kind, quiet);
            return job;
        }));
    };
    bool more = false;
    RECORD last = 0;  // the last row read: the walk goes on after it
    try {
        more = table.first();
    } catch (const engine::EngineError&) {
        more = false;
    }
    while (more || !pending.empty()) {
        try {
            while (more && pending.size() < ahead) {
                const StoredPicture current = currentPicture(table, f);
                last = RECORD(table.value(f[F_RECORD]).toInt());
                launch(last, current.bytes, current.kind);
                more = table.next();
            }
        } catch (const engine::EngineError&) {
            more = false;
        }
        Job job = pending.front().get();
        pending.pop_front();
        if (!c.progress.step()) {
            result.stopped = true;
            break;
        }
        bool ok = !job.thumbnail.isEmpty() && locateRow(table, job.record);
        if (ok) {
            try {
                table.edit();
                table.writeBlob(f[F_THUMBNAIL], job.thumbnail);
                table.post();
            } catch (const engine::EngineError&) {
                if (table.isEditing())
                    table.cancel();
                ok = false;
            }
        }
        if (!ok) {
            c.messages.error(kPhotoReadFailed);
            result.failed << job.record;
        } else {
            ++result.rebuilt;
            if (c.rowChanged)
                c.rowChanged(job.record);
        }
        // Posting moved the cursor: back to the last row read before reading on.
        if (more)
            more = locateRow(table, last) && table.next();
    }
    // Rows decoded ahead of a stop are dropped.
    for (auto& p : pending)
        p.wait();
    c.progress.end();
    table.flushBuffers();
    if (!result.stopped)
        c.messages.information(kRebuildFinished);
    return result;
}

std::optional<ChosenPicture> ChoosePicture(TTableEnhanced& table, const PhotoFields& f, RECORD record,
                                           const QString& question, Messages& messages)
{
    if (!locateRow(table, record))
        return std::nullopt;
    ChosenPicture chosen;
    if (f[F_FILENAME] >= 0)
        chosen.fileName = table.value(f[F_FILENAME]).toString();
    bool original = true;
    if (!table.isNull(f[F_IMAGE_NOW])) {
        switch (messages.askThree(question)) {
        case Messages::Answer::Yes:
            break;
        case Messages::Answer::No:
            original = false;
            break;
        case Messages::Answer::Cancel:
            return std::nullopt;
        }
    }
    if (original) {
        chosen.bytes = table.readBlob(f[F_IMAGE_ORG]);
        chosen.kind = f[F_GRA_FLAG] >= 0 && !table.isNull(f[F_GRA_FLAG]) ? table.value(f[F_GRA_FLAG]).toInt()
                                                                         : kKindJpeg;
    } else {
        chosen.bytes = table.readBlob(f[F_IMAGE_NOW]);
        chosen.kind = kKindJpeg;
    }
    return chosen;
}

QString ProposedSaveName(const QString& saveFolder, const QString& fileName, bool metafile)
{
    // FILENAME may be a full path written on another system: its last part
    // after either separator is the name.
    QString name = fileName;
    const qsizetype cut = std::max(name.lastIndexOf(QLatin1Char('/')), name.lastIndexOf(QLatin1Char('\\')));
    if (cut >= 0)
        name = name.mid(cut + 1);
    if (name.isEmpty())
        name = QStringLiteral("写真1");
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot > 0)
        name.truncate(dot);
    name += metafile ? QStringLiteral(".wmf") : QStringLiteral(".jpg");
    return saveFolder.isEmpty() ? name : QDir(saveFolder).filePath(name);
}

}  // namespace zb
