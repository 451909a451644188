#pragma once
// Shift_JIS (code page 932) text, decoded and encoded like Windows does: 0x5C is
// a backslash, the NEC and IBM extensions are included. Characters the code page
// cannot hold are never turned into other characters: encode() leaves them out
// and tells the caller which they were.
#include <QByteArray>
#include <QString>

namespace zb::sjis {

struct Encoded {
    QByteArray bytes;
    QString unmappable;  // the characters left out, in order
    bool ok() const { return unmappable.isEmpty(); }
};

// Bytes of the text in Shift_JIS; unmappable characters are left out and listed.
Encoded encode(QStringView text);
// Shorthand for encode(text).bytes.
QByteArray toBytes(QStringView text);
// Text of Shift_JIS bytes. A byte sequence the code page does not define
// becomes U+30FB (KATAKANA MIDDLE DOT), as Windows shows it.
QString decode(QByteArrayView bytes);

// Number of bytes a character takes: 1 or 2, 0 when the code page cannot hold it.
int charBytes(char32_t c);
bool canEncode(char32_t c);
// Length in bytes of the encodable characters of the text.
int byteLength(QStringView text);
// The characters of the text that cannot be encoded, in order.
QString unmappableChars(QStringView text);
// The text without the characters that cannot be encoded.
QString dropUnmappable(QStringView text);

// The longest leading part of the bytes that fits in `room` bytes without
// splitting a double-byte character.
QByteArray cutBytes(QByteArrayView bytes, int room);
// The longest leading part of the text whose encoding fits in `room` bytes.
QString cutToRoom(QStringView text, int room);

// True when the Shift_JIS code of the character is machine dependent: the
// double-byte codes 0x8540-0x889E and every code above 0xED3F.
bool isMachineDependentCode(unsigned code);
bool isMachineDependent(char32_t c);
// Shift_JIS code of a character: one byte as 0x00-0xFF, two bytes as
// lead*256+trail; -1 when the code page cannot hold it.
int codeOf(char32_t c);
// True when `b` starts a double-byte character.
bool isLeadByte(unsigned char b);

}  // namespace zb::sjis
