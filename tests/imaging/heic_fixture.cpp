#include "heic_fixture.h"

#include "fixtures.h"

#include <libheif/heif.h>

#include <cstring>

namespace zbtest {

bool canEncodeHeic()
{
    return heif_have_encoder_for_format(heif_compression_HEVC) != 0;
}

namespace {

heif_error appendTo(heif_context*, const void* data, size_t size, void* userdata)
{
    static_cast<QByteArray*>(userdata)->append(static_cast<const char*>(data), qsizetype(size));
    return heif_error{heif_error_Ok, heif_suberror_Unspecified, "ok"};
}

}  // namespace

QByteArray makeHeic(const QImage& stored, int orientation, const QByteArray& exifTiff)
{
    const QImage rgb = stored.convertToFormat(QImage::Format_RGB888);
    heif_context* ctx = heif_context_alloc();
    heif_image* image = nullptr;
    heif_image_create(rgb.width(), rgb.height(), heif_colorspace_RGB, heif_chroma_interleaved_RGB, &image);
    heif_image_add_plane(image, heif_channel_interleaved, rgb.width(), rgb.height(), 8);
    int stride = 0;
    uint8_t* plane = heif_image_get_plane(image, heif_channel_interleaved, &stride);
    for (int y = 0; y < rgb.height(); ++y)
        std::memcpy(plane + y * stride, rgb.constScanLine(y), size_t(rgb.width()) * 3);
    heif_encoder* encoder = nullptr;
    heif_context_get_encoder_for_format(ctx, heif_compression_HEVC, &encoder);
    heif_encoder_set_lossy_quality(encoder, 90);
    heif_encoding_options* options = heif_encoding_options_alloc();
    options->image_orientation = heif_orientation(orientation);
    heif_image_handle* handle = nullptr;
    heif_context_encode_image(ctx, image, encoder, options, &handle);
    if (!exifTiff.isEmpty())
        heif_context_add_exif_metadata(ctx, handle, exifTiff.constData(), int(exifTiff.size()));
    QByteArray out;
    heif_writer writer{1, appendTo};
    heif_context_write(ctx, &writer, &out);
    heif_image_handle_release(handle);
    heif_encoding_options_free(options);
    heif_encoder_release(encoder);
    heif_image_release(image);
    heif_context_free(ctx);
    return out;
}

QByteArray phoneExifTiff(int orientation, const QByteArray& original, const QByteArray& changed)
{
    // The same directories a camera writes into its JPEG's APP1 segment.
    ExifLayout layout;
    layout.orientation = orientation;
    layout.original = original;
    layout.dateTime = changed;
    const QByteArray jpeg = exifJpeg(layout, QByteArray("\xFF\xD8\xFF\xD9", 4));
    // FF D8, FF E1, length, "Exif\0\0", the TIFF block, FF D9.
    return jpeg.mid(12, jpeg.size() - 12 - 2);
}

}  // namespace zbtest
