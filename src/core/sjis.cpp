#include "core/sjis.h"

#include <array>
#include <cerrno>
#include <iconv.h>
#include <memory>

namespace zb::sjis {
namespace {

constexpr char16_t kUndefined = 0x30FB;

// Conversion tables built once from glibc's CP932 converter. encodeTable maps a
// BMP code point to its code (0 = none, except U+0000 itself); decodeTable maps a
// double-byte code to its code point (0 = undefined).
struct Tables {
    std::array<char16_t, 256> single{};
    std::array<bool, 256> singleDefined{};
    std::array<char16_t, 65536> decodeTable{};
    std::array<std::uint16_t, 65536> encodeTable{};
    std::array<bool, 65536> encodable{};

    Tables()
    {
        iconv_t dec = iconv_open("UTF-16LE", "CP932");
        iconv_t enc = iconv_open("CP932", "UTF-16LE");
        if (dec == reinterpret_cast<iconv_t>(-1) || enc == reinterpret_cast<iconv_t>(-1))
            qFatal("CP932 converter missing from the C library");

        auto decodeBytes = [&](const char* in, size_t n, char16_t& out) {
            iconv(dec, nullptr, nullptr, nullptr, nullptr);
            char buf[8];
            char* src = const_cast<char*>(in);
            char* dst = buf;
            size_t inLeft = n, outLeft = sizeof buf;
            if (iconv(dec, &src, &inLeft, &dst, &outLeft) == static_cast<size_t>(-1) || inLeft != 0)
                return false;
            if (sizeof buf - outLeft != 2)
                return false;
            out = char16_t(static_cast<unsigned char>(buf[0]) | (static_cast<unsigned char>(buf[1]) << 8));
            return true;
        };

        for (int b = 0; b < 256; ++b) {
            if (isLeadByte(static_cast<unsigned char>(b)))
                continue;
            char in = static_cast<char>(b);
            char16_t u;
            if (decodeBytes(&in, 1, u)) {
                single[b] = u;
                singleDefined[b] = true;
            }
        }
        for (int lead = 0x81; lead <= 0xFC; ++lead) {
            if (!isLeadByte(static_cast<unsigned char>(lead)))
                continue;
            for (int trail = 0x40; trail <= 0xFC; ++trail) {
                if (trail == 0x7F)
                    continue;
                char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
                char16_t u;
                if (decodeBytes(in, 2, u))
                    decodeTable[lead * 256 + trail] = u;
            }
        }
        for (int c = 0; c < 65536; ++c) {
            if (c >= 0xD800 && c <= 0xDFFF)
                continue;
            char in[2] = {static_cast<char>(c & 0xFF), static_cast<char>(c >> 8)};
            char out[4];
            char* src = in;
            char* dst = out;
            size_t inLeft = 2, outLeft = sizeof out;
            iconv(enc, nullptr, nullptr, nullptr, nullptr);
            if (iconv(enc, &src, &inLeft, &dst, &outLeft) == static_cast<size_t>(-1))
                continue;
            size_t n = sizeof out - outLeft;
            if (n == 1) {
                encodeTable[c] = static_cast<unsigned char>(out[0]);
                encodable[c] = true;
            } else if (n == 2) {
                encodeTable[c] = std::uint16_t(static_cast<unsigned char>(out[0]) * 256 + static_cast<unsigned char>(out[1]));
                encodable[c] = true;
            }
        }
        iconv_close(dec);
        iconv_close(enc);
    }
};

const Tables& tables()
{
    static const std::unique_ptr<Tables> t = std::make_unique<Tables>();
    return *t;
}

}  // namespace

bool isLeadByte(unsigned char b)
{
    return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
}

int codeOf(char32_t c)
{
    if (c > 0xFFFF)
        return -1;
    const Tables& t = tables();
    if (!t.encodable[c])
        return -1;
    return t.encodeTable[c];
}

int charBytes(char32_t c)
{
    int code = codeOf(c);
    if (code < 0)
        return 0;
    return code > 0xFF ? 2 : 1;
}

bool canEncode(char32_t c) { return codeOf(c) >= 0; }

Encoded encode(QStringView text)
{
    Encoded r;
    r.bytes.reserve(text.size() * 2);
    for (qsizetype i = 0; i < text.size(); ++i) {
        QChar ch = text[i];
        if (ch.isSurrogate()) {
            // Outside the BMP: the code page has no such characters.
            if (ch.isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate()) {
                r.unmappable += ch;
                r.unmappable += text[++i];
            } else {
                r.unmappable += ch;
            }
            continue;
        }
        int code = codeOf(ch.unicode());
        if (code < 0) {
            r.unmappable += ch;
        } else if (code > 0xFF) {
            r.bytes += static_cast<char>(code >> 8);
            r.bytes += static_cast<char>(code & 0xFF);
        } else {
            r.bytes += static_cast<char>(code);
        }
    }
    return r;
}

QByteArray toBytes(QStringView text) { return encode(text).bytes; }

QString decode(QByteArrayView bytes)
{
    const Tables& t = tables();
    QString out;
    out.reserve(bytes.size());
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        auto b = static_cast<unsigned char>(bytes[i]);
        if (isLeadByte(b)) {
            if (i + 1 >= bytes.size()) {
                out += QChar(kUndefined);
                break;
            }
            auto trail = static_cast<unsigned char>(bytes[i + 1]);
            char16_t u = t.decodeTable[b * 256 + trail];
            if (u == 0) {
                out += QChar(kUndefined);
                // A byte that cannot be a trail byte starts the next character.
                if (trail < 0x40)
                    continue;
            } else {
                out += QChar(u);
            }
            ++i;
        } else {
            out += t.singleDefined[b] ? QChar(t.single[b]) : QChar(kUndefined);
        }
    }
    return out;
}

int byteLength(QStringView text)
{
    int n = 0;
    for (QChar ch : text)
        n += ch.isSurrogate() ? 0 : charBytes(ch.unicode());
    return n;
}

QString unmappableChars(QStringView text) { return encode(text).unmappable; }

QString dropUnmappable(QStringView text)
{
    QString out;
    out.reserve(text.size());
    for (QChar ch : text)
        if (!ch.isSurrogate() && canEncode(ch.unicode()))
            out += ch;
    return out;
}

QByteArray cutBytes(QByteArrayView bytes, int room)
{
    if (room <= 0)
        return {};
    if (bytes.size() <= room)
        return bytes.toByteArray();
    qsizetype i = 0;
    while (i < bytes.size()) {
        qsizetype len = isLeadByte(static_cast<unsigned char>(bytes[i])) ? 2 : 1;
        if (i + len > room)
            break;
        i += len;
    }
    return bytes.first(i).toByteArray();
}

QString cutToRoom(QStringView text, int room)
{
    int used = 0;
    qsizetype i = 0;
    for (; i < text.size(); ++i) {
        QChar ch = text[i];
        int n = ch.isSurrogate() ? 0 : charBytes(ch.unicode());
        if (used + n > room)
            break;
        used += n;
    }
    return text.first(i).toString();
}

bool isMachineDependentCode(unsigned code)
{
    return (code >= 0x8540 && code <= 0x889E) || code > 0xED3F;
}

bool isMachineDependent(char32_t c)
{
    int code = codeOf(c);
    return code > 0xFF && isMachineDependentCode(static_cast<unsigned>(code));
}

}  // namespace zb::sjis
