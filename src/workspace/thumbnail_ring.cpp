#include "workspace/thumbnail_ring.h"

#include "core/ports.h"
#include "imaging/exif.h"
#include "imaging/graphic_kind.h"
#include "imaging/image_library.h"
#include "imaging/jpeg_codec.h"
#include "imaging/resample.h"
#include "imaging/stored_pictures.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>

namespace zb {

namespace {

int shorterSide(const QImage& image) { return std::min(image.width(), image.height()); }

}  // namespace

QImage LoadFileThumbnail(const QString& path, int size)
{
    if (path.isEmpty() || !QFileInfo(path).isFile())
        return {};
    SilentMessages quiet;
    QImage image;
    if (size <= kExifThumbnailMaxSize) {
        const QImage small = UprightExifThumbnail(path, size);
        if (!small.isNull() && shorterSide(small) >= size)
            image = small;
    }
    if (image.isNull()) {
        QFile file(path);
        QByteArray head;
        if (file.open(QIODevice::ReadOnly))
            head = file.read(3);
        const bool jpeg = head.startsWith("\xFF\xD8\xFF");
        const bool ok = jpeg ? DecodeJpegFile(path, image, size, quiet) : LoadWithImageLibrary(path, image);
        if (!ok || image.isNull())
            return {};
    }
    if (shorterSide(image) != size) {
        const QSize to = ShorterSideSize(image.width(), image.height(), size);
        QImage scaled = ResizeSmooth(image, to.width(), to.height());
        if (scaled.isNull())
            return {};
        image = scaled;
    }
    return image;
}

ThumbnailRing::ThumbnailRing() : loader(LoadFileThumbnail) {}

QImage ThumbnailRing::thumbnail(const QString& path, int size)
{
    for (size_t i = 0; i < slots_.size(); ++i) {
        const Slot& s = slots_[i];
        if (s.name == path && !s.image.isNull() && shorterSide(s.image) >= size) {
            last_ = static_cast<int>(i);
            return s.image;
        }
    }
    ++loads_;
    QImage image = loader ? loader(path, size) : QImage();
    if (image.isNull())
        return {};
    int slot;
    if (slotCount() < kSlots) {
        slots_.push_back({path, image});
        slot = slotCount() - 1;
    } else {
        slot = next_;
        slots_[static_cast<size_t>(slot)] = {path, image};
        next_ = (next_ + 1) % kSlots;
    }
    last_ = slot;
    return image;
}

}  // namespace zb
