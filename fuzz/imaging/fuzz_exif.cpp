// EXIF values, the Orientation, the segment walk and the embedded thumbnail
// from arbitrary file bytes.
#include "imaging/exif.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    if (auto info = zb::ReadExifData(bytes)) {
        if (info->dateTime.size() > zb::kExifTextMax || info->filmNumber.size() > zb::kExifTextMax ||
            info->frameNumber.size() > zb::kExifTextMax)
            __builtin_trap();
    }
    const int orientation = int(zb::ExifOrientationOf(bytes));
    if (orientation < 1 || orientation > 8)
        __builtin_trap();
    if (auto span = zb::FindExifBlock(bytes)) {
        if (span->offset < 0 || span->size < 0 || span->offset + span->size > bytes.size())
            __builtin_trap();
    }
    if (auto thumb = zb::ExifThumbnailData(bytes, 0)) {
        if (thumb->size() > bytes.size())
            __builtin_trap();
    }
    return 0;
}
