#pragma once
// The picture of the image-processing dialog at its display ratio, with the
// selection rectangle drawn over it. On the trimming page a drag with the left
// button makes a selection, the arrow keys move it (with Shift by five, with
// Ctrl they change its size) and Delete removes it.
#include <QImage>
#include <QPoint>
#include <QWidget>

namespace zb {

class PictureEditor;

class PictureCanvas : public QWidget {
    Q_OBJECT
public:
    PictureCanvas(PictureEditor& editor, QWidget* parent = nullptr);

    // The picture or the display ratio changed: the shown picture is made anew.
    void pictureChanged();
    // Selections are made only while the trimming page is shown.
    void setSelecting(bool on) { selecting_ = on; }
    bool selecting() const { return selecting_; }

    // A drag starts once the pointer moved this far in both directions.
    static constexpr int kDragStart = 6;
    // The side of the handles at the selection's corners, in display pixels.
    static constexpr int kHandle = 3;

signals:
    void selectionChanged();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    QPoint inside(QPoint p) const;

    PictureEditor& editor_;
    QImage shown_;
    bool selecting_ = false;
    bool pressed_ = false;
    bool dragging_ = false;
    QPoint from_;
};

}  // namespace zb
