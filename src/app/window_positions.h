#pragma once
// Window and panel positions kept in ZB_M.INI (one section per window or
// panel), and the layout reset that makes the next start use the built-in
// layout.
#include "core/inifile.h"

#include <QRect>
#include <QSize>

namespace zb {

// The bounds pulled inside the desktop: no wider or taller than the desktop,
// left and top not before the desktop's, moved left/up so that the right and
// bottom edges lie inside it.
QRect clampToDesktop(QRect bounds, const QRect& desktop);

struct WindowPlacement {
    QRect bounds;
    bool maximised = false;
};

struct PanelPlacement {
    QRect bounds;
    bool visible = true;
};

class WindowPositions {
public:
    // Reads the file at once (the caller does this when the main window is
    // first shown).
    explicit WindowPositions(const QString& path);

    // Layout reset for this run: nothing is restored, and saving only erases.
    void setResetPending(bool on) { reset_ = on; }
    bool resetPending() const { return reset_; }

    // Whether a place is kept under the section (never while a reset is pending).
    bool kept(const QString& section) const;
    // Sizeable windows get all four bounds, fixed-size ones only the position;
    // `current` gives the defaults.
    WindowPlacement restoreWindow(const QString& section, const QRect& current, bool sizeable,
                                  const QRect& desktop) const;
    // A panel no larger than its parent's client size minus 10 pixels each way.
    PanelPlacement restorePanel(const QString& section, const QRect& current, bool visible,
                                const QSize& parentClient) const;

    // Erase the section, then (without a pending reset) write the restored
    // (normal) bounds and the maximised state.
    void saveWindow(const QString& section, const QRect& normalBounds, bool maximised);
    void savePanel(const QString& section, const QRect& bounds, bool visible);

    // A tool-bar layout kept as one value in a section of its own: the bytes
    // kept (empty when there are none, when the value is damaged, or while a
    // reset is pending). Saving erases the section and, without a pending
    // reset, writes the bytes.
    QByteArray restoreBands(const QString& section) const;
    void saveBands(const QString& section, const QByteArray& state);

    // Writes the file when it was read in this run.
    bool save(QString* error = nullptr) const;
    bool wasRead() const { return read_; }

    // "Sz_" + component name.
    static QString sectionFor(const QString& componentName);

private:
    QRect readBounds(const QString& section, const QRect& current) const;

    IniFile ini_;
    bool read_ = false;
    bool reset_ = false;
};

}  // namespace zb
