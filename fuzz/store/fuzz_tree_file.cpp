// Feeds arbitrary bytes to the tree-file reader: header, hierarchy and template.
#include "store/tree_file.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArrayView bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    zb::ReadReport report;
    zb::JobHeader h = zb::decodeHeader(bytes, &report);
    zb::Hierarchy folders =
        zb::decodeHierarchy(bytes.size() > zb::JobHeader::kSize ? bytes.sliced(zb::JobHeader::kSize) : bytes, &report);
    // What was read must write back without trouble.
    (void)zb::encodeHeader(h);
    (void)zb::encodeHierarchy(folders, true);
    return 0;
}
