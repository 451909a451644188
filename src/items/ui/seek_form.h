#pragma once
// TSeekForm: the search window "移動". Its lists follow the mode (一覧 or
// 移動); the item decides whether the text box or the two range boxes take
// the input; Enter in an input box runs the search, Escape closes. The work
// is the owner's: the window hands over a request.
#include "items/photo_search.h"

#include <QDialog>
#include <functional>
#include <optional>

class QComboBox;
class QLabel;
class QPushButton;

namespace zb::items {

class THistoryCombo;

// The options as the settings keep them (list positions).
struct SeekOptions {
    bool iciran = true;  // MainSeekIciran
    int koumoku = 0;     // MainSeekKoumoku
    int pos = 1;         // MainSeekPos
    int style = 2;       // MainSeekStyle
    int hanniSt = 0;     // MainSeekHanniSt
    int hanniEn = 0;     // MainSeekHanniEn
    int sort = 0;        // MainSeekSort
};

// One search as the window asks for it.
struct SeekRequest {
    bool listMode = true;
    SeekQuery query;
    SearchDirection direction = SearchDirection::FromFirst;  // 一覧: FromFirst or Down (現在階層から下に)
    std::optional<SeekKind> sort;                             // 一覧 only
};

class TSeekForm : public QDialog {
    Q_OBJECT
public:
    // `today` fills the date example of the item list.
    TSeekForm(QString todayYmd, QWidget* parent = nullptr);

    void setOptions(const SeekOptions& o);
    SeekOptions options() const;
    SeekRequest request() const;

    // The owner's work: a search, the release of list mode (when the window
    // is switched to 移動), and saving the options.
    std::function<void(const SeekRequest&)> onSearch;
    std::function<void()> onRelease;
    std::function<void(const SeekOptions&)> onSaveOptions;

    void runSearch();

    QComboBox* modeBox() const { return iciran_; }
    QComboBox* itemBox() const { return ken_; }
    QComboBox* directionBox() const { return pos_; }
    QComboBox* methodBox() const { return mode_; }
    QComboBox* levelStBox() const { return levelSt_; }
    QComboBox* levelEnBox() const { return levelEn_; }
    QComboBox* sortBox() const { return sort_; }
    THistoryCombo* textBox() const { return str1_; }
    THistoryCombo* lowerBox() const { return str2_; }
    THistoryCombo* upperBox() const { return str3_; }
    QPushButton* searchButton() const { return search_; }

protected:
    void closeEvent(QCloseEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    void modeChanged();
    void itemChanged();
    void fillModeLists(bool listMode);

    QString today_;
    QComboBox* iciran_;
    QComboBox* ken_;
    QComboBox* pos_;
    QComboBox* mode_;
    QComboBox* levelSt_;
    QComboBox* levelEn_;
    QComboBox* sort_;
    THistoryCombo* str1_;
    THistoryCombo* str2_;
    THistoryCombo* str3_;
    QPushButton* search_;
    QPushButton* close_;
    bool building_ = false;
    bool lowerChanged_ = false;  // the lower bound was typed into since the upper box was last entered
};

}  // namespace zb::items
