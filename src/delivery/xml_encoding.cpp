#include "delivery/xml_encoding.h"

#include "core/sjis.h"

#include <QByteArray>
#include <QString>
#include <array>
#include <libxml/encoding.h>
#include <libxml/xmlerror.h>
#include <memory>
#include <mutex>

namespace zb {
namespace {

// Code point of every single byte and every double-byte code; U+30FB for
// codes the code page does not define, as the rest of the program shows them.
struct DecodeTable {
    std::array<char16_t, 65536> cp{};
    DecodeTable()
    {
        for (int b = 0; b < 256; ++b) {
            if (sjis::isLeadByte(static_cast<unsigned char>(b)))
                continue;
            const char c = static_cast<char>(b);
            const QString s = sjis::decode(QByteArrayView(&c, 1));
            cp[b] = s.isEmpty() ? u'\x30FB' : s.at(0).unicode();
        }
        for (int lead = 0x80; lead < 256; ++lead) {
            if (!sjis::isLeadByte(static_cast<unsigned char>(lead)))
                continue;
            for (int trail = 0; trail < 256; ++trail) {
                const char two[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                const QString s = sjis::decode(QByteArrayView(two, 2));
                cp[lead * 256 + trail] = s.size() == 1 ? s.at(0).unicode() : u'\x30FB';
            }
        }
    }
};

const DecodeTable& table()
{
    static const DecodeTable t;
    return t;
}

int toUtf8(unsigned char* out, int* outlen, const unsigned char* in, int* inlen)
{
    const DecodeTable& t = table();
    int i = 0, o = 0;
    const int inEnd = *inlen, outEnd = *outlen;
    while (i < inEnd) {
        const unsigned char b = in[i];
        char16_t u;
        int n = 1;
        if (sjis::isLeadByte(b)) {
            if (i + 1 >= inEnd)
                break;  // the trail byte comes with the next call
            u = t.cp[b * 256 + in[i + 1]];
            n = 2;
        } else {
            u = t.cp[b];
        }
        unsigned char buf[3];
        int len;
        if (u < 0x80) {
            buf[0] = static_cast<unsigned char>(u);
            len = 1;
        } else if (u < 0x800) {
            buf[0] = static_cast<unsigned char>(0xC0 | (u >> 6));
            buf[1] = static_cast<unsigned char>(0x80 | (u & 0x3F));
            len = 2;
        } else {
            buf[0] = static_cast<unsigned char>(0xE0 | (u >> 12));
            buf[1] = static_cast<unsigned char>(0x80 | ((u >> 6) & 0x3F));
            buf[2] = static_cast<unsigned char>(0x80 | (u & 0x3F));
            len = 3;
        }
        if (o + len > outEnd)
            break;
        for (int k = 0; k < len; ++k)
            out[o++] = buf[k];
        i += n;
    }
    *inlen = i;
    *outlen = o;
    return o;
}

int fromUtf8(unsigned char* out, int* outlen, const unsigned char* in, int* inlen)
{
    // Whole characters only: stop before a sequence the input cuts short.
    int i = 0, o = 0;
    const int inEnd = *inlen, outEnd = *outlen;
    while (i < inEnd) {
        const unsigned char b = in[i];
        const int n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
        if (i + n > inEnd)
            break;
        const QByteArray bytes = sjis::toBytes(QString::fromUtf8(reinterpret_cast<const char*>(in + i), n));
        if (bytes.isEmpty()) {
            *inlen = i;
            *outlen = o;
            return -2;  // not in the code page
        }
        if (o + bytes.size() > outEnd)
            break;
        for (char c : bytes)
            out[o++] = static_cast<unsigned char>(c);
        i += n;
    }
    *inlen = i;
    *outlen = o;
    return o;
}

// libxml2 prints some faults (a broken byte sequence) straight to standard
// error; the caller reports every failure itself.
void quiet(void*, const char*, ...) {}

}  // namespace

void registerShiftJisForLibxml2()
{
    static std::once_flag once;
    std::call_once(once, [] {
        table();
        xmlSetGenericErrorFunc(nullptr, quiet);
        // libxml2 compares the upper-cased declared name with the handlers' names.
        for (const char* name : {"SHIFT_JIS", "X-SJIS", "WINDOWS-31J", "SJIS", "CP932", "MS_KANJI"}) {
            // Creating a handler registers it.
            xmlNewCharEncodingHandler(name, toUtf8, fromUtf8);
        }
    });
}

}  // namespace zb
