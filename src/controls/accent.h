#pragma once
// Colours and fonts shared by the application's windows.
#include <QColor>
#include <QString>

namespace zb {

// The dialog accent colour: the button-face colour with red, green and blue
// each lowered by 20 (not below 0).
QColor accentColor(const QColor& buttonFace);
// The accent colour of the running application's palette.
QColor dialogAccentColor();

// Maps the Windows font names the windows ask for ("MS UI Gothic",
// "ＭＳ ゴシック", "ＭＳ 明朝" and their proportional forms) to the installed
// Japanese fonts with the same metrics.
void installFontSubstitutions();

inline const QString kUiFont = QStringLiteral("MS UI Gothic");
inline const QString kGothicFont = QStringLiteral("ＭＳ ゴシック");
inline const QString kMinchoFont = QStringLiteral("ＭＳ 明朝");

}  // namespace zb
