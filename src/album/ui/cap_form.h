#pragma once
// "詳細設定": the text details of the selected parts (character and line
// pitch, placement, direction, shadow, frame, fitting and the text itself)
// in a small window that stays above the editor.
#include "album/parts_box.h"

#include <QWidget>
#include <functional>
#include <optional>

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QPlainTextEdit;
class QPushButton;

namespace zb::album {

class TCapForm : public QWidget {
    Q_OBJECT
public:
    explicit TCapForm(QWidget* parent = nullptr);
    // Shows the values of a part; nothing selected disables the controls.
    void showPart(const TPartsBox* part);
    // Applies the value of the control that changed to a part.
    void apply(TPartsBox& part, const QObject* control) const;

    QDoubleSpinBox* pitchBox() const { return pitch_; }
    QComboBox* alignmentBox() const { return alignment_; }
    QComboBox* shadowBox() const { return kage_; }
    QPlainTextEdit* textBox() const { return text_; }
    QPushButton* shadowColorButton() const { return kageColor_; }
    QPushButton* frameColorButton() const { return wakuColor_; }
    QPushButton* fontButton() const { return font_; }

    // The choosers of 影色, 枠色 and フォント; tests replace them.
    std::function<std::optional<quint32>(quint32 current, const QString& title)> chooseColor;
    std::function<std::optional<PartFont>(const PartFont& current)> chooseFont;

signals:
    void changed(const QObject* control);

private:
    bool showing_ = false;
    QDoubleSpinBox* pitch_;
    QDoubleSpinBox* linePitch_;
    QComboBox* alignment_;
    QComboBox* layout_;
    QComboBox* rotate_;
    QComboBox* kage_;
    QCheckBox* waku_;
    QCheckBox* justfit_;
    QPlainTextEdit* text_;
    QPushButton* kageColor_;
    QPushButton* wakuColor_;
    QPushButton* font_;
    quint32 kageColorValue_ = kSilver;
    quint32 wakuColorValue_ = kGray;
    PartFont fontValue_;
};

}  // namespace zb::album
