// The WMF and EMF players on arbitrary bytes.
#include "imaging/metafile.h"

#include <cstddef>
#include <cstdint>

extern "C" const char* __lsan_default_suppressions()
{
    return "leak:libemf2svg.so\nleak:libwmf\n";
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    (void)zb::RenderMetafile(bytes);
    return 0;
}
