#pragma once
// The sizes offered for the selection rectangle of the trimming page, kept in
// ZB_G.INI in the program folder: section Current, key SelSize (the choice
// 0-6), and section SelSizeCst, keys 1X, 1Y ... 3X, 3Y (three custom sizes).
#include <QSize>
#include <QString>

#include <array>

namespace zb {

inline const QString kSelectionSizesFile = QStringLiteral("ZB_G.INI");
// Custom sizes are 30...9999 pixels a side; 100 until one is stored.
inline constexpr int kCustomSideMin = 30;
inline constexpr int kCustomSideMax = 9999;
inline constexpr int kCustomSideDefault = 100;

struct SelectionSizes {
    // 0 the whole picture, 1 100 x 100, 2 640 x 480, 3 480 x 640, 4-6 the
    // custom sizes; -1 when the file holds no choice.
    int choice = -1;
    std::array<QSize, 3> custom{QSize(kCustomSideDefault, kCustomSideDefault),
                                QSize(kCustomSideDefault, kCustomSideDefault),
                                QSize(kCustomSideDefault, kCustomSideDefault)};

    // The size of a choice in picture pixels; an empty size is the whole picture
    // (choice 0, and a missing or unknown choice).
    QSize sizeOf(int choice) const;
    QSize chosenSize() const { return sizeOf(choice); }

    // Read from / written to ZB_G.INI in the folder. Reading a missing file
    // gives the defaults; save() returns false when the file cannot be written.
    static SelectionSizes load(const QString& folder);
    bool save(const QString& folder) const;
};

// The caption of a custom entry: "カスタム Ｗ" + width + "×Ｈ" + height, the
// numbers in full-width digits.
QString customSizeCaption(QSize size);

}  // namespace zb
