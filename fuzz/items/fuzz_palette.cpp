// Reads arbitrary bytes as ZBGRPH.LST and builds the token texts of its entries.
#include "items/palette.h"

#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QList<zb::items::PaletteEntry> entries =
        zb::items::parsePalette(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)));
    QList<int> all;
    for (int i = 0; i < entries.size(); ++i) {
        all << i;
        (void)entries[i].restText(), (void)entries[i].codeText();
        (void)zb::items::entryColor(entries[i].code);
    }
    (void)zb::items::tokenText(entries, all);
    (void)zb::items::tokenText(entries, {});
    return 0;
}
