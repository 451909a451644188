#include "album/photo_binding.h"

#include "core/ports.h"
#include "imaging/jpeg_codec.h"
#include "imaging/stored_pictures.h"
#include "store/engine/table.h"

#include <QPainter>
#include <QtMath>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace zb::album {

namespace {

bool locate(engine::Table& table, const PhotoFields& f, RECORD record)
{
    if (record <= 0 || f[F_RECORD] < 0)
        return false;
    try {
        if (!table.eof() && !table.isNull(f[F_RECORD]) && table.value(f[F_RECORD]).toInt() == record)
            return true;
        return table.locate(record);
    } catch (const std::exception&) {
        return false;
    }
}

CurrentPicture currentOf(const engine::Table& table, const PhotoFields& f)
{
    const QByteArray now = f[F_IMAGE_NOW] >= 0 ? table.readBlob(f[F_IMAGE_NOW]) : QByteArray();
    const QByteArray org = f[F_IMAGE_ORG] >= 0 ? table.readBlob(f[F_IMAGE_ORG]) : QByteArray();
    std::optional<int> gra;
    if (f[F_GRA_FLAG] >= 0 && !table.isNull(f[F_GRA_FLAG]))
        gra = table.value(f[F_GRA_FLAG]).toInt();
    return CurrentPictureOf(now, org, gra);
}

}  // namespace

QList<RECORD> photoDrawings(const engine::Table& table, const PhotoFields& f)
{
    QList<RECORD> out;
    for (PhotoField field : {F_REC_DRA1, F_REC_DRA2, F_REC_DRA3}) {
        if (f[field] < 0 || table.isNull(f[field]))
            continue;
        const RECORD r = table.value(f[field]).toInt();
        if (r != 0)
            out << r;
    }
    return out;
}

TablePhotoBinder::TablePhotoBinder(CaptionSources& sources, Messages& messages) : s_(sources), messages_(messages) {}

bool TablePhotoBinder::photoExists(RECORD photo)
{
    return s_.photoTable && locate(*s_.photoTable, s_.fields, photo);
}

bool TablePhotoBinder::bindPart(TPartsBox& part, RECORD photo)
{
    const int code = frameCode(part);
    if (!code) {
        part.Caption = resolveForAlbum(part.Caption, photo, s_);
        return !part.Caption.isEmpty();
    }
    if (!photoExists(photo))
        return false;
    engine::Table& t = *s_.photoTable;
    const PhotoFields& f = s_.fields;
    if (isDrawingFrameCode(code)) {
        const QList<RECORD> drawings = photoDrawings(t, f);
        const int k = code - 2600;
        if (k >= drawings.size())
            return false;
        part.RefRecord = drawings[k];
        return true;
    }
    part.PhotoRecord = photo;
    if (f[F_ALBUM] < 0)
        return true;
    QByteArray album = t.isNull(f[F_ALBUM]) ? QByteArray() : t.readBlob(f[F_ALBUM]);
    if (album.isEmpty()) {
        const CurrentPicture current = currentOf(t, f);
        SilentMessages quiet;
        if (std::optional<QByteArray> made = MakeAlbum(current.bytes, current.kind, quiet)) {
            try {
                t.edit();
                t.writeBlob(f[F_ALBUM], *made);
                t.post();
                album = *made;
            } catch (const std::exception&) {
                if (t.isEditing())
                    t.cancel();
            }
        }
    }
    JpegHeader header;
    SilentMessages quiet;
    if (!album.isEmpty() && ReadJpegHeader(album, header, quiet)) {
        part.RefWidth = header.width;
        part.RefHeight = header.height;
    }
    return true;
}

bool TablePhotoBinder::markInAlbum(RECORD photo)
{
    if (!photoExists(photo) || s_.fields[F_FLAG] < 0)
        return false;
    engine::Table& t = *s_.photoTable;
    if (!t.isNull(s_.fields[F_FLAG]) && t.value(s_.fields[F_FLAG]).toInt() != 0)
        return false;
    try {
        t.edit();
        t.setValue(s_.fields[F_FLAG], 1);
        t.post();
        return true;
    } catch (const std::exception&) {
        if (t.isEditing())
            t.cancel();
        return false;
    }
}

