// The JPEG decoder on arbitrary bytes, at full size and reduced, and the
// upright copy.
#include "core/ports.h"
#include "imaging/jpeg_codec.h"
#include "imaging/jpeg_transform.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    zb::SilentMessages messages;
    QImage bitmap;
    // Decoding turns the picture upright by its Orientation; so does the
    // upright copy written for outside viewers, on the coefficients.
    zb::DecodeJpeg(bytes, bitmap, size % 2 ? 120 : 0, messages);
    if (size % 3 == 0)
        (void)zb::UprightJpeg(bytes, messages);
    return 0;
}
