#pragma once
// The selection-size dialog: which size 範囲指定 places, and the three custom
// sizes. 終了 writes the choice and the custom sizes to ZB_G.INI.
#include "imaging/selection_sizes.h"

#include <QDialog>

class QButtonGroup;
class QGroupBox;
class QPushButton;
class QSpinBox;

namespace zb {

class Messages;

inline const QString kSelectionSizesNotSaved = QStringLiteral("設定ファイル（ZB_G.INI）を保存できませんでした。");

class TFrm_BitSet : public QDialog {
    Q_OBJECT
public:
    TFrm_BitSet(Messages& messages, const QString& settingsFolder, QWidget* parent = nullptr);

    const SelectionSizes& sizes() const { return sizes_; }

    QGroupBox* RadioGroup = nullptr;
    QButtonGroup* choices = nullptr;  // ids 0-6
    QSpinBox* widthBox = nullptr;
    QSpinBox* heightBox = nullptr;
    QPushButton* confirmButton = nullptr;  // 確定
    QPushButton* endButton = nullptr;      // 終了
    QPushButton* cancelButton = nullptr;   // ｷｬﾝｾﾙ

    void confirmClicked();
    void endClicked();

private:
    void choiceChanged(int id);

    Messages& messages_;
    QString folder_;
    SelectionSizes sizes_;
};

}  // namespace zb