FramePictures::FramePictures(engine::Table& table, const PhotoFields& fields) : table_(table), fields_(fields) {}

QString FramePictures::key(RECORD record, QSize size, bool screen)
{
    return QStringLiteral("%1/%2x%3/%4").arg(record).arg(size.width()).arg(size.height()).arg(screen ? 1 : 0);
}

FramePictures::Source FramePictures::source(RECORD record, QSize size, bool screen)
{
    Source s;
    if (!locate(table_, fields_, record)) {
        s.missing = true;
        return s;
    }
    const bool small = size.width() <= kAlbumSize && size.height() <= kAlbumSize;
    if (screen && small && fields_[F_ALBUM] >= 0 && !table_.isNull(fields_[F_ALBUM])) {
        s.bytes = table_.readBlob(fields_[F_ALBUM]);
        s.kind = 0;
        if (!s.bytes.isEmpty())
            return s;
    }
    const CurrentPicture current = currentOf(table_, fields_);
    s.bytes = current.bytes;
    s.kind = current.kind;
    return s;
}

namespace {

// A reduced decode never gives fewer pixels than the frame has.
QImage decodeFor(const QByteArray& bytes, int kind, QSize size)
{
    SilentMessages quiet;
    QImage image;
    const bool ok = kind == 0 ? DecodeJpegToFit(bytes, image, size, quiet)
                              : DecodeStoredPicture(bytes, kind, image, qMax(size.width(), size.height()), quiet);
    return ok ? image : QImage();
}

}  // namespace

FramePicture FramePictures::load(const TPartsBox& part, int code, QSize size, bool screen)
{
    FramePicture out;
    const RECORD record = isPhotoFrameCode(code) ? part.PhotoRecord : part.RefRecord;
    const QString k = preparedKey(part, record, size, screen);
    const auto prepared = ready_.find(k);
    if (prepared != ready_.end()) {
        out.image = *prepared;
        out.ready = true;
        ready_.erase(prepared);
        return out;
    }
    const QString plain = key(record, size, screen);
    if (screen) {
        const auto it = cache_.constFind(plain);
        if (it != cache_.constEnd()) {
            out.image = *it;
            return out;
        }
    }
    const Source s = source(record, size, screen);
    if (s.missing) {
        out.missing = true;
        return out;
    }
    out.image = decodeFor(s.bytes, s.kind, size);
    if (screen)
        cache_.insert(plain, out.image);
    return out;
}

// The pictures of one page being decoded: the jobs are taken in turn by
// every thread that works on the batch.
struct FramePictures::Batch {
    struct Job {
        QString key;
        Source source;
        QSize size;
        QSize decode;  // the fewest pixels the decoded picture must have
        int orientation;
        bool mirrorH, mirrorV;
        QImage result;
    };
    QStringList wanted;  // the keys of the page's frames, read or not
    std::vector<Job> jobs;
    bool screen = true;
    std::atomic<size_t> next{0};

    void work()
    {
        for (size_t i = next++; i < jobs.size(); i = next++) {
            Job& j = jobs[i];
            const bool turned = j.orientation == 1 || j.orientation == 3;
            QImage image = decodeFor(j.source.bytes, j.source.kind, turned ? j.decode.transposed() : j.decode);
            j.source.bytes = QByteArray();
            image = orientedImage(image, j.orientation, j.mirrorH, j.mirrorV);
            // Scaled by the painter's bilinear filter into a bitmap of the size
            // it fills in the frame and the page's pixel format, so that drawing
            // only copies. A printer gets no more pixels than the picture has:
            // it scales a smaller picture up itself.
            const QSize fitted = fittedRect(image.size(), QRect(QPoint(), j.size)).size();
            const bool enlarge = fitted.width() > image.width() || fitted.height() > image.height();
            if (!image.isNull() && image.size() != fitted && (screen || !enlarge)) {
                QImage scaled(fitted, QImage::Format_RGB888);
                if (scaled.isNull()) {
                    image = QImage();
                } else {
                    QPainter g(&scaled);
                    g.setRenderHint(QPainter::SmoothPixmapTransform, !screen);
                    g.drawImage(QRect(QPoint(0, 0), fitted), image);
                    g.end();
                    image = std::move(scaled);
                }
            }
            j.result = std::move(image);
        }
    }
};

