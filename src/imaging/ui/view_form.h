#pragma once
// TViewForm "実寸表示": one picture in a window of its own at its real pixel
// size, or reduced to fit the window until the user zooms. A left click
// zooms in (1.5), a right click out (2/3), a dragged rectangle zooms to fill
// the window with its contents; the scroll bars, the arrow keys and the wheel
// move about; Enter or Esc closes. One instance is made at first use and
// reused for every picture; closing hides it and releases the picture.
#include "imaging/view_layout.h"

#include <QAbstractScrollArea>
#include <QByteArray>
#include <QCursor>
#include <QImage>
#include <QPointer>
#include <QRect>
#include <QWidget>
#include <functional>

namespace zb {

class Messages;

inline const QString kViewFormCaption = QStringLiteral("実寸表示");
inline const QString kViewFormName = QStringLiteral("ViewForm");
inline constexpr int kViewHelpContext = 256;
// The client area a new viewer opens with, and the smallest window.
inline constexpr QSize kViewInitialClient{614, 423};
inline constexpr QSize kViewMinimumSize{300, 200};
// Scroll step of the scroll bars, the wheel's lines and the arrow keys.
inline constexpr int kViewLineStep = 40;
inline constexpr int kViewKeyStep = 30;

// The program's magnifier cursor: a magnifying glass of 32 x 32 pixels with
// its hot spot at 16, 16, drawn once by our own code.
const QCursor& magnifierCursor();

// Where the window lies, kept by the main window with every other window's
// position (the section "Sz_" + component name). Either may be missing.
struct WindowPlaceHooks {
    // The remembered bounds of a window; false when there are none.
    std::function<bool(const QString& name, QRect& bounds, bool& maximised)> restore;
    std::function<void(const QString& name, const QRect& normalBounds, bool maximised)> save;
};

// IJLImage: owns one picture and paints it stretched to its own bounds.
class TIJLImage : public QWidget {
public:
    explicit TIJLImage(QWidget* parent = nullptr);
    void setPicture(const QImage& picture);
    void clearPicture();
    const QImage& picture() const { return picture_; }

protected:
    void paintEvent(QPaintEvent* e) override;

private:
    QImage picture_;
    QImage scaled_;  // the picture at the size last painted
};

// ScrollBox: the picture control inside a scroll area whose range reaches the
// picture's far edges; the mouse wheel moves it by whole notches.
class TViewScrollBox : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TViewScrollBox(QWidget* parent = nullptr);
    // The picture's bounds at scroll position 0,0; sets the ranges.
    void setContentBounds(const QRect& bounds);
    QRect contentBounds() const { return content_; }
    QPoint scrollPosition() const;
    void setScrollPosition(const QPoint& p);
    QSize clientSize() const;
    TIJLImage* image() const { return image_; }
    // A wheel turn of `delta` (120 a notch, upwards positive): the deltas add
    // up per direction, and each full notch scrolls the system's lines per
    // notch, one line being the scroll step. True when a step was taken.
    bool wheelTurn(int delta);

signals:
    // The client area changed size.
    void clientResized();

protected:
    void scrollContentsBy(int dx, int dy) override;
    bool viewportEvent(QEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;

private:
    void updateRanges();
    void placeImage();

    TIJLImage* image_;
    QRect content_;
    int wheelSum_ = 0;  // wheel deltas of the current direction not yet turned into a step
};

class TViewForm : public QWidget {
    Q_OBJECT
public:
    explicit TViewForm(Messages& messages, QWidget* parent = nullptr);
    ~TViewForm() override;

    // ShowPicture: gives the viewer a picture and shows it fitted to the
    // window. A stream holding a JPEG (decoded at full size), a bitmap, a
    // metafile's bytes, or a file loaded by its kind. False when nothing
    // could be shown: a missing or unsupported file beeps, a JPEG the codec
    // rejects has its status-bar report; the viewer is then not opened (an
    // open one stays open and empty).
    bool ShowPicture(const QByteArray& jpeg);
    bool ShowPicture(const QImage& bitmap);
    bool ShowMetafile(const QByteArray& metafile);
    bool ShowPicture(const QString& fileName);

    WindowPlaceHooks placeHooks;
    int helpContext() const { return kViewHelpContext; }

    const ViewLayout& layout() const { return layout_; }
    QString namePart() const { return namePart_; }
    // The zoom rectangle on the screen, in client coordinates of the scroll
    // box; empty when none is drawn.
    QRect zoomRectangle() const;
    bool dragging() const { return dragging_; }

    // Writes the window's position through placeHooks (at close and when the
    // program saves its window positions).
    void savePlacement();

    QWidget* FocusControl = nullptr;
    TViewScrollBox* ScrollBox = nullptr;
    TIJLImage* IJLImage = nullptr;

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;
    void showEvent(QShowEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    bool begin();
    bool finish(const QImage& picture);
    void showWindow();
    void runLayout();
    void applyToWidgets();
    void restorePlacement();
    // While a modal dialog is open the viewer belongs to it, so that it takes
    // input and stays above it; it comes back once the dialog has gone.
    void followModal();
    void returnHome();
    void reshow();

    void mousePress(QMouseEvent* e, const QPoint& client);
    void mouseMove(QMouseEvent* e, const QPoint& client);
    void mouseRelease(QMouseEvent* e, const QPoint& client);
    QPoint toPicture(const QPoint& client) const;
    QPoint confined(const QPoint& client) const;

    Messages& messages_;
    ViewLayout layout_;
    QString namePart_;
    bool pendingClick_ = false;
    bool dragging_ = false;
    QPoint first_, second_;  // picture coordinates
    QWidget* band_ = nullptr;  // draws the zoom rectangle over the picture
    bool placed_ = false;
    bool inLayout_ = false;
    bool reshowing_ = false;
    QPointer<QWidget> home_;
    QPointer<QWidget> modal_;
};

}  // namespace zb
