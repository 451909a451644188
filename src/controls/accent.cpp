#include "controls/accent.h"

#include <QFont>
#include <QGuiApplication>
#include <QPalette>

namespace zb {

QColor accentColor(const QColor& face)
{
    auto lower = [](int c) { return std::max(0, c - 20); };
    return QColor(lower(face.red()), lower(face.green()), lower(face.blue()));
}

QColor dialogAccentColor() { return accentColor(QGuiApplication::palette().color(QPalette::Button)); }

void installFontSubstitutions()
{
    QFont::insertSubstitutions(kUiFont, {QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic")});
    QFont::insertSubstitutions(kGothicFont, {QStringLiteral("IPAGothic"), QStringLiteral("IPAPGothic")});
    QFont::insertSubstitutions(QStringLiteral("ＭＳ Ｐゴシック"), {QStringLiteral("IPAPGothic"), QStringLiteral("IPAGothic")});
    QFont::insertSubstitutions(kMinchoFont, {QStringLiteral("IPAMincho"), QStringLiteral("IPAPMincho")});
    QFont::insertSubstitutions(QStringLiteral("ＭＳ Ｐ明朝"), {QStringLiteral("IPAPMincho"), QStringLiteral("IPAMincho")});
}

}  // namespace zb
