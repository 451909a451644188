#pragma once
// The program's print dialog "印刷": printer (or a PDF file), paper and its
// source, orientation, page range and copies.
#include <QDialog>
#include <QList>
#include <QStringList>
#include <functional>

#include "album/paper_sizes.h"

class QCheckBox;
class QComboBox;
class QGroupBox;
class QRadioButton;
class QSpinBox;

namespace zb {

struct PrnDialogChoice {
    // Empty when the output is a PDF file.
    QString printer;
    bool toPdf = false;
    int paperCode = kPaperA4;
    int orientation = 0;
    bool allPages = true;
    bool selectionOnly = false;
    int from = 1;
    int to = 1;
    int copies = 1;
    bool collate = false;
};

class TPrnDialogForm : public QDialog {
    Q_OBJECT
public:
    // The entry of the printer list that writes a PDF file.
    static QString pdfEntry() { return QStringLiteral("PDF ファイルへ出力"); }

    // `printers` are the system's printer names; the PDF entry is added at
    // the end. `papersOf` gives a printer's papers (the PDF entry's name for
    // the PDF file). `lastPage` bounds the range; `rangeEnabled` false
    // disables the page range (a listing prints all).
    TPrnDialogForm(const QStringList& printers, std::function<QList<PaperCode>(const QString&)> papersOf,
                   const PrnDialogChoice& initial, int lastPage, bool rangeEnabled, QWidget* parent = nullptr);

    PrnDialogChoice choice() const;

    QComboBox* printerBox() const { return printer_; }
    QComboBox* paperBox() const { return paper_; }
    QRadioButton* pagesButton() const { return pages_; }
    QSpinBox* fromBox() const { return from_; }
    QSpinBox* toBox() const { return to_; }
    QSpinBox* copiesBox() const { return copies_; }
    QCheckBox* collateBox() const { return collate_; }
    QRadioButton* landscapeButton() const { return landscape_; }

signals:
    // 設定 was pressed for the printer shown.
    void propertiesRequested(const QString& printer);

private:
    void fillPapers(int selectCode);

    std::function<QList<PaperCode>(const QString&)> papersOf_;
    QList<PaperCode> papers_;
    QComboBox* printer_;
    QComboBox* paper_;
    QComboBox* source_;
    QRadioButton* portrait_;
    QRadioButton* landscape_;
    QRadioButton* all_;
    QRadioButton* pages_;
    QRadioButton* selection_;
    QSpinBox* from_;
    QSpinBox* to_;
    QSpinBox* copies_;
    QCheckBox* collate_;
};

}  // namespace zb
