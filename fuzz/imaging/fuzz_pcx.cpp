// The PCX reader on arbitrary bytes; what it reads must survive a round trip.
#include "imaging/pcx.h"
#include "imaging/working_bitmap.h"

#include <cstddef>
#include <cstdint>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    const QImage image = zb::DecodePcx(bytes);
    if (image.isNull())
        return 0;
    if (!zb::withinPixelLimit(image.width(), image.height()))
        __builtin_trap();
    // Small pictures: written and read back unchanged.
    if (qint64(image.width()) * image.height() <= 4096) {
        const QImage back = zb::DecodePcx(zb::EncodePcx(image));
        if (back.size() != image.size())
            __builtin_trap();
        for (int y = 0; y < image.height(); ++y)
            if (std::memcmp(back.constScanLine(y), image.constScanLine(y), size_t(image.width()) * 3) != 0)
                __builtin_trap();
    }
    return 0;
}
