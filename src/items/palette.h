#pragma once
// ZBGRPH.LST: the items offered by the album editor's palette. Shift_JIS text,
// lines beginning with "//" are comments; the other lines form groups of three:
// the token body ("2010.写真タイトル"), a display text appended to it in the
// list, and an optional date format.
#include <QByteArray>
#include <QColor>
#include <QList>
#include <QString>

namespace zb::items {

inline const QString kPaletteFileName = QStringLiteral("ZBGRPH.LST");

struct PaletteEntry {
    QString body;     // line 1: the token body, beginning with the code
    QString display;  // line 2
    QString format;   // ";" + line 3 when line 3 is not blank, else empty
    int code = 0;     // leading integer of line 1

    // What the palette list shows: line 1 + line 2.
    QString listText() const { return body + display; }
    // The code cell's text (the first four characters) and the rest (from the
    // sixth character on).
    QString codeText() const { return body.left(4); }
    QString restText() const { return listText().mid(5); }
    // "{" + body + format + "}", or "自由文" for code 0.
    QString token() const;
};

// Where the palette is read: the USERFILE/ folder the other lists are read
// from, else the program folder's USERFILE/ (the copy shipped with the program).
// Both folders end in '/'.
QString palettePath(const QString& userFileDir, const QString& programDir);

QList<PaletteEntry> parsePalette(QByteArrayView bytes);
// The palette of a file; empty when the file is missing or unreadable.
QList<PaletteEntry> readPalette(const QString& path);

// Token text of a selection (indexes into entries, taken in list order): code 0
// replaces what was built so far by "自由文", another code appends its token.
// Nothing selected gives the token of the first entry; an empty palette gives "".
QString tokenText(const QList<PaletteEntry>& entries, QList<int> selected);
// Token of the first entry with the code; empty when none has it.
QString tokenForCode(const QList<PaletteEntry>& entries, int code);

// Entry colours by code: below 300 RGB(231,231,231), 300-999 RGB(255,255,221),
// 1000-1999 RGB(206,255,206), 2000-2999 and above RGB(221,255,255).
QColor entryColor(int code);
// Selected entries: black text on RGB(255,255,0).
QColor selectedEntryColor();
// True for the codes of photo values (2000-2999): the slot choice applies.
inline bool isPhotoCode(int code) { return code >= 2000 && code <= 2999; }

// The slot choice offers the photo slots 1 to 25.
inline constexpr int kMaxPhotoSlot = 25;
// The slot names "写真１" … "写真９", "写真10" … "写真25" (digits below 10 full-width).
QString photoSlotName(int slot);

}  // namespace zb::items
