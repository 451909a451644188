#include "imaging/ui/save_picture_dialog.h"

#include "imaging/ui/frm_bitjpeg.h"

#include <QApplication>
#include <QFileDialog>

namespace zb {

QStringList QtNameFilters(const QString& filter)
{
    // Pairs of description and pattern; the description already shows the
    // pattern in parentheses, which is what Qt matches on.
    const QStringList parts = filter.split(QLatin1Char('|'), Qt::SkipEmptyParts);
    QStringList out;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2)
        out << parts[i];
    return out;
}

std::optional<SaveChoice> SavePictureWidgets::chooseFile(const QString& filter, const QString& folder,
                                                         const QString& fileName, int filterIndex)
{
    QFileDialog dialog(parent_);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    // The overwrite question comes after the extension is forced, not here.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    const QStringList filters = QtNameFilters(filter);
    dialog.setNameFilters(filters);
    if (filterIndex >= 1 && filterIndex <= filters.size())
        dialog.selectNameFilter(filters[filterIndex - 1]);
    dialog.setDirectory(folder);
    dialog.selectFile(fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    const int chosen = int(filters.indexOf(dialog.selectedNameFilter())) + 1;
    return SaveChoice{dialog.selectedFiles().first(), chosen > 0 ? chosen : 1};
}

int SavePictureWidgets::askJpegQuality(const QString& fileName)
{
    return AskJpegQuality(fileName, parent_);
}

void SavePictureWidgets::writing(bool busy)
{
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

bool SavePictureAs(QWidget* parent, Messages& messages, const Graphic& graphic, const QString& proposedName)
{
    SavePictureWidgets dialogs(parent);
    return SavePictureAs(dialogs, messages, graphic, proposedName);
}

}  // namespace zb
