// HEIC/HEIF files from arbitrary bytes: the decode of the primary picture, its
// Exif block and the conversion to the stored JPEG.
#include "core/ports.h"
#include "imaging/heif.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    if (auto tiff = zb::HeifExifTiff(bytes)) {
        if (tiff->size() > bytes.size())
            __builtin_trap();
    }
    zb::SilentMessages messages;
    if (auto converted = zb::ConvertHeifToJpeg(bytes, 90, messages)) {
        if (converted->jpeg.size() < 4 || converted->bitmap.isNull())
            __builtin_trap();
    }
    return 0;
}
