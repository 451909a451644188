#pragma once
// "用紙共通設定": the paper of a format; for an album its initial format,
// print start offsets and page start number (with デフォルト to keep them as
// the settings); and, as 書式選択, the format an album pours into.
#include "album/format_list.h"
#include "album/paper_sizes.h"

#include <QDialog>

class QCheckBox;
class QDoubleSpinBox;
class QGroupBox;
class QLabel;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTreeWidget;

namespace zb {
struct Settings;
}

namespace zb::album {

struct SetPrnValues {
    bool defaults = false;
    QString formatName;  // file name with extension
    int pageStart = 1;
    Currency offsetX = 0, offsetY = 0;
    quint8 orientation = 0;
    int paperCode = 9;
};

class TSetPrnForm : public QDialog {
    Q_OBJECT
public:
    enum class Use {
        FormatPaper,   // a format's paper and orientation
        AlbumCommon,   // an album's initial format, offsets, page start, デフォルト
        FormatChoice,  // 書式選択: the format an album pours into
    };

    // `papers` are the printer's papers (use FormatPaper); `sort` is the
    // format list's sort, updated when a column header is clicked.
    TSetPrnForm(Use use, const SetPrnValues& values, const QList<PaperCode>& papers, const QString& formFolder,
                int sort, QWidget* parent = nullptr);

    // On OK only the values of the groups shown are meaningful.
    SetPrnValues values() const;
    int sort() const { return sort_; }

    // Keeps the album's choices as the defaults of new albums.
    static void storeDefaults(Settings& settings, const SetPrnValues& values);

    QTreeWidget* paperList() const { return paperList_; }
    QTreeWidget* formatList() const { return formatList_; }
    QPushButton* okButton() const { return ok_; }
    QLabel* previewLabel() const { return preview_; }
    QRadioButton* landscapeButton() const { return landscape_; }
    QCheckBox* defaultsBox() const { return defaults_; }
    QSpinBox* pageStartBox() const { return pageStart_; }
    QDoubleSpinBox* offsetXBox() const { return offsetX_; }

private:
    void fillFormats(const QString& select);
    void formatSelected();
    void updateOk();

    Use use_;
    int sort_;
    SetPrnValues initial_;
    QList<PaperCode> papers_;
    QList<FormatEntry> formats_;
    QTreeWidget* paperList_ = nullptr;
    QRadioButton* portrait_ = nullptr;
    QRadioButton* landscape_ = nullptr;
    QTreeWidget* formatList_ = nullptr;
    QLabel* preview_ = nullptr;
    QDoubleSpinBox* offsetX_ = nullptr;
    QDoubleSpinBox* offsetY_ = nullptr;
    QSpinBox* pageStart_ = nullptr;
    QCheckBox* defaults_ = nullptr;
    QPushButton* ok_ = nullptr;
};

}  // namespace zb::album