FramePictures::~FramePictures() { takePending(false); }

namespace {

// A photo or drawing frame of a page with its row and pixel size.
struct PageFrame {
    const TPartsBox* part;
    RECORD record;
    QSize size;
};

std::vector<PageFrame> framesOf(const Page& page, const DrawTarget& target)
{
    std::vector<PageFrame> frames;
    for (const TPartsBox& p : page.parts) {
        const int code = frameCode(p);
        if (!code)
            continue;
        const QSize size = drawingRect(p, target).size();
        if (!size.isEmpty())
            frames.push_back({&p, isPhotoFrameCode(code) ? p.PhotoRecord : p.RefRecord, size});
    }
    return frames;
}

}  // namespace

QString FramePictures::preparedKey(const TPartsBox& part, RECORD record, QSize size, bool screen)
{
    return key(record, size, screen) +
           QStringLiteral("/%1%2%3").arg(part.ImageOrientation).arg(part.MirrorH).arg(part.MirrorV);
}

QStringList FramePictures::keysOf(const Page& page, const DrawTarget& target)
{
    QStringList keys;
    for (const PageFrame& f : framesOf(page, target))
        keys << preparedKey(*f.part, f.record, f.size, target.screen);
    return keys;
}

std::shared_ptr<FramePictures::Batch> FramePictures::collect(const Page& page, const DrawTarget& target)
{
    auto batch = std::make_shared<Batch>();
    batch->screen = target.screen;
    for (const PageFrame& f : framesOf(page, target)) {
        const TPartsBox& p = *f.part;
        batch->wanted << preparedKey(p, f.record, f.size, target.screen);
        // The table is read here, on this thread; only decoding runs on the others.
        Source s = source(f.record, f.size, target.screen);
        if (s.missing || s.bytes.isEmpty())
            continue;
        // Beyond 300 dpi at its printed size a photo shows no more detail.
        QSize decode = f.size;
        const double dpi = target.screen ? 0 : target.pixelsPerMm * 25.4;
        if (dpi > kPrintPictureDpi)
            decode = QSize(qCeil(f.size.width() * kPrintPictureDpi / dpi),
                           qCeil(f.size.height() * kPrintPictureDpi / dpi));
        batch->jobs.push_back(
            {batch->wanted.last(), std::move(s), f.size, decode, p.ImageOrientation, p.MirrorH, p.MirrorV, {}});
    }
    return batch;
}

std::shared_ptr<FramePictures::Batch> FramePictures::takePending(bool use)
{
    std::shared_ptr<Batch> batch = std::move(pending_);
    pending_.reset();
    if (batch) {
        if (use)
            batch->work();  // this thread decodes along
        else
            batch->next = batch->jobs.size();  // the worker stops after its picture
    }
    if (worker_.joinable())
        worker_.join();
    return use ? batch : nullptr;
}

void FramePictures::prepare(const Page& page, const DrawTarget& target)
{
    const bool prefetched =
        pending_ && pending_->screen == target.screen && pending_->wanted == keysOf(page, target);
    std::shared_ptr<Batch> batch = takePending(prefetched);
    if (!batch) {
        batch = collect(page, target);
        const int threads = std::clamp(int(std::thread::hardware_concurrency()), 1, 4);
        std::vector<std::thread> pool;
        for (int t = 1; t < threads && size_t(t) < batch->jobs.size(); ++t)
            pool.emplace_back([batch] { batch->work(); });
        batch->work();
        for (std::thread& t : pool)
            t.join();
    }
    for (Batch::Job& j : batch->jobs)
        if (!j.result.isNull())
            ready_.insert(j.key, std::move(j.result));
}

void FramePictures::prefetch(const Page& page, const DrawTarget& target)
{
    takePending(false);
    std::shared_ptr<Batch> batch = collect(page, target);
    if (batch->jobs.empty())
        return;
    pending_ = batch;
    worker_ = std::thread([batch] { batch->work(); });
}

FrameLoader FramePictures::loader()
{
    return [this](const TPartsBox& part, int code, QSize size, bool screen) { return load(part, code, size, screen); };
}

}  // namespace zb::album
