#pragma once
// The save-as flow with real dialogs: a file dialog offering the picture types
// and the JPEG quality dialog.
#include "imaging/save_picture.h"

#include <QStringList>

class QWidget;

namespace zb {

// Qt name filters from a "description|pattern|…" filter.
QStringList QtNameFilters(const QString& filter);

class SavePictureWidgets : public SavePictureDialogs {
public:
    explicit SavePictureWidgets(QWidget* parent) : parent_(parent) {}
    std::optional<SaveChoice> chooseFile(const QString& filter, const QString& folder,
                                         const QString& fileName, int filterIndex) override;
    int askJpegQuality(const QString& fileName) override;
    void writing(bool busy) override;

private:
    QWidget* parent_;
};

// Saves the graphic through the dialogs; true when a file was written.
bool SavePictureAs(QWidget* parent, Messages& messages, const Graphic& graphic, const QString& proposedName);

}  // namespace zb
