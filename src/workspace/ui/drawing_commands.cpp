#include "workspace/ui/drawing_commands.h"

#include "store/job_life.h"
#include "store/table_network.h"
#include "workspace/drawing_list.h"
#include "workspace/hierarchy_model.h"
#include "workspace/ui/photo_list_panel.h"
#include "workspace/ui/sanko_form.h"

namespace zb {

TDrawingCommands::TDrawingCommands(JobLife& job, HierarchyModel& tree, TPhotoListPanel& list, Messages& messages,
                                   QWidget* window, QObject* parent)
    : QObject(parent), job_(job), tree_(tree), list_(list), messages_(messages), window_(window)
{
    runChooser = [](TSankoForm& form) { return form.exec() == QDialog::Accepted; };
}

void TDrawingCommands::chooseRegistered()
{
    const QList<RECORD> selected = list_.selectedRecords();
    if (!job_.isOpen() || selected.size() != 1)
        return;
    const RECORD target = selected.first();
    TTableNetWork& table = job_.photoTable();
    PhotoFields fields;
    fields.lookUp(table);
    TSankoForm form(tree_.toHierarchy(), &table, fields, list_.look().thumbSize(), messages_, window_);
    if (!runChooser(form))
        return;
    FolderNode* node = tree_.findPath(form.chosenPath());
    const QList<RECORD> chosen = form.chosenPhotos();
    if (!node || chosen.isEmpty())
        return;
    job_.setChanged();
    const AttachResult r = attachRegisteredPhotos(table, fields, target, chosen, node->photos, messages_);
    if (!r.attached.isEmpty())
        tree_.photosChanged(node);
    // The photo list is shown again with the target photo selected.
    list_.refillPhotoList(TPhotoListPanel::kKeep);
    if (list_.listView()) {
        const int row = list_.listView()->rowOf(target);
        if (row >= 0)
            list_.selectRow(row);
        list_.listView()->setFocus();
    }
    list_.repaintRecord(target);
    list_.refillDrawingList();
}

void TDrawingCommands::installHandlers(const std::function<void(const QString&, std::function<void()>)>& setHandler)
{
    setHandler(QStringLiteral("Mn_DrawingPhoto"), [this] { chooseRegistered(); });
}

}  // namespace zb
