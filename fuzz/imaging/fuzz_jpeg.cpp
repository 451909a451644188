// The JPEG decoder on arbitrary bytes, at full size and reduced.
#include "core/ports.h"
#include "imaging/jpeg_codec.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    zb::SilentMessages messages;
    QImage bitmap;
    zb::DecodeJpeg(bytes, bitmap, size % 2 ? 120 : 0, messages);
    return 0;
}
