#pragma once
// The print preview "印刷プレビュー": one page drawn as printing would draw
// it, at a zoom from the list or fitted to the window, with page buttons,
// 印刷 and 用紙.
#include <QDialog>
#include <QSizeF>
#include <functional>

class QComboBox;
class QLabel;
class QPainter;
class QPushButton;
class QScrollArea;

namespace zb {

class Messages;

struct PreviewSource {
    int lastPage = 1;
    // The sheet of a page in mm, its orientation applied.
    std::function<QSizeF(int page)> paperMm;
    // Draws a page's parts at `pixelsPerMm` from the sheet's corner.
    std::function<void(int page, QPainter& painter, double pixelsPerMm)> drawPage;
    // 印刷 and 用紙; either may be empty (its button is then disabled).
    std::function<void()> print;
    std::function<void()> paper;
};

class TPrvForm : public QDialog {
    Q_OBJECT
public:
    TPrvForm(PreviewSource source, int startPage, Messages& messages, QWidget* parent = nullptr);

    int page() const { return page_; }
    // Shows a page, clamped to 1…last page.
    void showPage(int page);
    // Picks an entry of the zoom list.
    void setZoomIndex(int index);
    int zoomIndex() const;
    // The zoom the page is drawn at now, in percent.
    double shownPercent() const { return shownPercent_; }
    // Redraws the page (after 用紙 changed the paper, say).
    void refresh();

    QPushButton* nextButton() const { return next_; }
    QPushButton* previousButton() const { return previous_; }
    QPushButton* jumpButton() const { return jump_; }
    QPushButton* zoomInButton() const { return zoomIn_; }
    QPushButton* zoomOutButton() const { return zoomOut_; }
    QComboBox* zoomBox() const { return zoom_; }
    QLabel* pageLabel() const { return pageLabel_; }
    // The page as last drawn.
    const QImage& pageImage() const { return image_; }

protected:
    bool eventFilter(QObject* watched, QEvent* e) override;

private:
    double percentFor(int index) const;
    void render();

    PreviewSource source_;
    Messages& messages_;
    int page_ = 1;
    double shownPercent_ = 100;
    QImage image_;
    QComboBox* zoom_;
    QPushButton* zoomIn_;
    QPushButton* zoomOut_;
    QPushButton* previous_;
    QPushButton* next_;
    QPushButton* jump_;
    QScrollArea* scroll_;
    QLabel* canvas_;
    QLabel* pageLabel_;
    QLabel* status_;
};

}  // namespace zb
