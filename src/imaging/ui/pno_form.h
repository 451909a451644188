#pragma once
// The panorama dialog: page 1 shows the left and right pictures with two
// markers each (the same features on both), page 2 the joined panorama with
// 編集 and 登録.
#include <QDialog>
#include <QImage>
#include <QPoint>
#include <QScrollArea>
#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QPushButton;
class QStackedWidget;

namespace zb {

class Messages;

// One pane: the picture 5 pixels in from its corner at the display ratio, and
// up to two markers, each a 16 x 16 cross whose centre is the marked point.
class TPnoPane : public QScrollArea {
    Q_OBJECT
public:
    explicit TPnoPane(QWidget* parent = nullptr);

    void setPicture(const QImage& picture);  // removes the markers, scrolls to the origin
    const QImage& picture() const { return picture_; }
    bool hasPicture() const { return !picture_.isNull(); }
    void setRatio(int percent);
    int ratio() const { return ratio_; }

    // Markers in placing order: their top-left corners on the canvas (the
    // picture starts at 5, 5 of the canvas).
    int markerCount() const { return int(markers_.size()); }
    QPoint markerPos(int i) const { return markers_[i]; }
    // The picture point a marker stands for.
    QPoint markerPoint(int i) const;
    void clearMarkers();
    int focusedMarker() const { return focused_; }

    QWidget* canvas() const { return widget(); }

signals:
    void changed();          // a marker was placed, moved or removed
    void emptyClicked();     // a click on the pane without a picture
    void filesDropped(const QStringList& files);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void resizeCanvas();
    int markerAt(QPoint canvasPos) const;
    QPoint clampMarker(QPoint pos) const;

    QImage picture_;
    int ratio_ = 50;
    QList<QPoint> markers_;
    QList<QPoint> points_;  // the picture points, kept across ratio changes
    int focused_ = -1;
    int dragging_ = -1;
    QPoint dragOffset_;
};

class TPnoForm : public QDialog {
    Q_OBJECT
public:
    TPnoForm(Messages& messages, QWidget* parent = nullptr);

    void setLeft(const QImage& picture);
    void setRight(const QImage& picture);
    bool loadFile(bool left, const QString& path);

    // What the dialog borrows; tests replace them.
    std::function<QString()> choosePicture;            // the photo file chooser, empty on 中止
    std::function<bool(QImage&)> editPicture;          // 編集: true when the picture was changed

    // 作成: the panorama on page 2, or page 1 kept when no panorama results.
    bool create();
    void back();
    void swapPictures();
    const QImage& result() const { return result_; }
    int page() const;

    TPnoPane* PL_Left = nullptr;
    TPnoPane* PL_Right = nullptr;
    QLabel* Message = nullptr;
    QComboBox* CB_Ritu = nullptr;
    QPushButton* BT_Left = nullptr;
    QPushButton* BT_Right = nullptr;
    QPushButton* BT_Swap = nullptr;
    QPushButton* BT_Create = nullptr;
    QPushButton* BT_Cancel1 = nullptr;
    QPushButton* BT_Back = nullptr;
    QPushButton* BT_Edit = nullptr;
    QPushButton* BT_Regist = nullptr;
    QPushButton* BT_Cancel2 = nullptr;
    QLabel* IKImage_OK = nullptr;

private:
    void updateState();
    void choose(bool left);
    void showResult();
    int ratio() const;

    Messages& messages_;
    QStackedWidget* pages_ = nullptr;
    QScrollArea* resultArea_ = nullptr;
    QImage result_;
};

}  // namespace zb
