#include "imaging/selection_sizes.h"

#include "core/inifile.h"

#include <QDir>
#include <algorithm>

namespace zb {

namespace {

const QString kCurrent = QStringLiteral("Current");
const QString kCustom = QStringLiteral("SelSizeCst");

int side(const IniFile& ini, const QString& key)
{
    const int v = ini.readInteger(kCustom, key, kCustomSideDefault);
    return std::clamp(v, kCustomSideMin, kCustomSideMax);
}

QString fullWidthDigits(int value)
{
    QString s = QString::number(value);
    for (QChar& c : s)
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            c = QChar(0xFF10 + (c.unicode() - '0'));
    return s;
}

}  // namespace

QSize SelectionSizes::sizeOf(int which) const
{
    switch (which) {
    case 1:
        return {100, 100};
    case 2:
        return {640, 480};
    case 3:
        return {480, 640};
    case 4:
    case 5:
    case 6:
        return custom[std::size_t(which - 4)];
    default:
        return {};
    }
}

SelectionSizes SelectionSizes::load(const QString& folder)
{
    const IniFile ini(QDir(folder).filePath(kSelectionSizesFile));
    SelectionSizes s;
    if (ini.valueExists(kCurrent, QStringLiteral("SelSize"))) {
        const int v = ini.readInteger(kCurrent, QStringLiteral("SelSize"), -1);
        s.choice = v >= 0 && v <= 6 ? v : -1;
    }
    for (int i = 0; i < 3; ++i) {
        const QString n = QString::number(i + 1);
        s.custom[std::size_t(i)] = QSize(side(ini, n + QLatin1Char('X')), side(ini, n + QLatin1Char('Y')));
    }
    return s;
}

bool SelectionSizes::save(const QString& folder) const
{
    IniFile ini(QDir(folder).filePath(kSelectionSizesFile));
    ini.writeInteger(kCurrent, QStringLiteral("SelSize"), std::max(choice, 0));
    for (int i = 0; i < 3; ++i) {
        const QString n = QString::number(i + 1);
        ini.writeInteger(kCustom, n + QLatin1Char('X'), custom[std::size_t(i)].width());
        ini.writeInteger(kCustom, n + QLatin1Char('Y'), custom[std::size_t(i)].height());
    }
    return ini.save().ok;
}

QString customSizeCaption(QSize size)
{
    return QStringLiteral("カスタム Ｗ") + fullWidthDigits(size.width()) + QStringLiteral("×Ｈ") +
           fullWidthDigits(size.height());
}

}  // namespace zb
