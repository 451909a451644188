#pragma once
// The JPEG quality dialog: seven choices in two columns, the default one
// preselected.
#include <QDialog>

class QButtonGroup;
class QGroupBox;
class QPushButton;
class QRadioButton;

namespace zb {

class TFrm_BitJPEG : public QDialog {
    Q_OBJECT
public:
    explicit TFrm_BitJPEG(QWidget* parent = nullptr);

    // The quality of the checked entry.
    int quality() const;

    QGroupBox* RadioGrp_JPEG = nullptr;
    QButtonGroup* buttons = nullptr;
    QPushButton* okButton = nullptr;
    QPushButton* cancelButton = nullptr;
};

// Shows the dialog for names ending in .JPG, .JPEG or .FPX and returns the
// chosen quality, or 0 when cancelled or when the name needs no quality.
int AskJpegQuality(const QString& fileName, QWidget* parent = nullptr);

}  // namespace zb
