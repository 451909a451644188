#include "imaging/heif.h"

#include "imaging/jpeg_codec.h"
#include "imaging/jpeg_transform.h"
#include "imaging/working_bitmap.h"

#include <QFile>

#include <libheif/heif.h>

#include <cstring>
#include <memory>
#include <vector>

namespace zb {

namespace {

// The largest side libheif itself accepts; our pixel limit is checked on
// top of it before anything is decoded.
constexpr int kMaxHeifSide = 65535;
// An APP1 segment holds at most this many bytes after its length field.
constexpr qsizetype kMaxApp1Payload = 65533;

struct ContextDeleter {
    void operator()(heif_context* c) const { heif_context_free(c); }
};
struct HandleDeleter {
    void operator()(heif_image_handle* h) const { heif_image_handle_release(h); }
};
struct ImageDeleter {
    void operator()(heif_image* i) const { heif_image_release(i); }
};
using Context = std::unique_ptr<heif_context, ContextDeleter>;
using Handle = std::unique_ptr<heif_image_handle, HandleDeleter>;
using Image = std::unique_ptr<heif_image, ImageDeleter>;

// The primary picture's handle of the file in `data` (which must outlive it).
Handle primaryHandle(const QByteArray& data, Context& context)
{
    if (!LooksLikeHeif(data))
        return {};
    context.reset(heif_context_alloc());
    if (!context)
        return {};
    heif_context_set_maximum_image_size_limit(context.get(), kMaxHeifSide);
    if (heif_context_read_from_memory_without_copy(context.get(), data.constData(), size_t(data.size()), nullptr)
            .code != heif_error_Ok)
        return {};
    heif_image_handle* handle = nullptr;
    if (heif_context_get_primary_image_handle(context.get(), &handle).code != heif_error_Ok)
        return {};
    return Handle(handle);
}

}  // namespace

bool LooksLikeHeif(const QByteArray& data)
{
    if (data.size() < 12 || data.mid(4, 4) != "ftyp")
        return false;
    const heif_filetype_result r =
        heif_check_filetype(reinterpret_cast<const uint8_t*>(data.constData()), int(std::min<qsizetype>(data.size(), 64)));
    return r == heif_filetype_yes_supported;
}

bool DecodeHeif(const QByteArray& data, QImage& bitmap)
{
    Context context;
    const Handle handle = primaryHandle(data, context);
    if (!handle)
        return false;
    // The declared size is checked before any pixels are decoded.
    const int w = heif_image_handle_get_width(handle.get());
    const int h = heif_image_handle_get_height(handle.get());
    if (w <= 0 || h <= 0 || !withinPixelLimit(w, h))
        return false;
    heif_image* decoded = nullptr;
    // The file's turns and mirrors are applied (libheif's default).
    if (heif_decode_image(handle.get(), &decoded, heif_colorspace_RGB, heif_chroma_interleaved_RGB, nullptr).code !=
        heif_error_Ok)
        return false;
    const Image image(decoded);
    int stride = 0;
    const uint8_t* rgb = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    const int iw = heif_image_get_width(image.get(), heif_channel_interleaved);
    const int ih = heif_image_get_height(image.get(), heif_channel_interleaved);
    if (!rgb || iw <= 0 || ih <= 0 || stride < iw * 3 || !withinPixelLimit(iw, ih))
        return false;
    QImage out = newWorkingBitmap(iw, ih);
    if (out.isNull())
        return false;
    for (int y = 0; y < ih; ++y) {
        const uint8_t* src = rgb + qsizetype(y) * stride;
        uchar* line = out.scanLine(y);
        for (int x = 0; x < iw; ++x, src += 3, line += 3) {
            line[0] = src[2];
            line[1] = src[1];
            line[2] = src[0];
        }
    }
    bitmap = out;
    return true;
}

bool DecodeHeifFile(const QString& path, QImage& bitmap)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) && DecodeHeif(file.readAll(), bitmap);
}

std::optional<QByteArray> HeifExifTiff(const QByteArray& data)
{
    Context context;
    const Handle handle = primaryHandle(data, context);
    if (!handle)
        return std::nullopt;
    heif_item_id id = 0;
    if (heif_image_handle_get_list_of_metadata_block_IDs(handle.get(), "Exif", &id, 1) < 1)
        return std::nullopt;
    const size_t size = heif_image_handle_get_metadata_size(handle.get(), id);
    if (size < 4 + 8 || size > size_t(data.size()))
        return std::nullopt;
    QByteArray block(qsizetype(size), Qt::Uninitialized);
    if (heif_image_handle_get_metadata(handle.get(), id, block.data()).code != heif_error_Ok)
        return std::nullopt;
    // The block starts with the offset of the TIFF header from the end of
    // that offset (6 when "Exif\0\0" stands before it, else 0).
    const auto* b = reinterpret_cast<const uchar*>(block.constData());
    const quint32 offset = quint32(b[0]) << 24 | quint32(b[1]) << 16 | quint32(b[2]) << 8 | b[3];
    if (offset > quint32(block.size() - 4 - 8))
        return std::nullopt;
    QByteArray tiff = block.mid(4 + qsizetype(offset));
    if (!tiff.startsWith(QByteArray("II*\0", 4)) && !tiff.startsWith(QByteArray("MM\0*", 4)))
        return std::nullopt;
    return tiff;
}

std::optional<ConvertedHeif> ConvertHeifToJpeg(const QByteArray& data, int quality, Messages& messages)
{
    ConvertedHeif out;
    if (!DecodeHeif(data, out.bitmap) || !EncodeJpeg(out.bitmap, out.jpeg, false, quality, messages))
        return std::nullopt;
    if (const std::optional<QByteArray> tiff = HeifExifTiff(data); tiff && tiff->size() + 6 <= kMaxApp1Payload) {
        QByteArray segment("\xFF\xE1", 2);
        const qsizetype length = 2 + 6 + tiff->size();
        segment.append(char(length >> 8)).append(char(length & 0xFF));
        segment.append("Exif\0\0", 6).append(*tiff);
        out.jpeg.insert(2, segment);
        // The pixels are upright already: the tag must not turn them again.
        ResetExifOrientation(out.jpeg);
    }
    return out;
}

}  // namespace zb
