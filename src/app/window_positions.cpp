#include "app/window_positions.h"

#include <QFileInfo>

namespace zb {
namespace {
const QString kLeft = QStringLiteral("szLeft");
const QString kTop = QStringLiteral("szTop");
const QString kWidth = QStringLiteral("szWidth");
const QString kHeight = QStringLiteral("szHeight");
const QString kState = QStringLiteral("szWindowState");
const QString kVisible = QStringLiteral("szVisible");
const QString kBandLayout = QStringLiteral("BandLayout");  // base64 of the layout's bytes
}  // namespace

QRect clampToDesktop(QRect r, const QRect& desktop)
{
    if (r.width() > desktop.width())
        r.setWidth(desktop.width());
    if (r.height() > desktop.height())
        r.setHeight(desktop.height());
    if (r.left() < desktop.left())
        r.moveLeft(desktop.left());
    if (r.top() < desktop.top())
        r.moveTop(desktop.top());
    if (r.right() > desktop.right())
        r.moveRight(desktop.right());
    if (r.bottom() > desktop.bottom())
        r.moveBottom(desktop.bottom());
    return r;
}

WindowPositions::WindowPositions(const QString& path) : ini_(path)
{
    read_ = ini_.wasRead() || !QFileInfo::exists(path);
}

QString WindowPositions::sectionFor(const QString& componentName) { return QStringLiteral("Sz_") + componentName; }

QRect WindowPositions::readBounds(const QString& section, const QRect& current) const
{
    const int left = ini_.readInteger(section, kLeft, current.left());
    const int top = ini_.readInteger(section, kTop, current.top());
    int width = ini_.readInteger(section, kWidth, current.width());
    int height = ini_.readInteger(section, kHeight, current.height());
    // A damaged size is ignored rather than producing an invisible window.
    if (width <= 0)
        width = current.width();
    if (height <= 0)
        height = current.height();
    return QRect(left, top, width, height);
}

bool WindowPositions::kept(const QString& section) const { return !reset_ && ini_.sectionExists(section); }

WindowPlacement WindowPositions::restoreWindow(const QString& section, const QRect& current, bool sizeable,
                                               const QRect& desktop) const
{
    WindowPlacement p{current, false};
    if (reset_ || !ini_.sectionExists(section))
        return p;
    QRect r = readBounds(section, current);
    if (!sizeable)
        r.setSize(current.size());
    p.bounds = clampToDesktop(r, desktop);
    p.maximised = ini_.readInteger(section, kState, 0) == 1;
    return p;
}

PanelPlacement WindowPositions::restorePanel(const QString& section, const QRect& current, bool visible,
                                             const QSize& parentClient) const
{
    PanelPlacement p{current, visible};
    if (reset_ || !ini_.sectionExists(section))
        return p;
    p.visible = ini_.readBool(section, kVisible, visible);
    QRect r = readBounds(section, current);
    const int maxW = parentClient.width() - 10, maxH = parentClient.height() - 10;
    if (maxW > 0 && r.width() > maxW)
        r.setWidth(maxW);
    if (maxH > 0 && r.height() > maxH)
        r.setHeight(maxH);
    p.bounds = r;
    return p;
}

void WindowPositions::saveWindow(const QString& section, const QRect& normalBounds, bool maximised)
{
    ini_.eraseSection(section);
    if (reset_)
        return;
    ini_.writeInteger(section, kState, maximised ? 1 : 0);
    ini_.writeInteger(section, kLeft, normalBounds.left());
    ini_.writeInteger(section, kTop, normalBounds.top());
    ini_.writeInteger(section, kWidth, normalBounds.width());
    ini_.writeInteger(section, kHeight, normalBounds.height());
}

void WindowPositions::savePanel(const QString& section, const QRect& bounds, bool visible)
{
    ini_.eraseSection(section);
    if (reset_)
        return;
    ini_.writeBool(section, kVisible, visible);
    ini_.writeInteger(section, kLeft, bounds.left());
    ini_.writeInteger(section, kTop, bounds.top());
    ini_.writeInteger(section, kWidth, bounds.width());
    ini_.writeInteger(section, kHeight, bounds.height());
}

QByteArray WindowPositions::restoreBands(const QString& section) const
{
    if (reset_)
        return {};
    const QString text = ini_.readString(section, kBandLayout).trimmed();
    const QByteArray::FromBase64Result r =
        QByteArray::fromBase64Encoding(text.toLatin1(), QByteArray::AbortOnBase64DecodingErrors);
    return r ? r.decoded : QByteArray();
}

void WindowPositions::saveBands(const QString& section, const QByteArray& state)
{
    ini_.eraseSection(section);
    if (reset_ || state.isEmpty())
        return;
    ini_.writeString(section, kBandLayout, QString::fromLatin1(state.toBase64()));
}

bool WindowPositions::save(QString* error) const
{
    if (!read_)
        return true;
    const IniFile::SaveResult r = ini_.save();
    if (!r.ok && error)
        *error = r.error;
    return r.ok;
}

}  // namespace zb
