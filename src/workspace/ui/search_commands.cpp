#include "workspace/ui/search_commands.h"

#include "core/busy.h"
#include "core/ports.h"
#include "items/master.h"
#include "items/photo_search.h"
#include "items/ui/mast_form.h"
#include "items/ui/miss_form.h"
#include "settings/settings.h"
#include "store/job_life.h"
#include "store/table_network.h"
#include "workspace/master_pour.h"
#include "workspace/ui/photo_list_panel.h"
#include "workspace/ui/tree_view.h"

#include <QApplication>
#include <QDate>
#include <QFileDialog>
#include <QFileInfo>
#include <QPainter>
#include <QTimer>

namespace zb {

namespace {

// The tree's icons in list mode: the same pictures in grey.
QIcon listModeTreeIcon(int index)
{
    static QList<QIcon> icons = [] {
        QList<QIcon> out;
        for (int i = 0; i < 10; ++i) {
            QImage img = treeIcon(i).pixmap(16, 16).toImage().convertToFormat(QImage::Format_ARGB32);
            for (int y = 0; y < img.height(); ++y)
                for (int x = 0; x < img.width(); ++x) {
                    const QRgb c = img.pixel(x, y);
                    const int g = 128 + qGray(c) / 2;
                    img.setPixel(x, y, qRgba(g, g, g, qAlpha(c)));
                }
            out << QIcon(QPixmap::fromImage(img));
        }
        return out;
    }();
    return icons.value(index);
}

void setBase(QWidget* w, const QColor& base, const QColor& text)
{
    if (!w)
        return;
    QPalette pal = w->palette();
    pal.setColor(QPalette::Base, base);
    pal.setColor(QPalette::Text, text);
    w->setPalette(pal);
}

// Restores the cursor in every exit path.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

}  // namespace

TSearchCommands::TSearchCommands(const Folders& folders, JobLife& job, HierarchyModel& tree, TTreePanel* treePanel,
                                 TPhotoListPanel* photoList, Messages& messages, Progress& progress, QWidget* window,
                                 QObject* parent)
    : QObject(parent), folders_(folders), job_(job), tree_(tree), treePanel_(treePanel), photoList_(photoList),
      messages_(messages), progress_(progress), window_(window)
{
    // A tree read afresh (another job) is not the tree the list came from.
    connect(&tree_, &QAbstractItemModel::modelAboutToBeReset, this, [this] { releaseListMode(false); });
}

TSearchCommands::~TSearchCommands()
{
    delete mastForm_.data();
    delete seekForm_.data();
    delete missForm_.data();
}

int TSearchCommands::folderIndex(const FolderNode* node) const
{
    return node ? int(tree_.allFolders().indexOf(const_cast<FolderNode*>(node))) : -1;
}

// ------------------------------------------------------------------ list mode

void TSearchCommands::setListLook(bool on)
{
    if (photoList_ && photoList_->listView()) {
        QWidget* list = photoList_->listView();
        if (on) {
            if (!listPalette_)
                listPalette_ = list->palette();
            setBase(list, kListModeListColor, Qt::black);
        } else if (listPalette_) {
            list->setPalette(*listPalette_);
            listPalette_.reset();
        }
    }
    if (treePanel_) {
        setBase(treePanel_->TV_Tree, on ? kListModeTreeColor : kTreeBackground, on ? kListModeTreeText : Qt::black);
        tree_.iconProvider = on ? [](int i) { return QVariant(listModeTreeIcon(i)); }
                                : [](int i) { return QVariant(treeIcon(i)); };
        treePanel_->TV_Tree->viewport()->update();
        treePanel_->setEnabled(!on);
    }
}

void TSearchCommands::enterListMode(const QList<RECORD>& records)
{
    listMode_ = true;
    tree_.setListMode(true);
    if (photoList_)
        photoList_->showRecords(records);
    setListLook(true);
    if (hooks.removePhotoTab)
        hooks.removePhotoTab();
    if (hooks.setListClearVisible)
        hooks.setListClearVisible(true);
    if (hooks.restartButtonTimer)
        hooks.restartButtonTimer();
}

bool TSearchCommands::releaseListMode(bool tell)
{
    if (!listMode_)
        return false;
    if (tell)
        messages_.information(items::kListModeReleased);
    listMode_ = false;
    tree_.setListMode(false);
    setListLook(false);
    if (photoList_)
        photoList_->stopShowingRecords(tree_.selected());
    if (hooks.setListClearVisible)
        hooks.setListClearVisible(false);
    if (hooks.restartButtonTimer)
        hooks.restartButtonTimer();
    return true;
}

void TSearchCommands::showSelectedPhotosFolder()
{
    if (!listMode_ || !photoList_)
        return;
    const QList<RECORD> sel = photoList_->selectedRecords();
    if (sel.size() != 1)
        return;
    for (FolderNode* f : tree_.allFolders())
        if (f != tree_.unclassified() && f != tree_.recycle() && f->photos.contains(sel.first())) {
            for (FolderNode* p = f->parent; p; p = p->parent)
                tree_.setExpanded(p, true);
            tree_.select(f);
            if (treePanel_)
                treePanel_->TV_Tree->scrollTo(tree_.indexOf(f));
            return;
        }
}

// ------------------------------------------------------------------ search

bool TSearchCommands::runSearch(const items::SeekRequest& request)
{
    if (!job_.isOpen())
        return false;
    TTableNetWork& table = job_.photoTable();
    PhotoFields fields;
    fields.lookUp(table);
    const Hierarchy folders = tree_.toHierarchy();
    const QList<FolderNode*> nodes = tree_.allFolders();

    if (request.listMode) {
        WaitCursor wait;
        const int subtree =
            request.direction == items::SearchDirection::Down ? folderIndex(tree_.selected()) : -1;
        std::optional<QList<RECORD>> found;
        {
            BusyMark::Scope busy;
            found = items::listSearch(folders, table, fields, request.query, subtree, request.sort, progress_);
        }
        if (!found)
            return false;
        if (found->isEmpty()) {
            messages_.information(items::kSeekNotFound);
            return false;
        }
        // A new list replaces the one shown.
        listMode_ = false;
        tree_.setListMode(false);
        enterListMode(*found);
        return true;
    }

    const int current = folderIndex(tree_.selected());
    if (request.query.kind == items::SeekKind::Folder) {
        const int at = items::folderJump(folders, request.query, request.direction, current);
        if (at < 0 || at >= nodes.size()) {
            messages_.information(items::kSeekNotFound);
            return false;
        }
        for (FolderNode* p = nodes[at]->parent; p; p = p->parent)
            tree_.setExpanded(p, true);
        tree_.select(nodes[at]);
        return true;
    }
    int position = -1;
    if (photoList_ && !photoList_->selectedRecords().isEmpty())
        position = photoList_->currentIndex();
    const items::PhotoHit hit =
        items::jumpSearch(folders, table, fields, request.query, request.direction, current, position);
    if (!hit.found() || hit.folder >= nodes.size()) {
        messages_.information(items::kSeekNotFound);
        return false;
    }
    for (FolderNode* p = nodes[hit.folder]->parent; p; p = p->parent)
        tree_.setExpanded(p, true);
    if (tree_.selected() != nodes[hit.folder])
        tree_.select(nodes[hit.folder]);
    if (photoList_) {
        if (photoList_->folder() != nodes[hit.folder])
            photoList_->showFolder(nodes[hit.folder]);
        photoList_->selectRow(hit.position);
        if (photoList_->listView())
            photoList_->listView()->setFocus();
    }
    return true;
}

void TSearchCommands::openSearch()
{
    job_.save();  // the photo grid's values are searched too
    if (!seekForm_) {
        seekForm_ = new items::TSeekForm(QDate::currentDate().toString(QStringLiteral("yyyyMMdd")), window_);
        const Settings& s = appSettings();
        seekForm_->setOptions({s.mainSeekIciran, s.mainSeekKoumoku, s.mainSeekPos, s.mainSeekStyle,
                               s.mainSeekHanniSt, s.mainSeekHanniEn, s.mainSeekSort});
        seekForm_->onSearch = [this](const items::SeekRequest& r) { runSearch(r); };
        seekForm_->onRelease = [this] { releaseListMode(true); };
        seekForm_->onSaveOptions = [](const items::SeekOptions& o) {
            Settings& s = appSettings();
            s.mainSeekIciran = o.iciran;
            s.mainSeekKoumoku = o.koumoku;
            s.mainSeekPos = o.pos;
            s.mainSeekStyle = o.style;
            s.mainSeekHanniSt = o.hanniSt;
            s.mainSeekHanniEn = o.hanniEn;
            s.mainSeekSort = o.sort;
        };
    }
    seekForm_->show();
    seekForm_->raise();
    seekForm_->activateWindow();
}

// ------------------------------------------------------------------ check

items::MissCheckResult TSearchCommands::runCheck(int range, bool listModeAllowed)
{
    items::MissCheckResult result;
    if (!job_.isOpen())
        return result;
    WaitCursor wait;
    job_.save();
    TTableNetWork& table = job_.photoTable();
    PhotoFields fields;
    fields.lookUp(table);
    {
        BusyMark::Scope busy;
        result = items::checkMissingInput(job_.file().header, tree_.toHierarchy(), table, fields, range,
                                          listModeAllowed, progress_);
    }
    if (listModeAllowed && !result.gaps.isEmpty()) {
        listMode_ = false;
        tree_.setListMode(false);
        enterListMode(result.gaps);
    }
    return result;
}

void TSearchCommands::openCheck()
{
    if (!missForm_) {
        missForm_ = new items::TMissForm(window_);
        missForm_->onCheck = [this](int range) { return runCheck(range, true).lines; };
        missForm_->readRange = [] { return appSettings().missHanni; };
        missForm_->writeRange = [](int r) { appSettings().missHanni = r; };
    }
    missForm_->show();
    missForm_->raise();
    missForm_->activateWindow();
}

// ------------------------------------------------------------------ masters

bool TSearchCommands::pour(const QString& caption)
{
    if (listMode_)
        return false;
    if (!pourMasterEntry(tree_, caption, messages_))
        return false;
    job_.setChanged();
    return true;
}

void TSearchCommands::openMaster()
{
    if (!mastForm_) {
        const bool shared = folders_.shared && folders_.mastShared;
        master_ = std::make_unique<items::TMaster>(folders_.mastFile, shared ? folders_.tempFile : QString(), messages_);
        {
            WaitCursor wait;
            master_->load(appSettings().mastFileName);
        }
        items::MastFormHooks h;
        h.canPour = [this] { return !listMode_ && tree_.canAddFromMaster(); };
        h.pour = [this](const QString& caption) { pour(caption); };
        h.jobPath = [this] { return jobFolderPath(tree_); };
        h.chooseCsv = [this](const QString& start) -> std::optional<QString> {
            const QString f = QFileDialog::getOpenFileName(mastForm_, QStringLiteral("読込"), start,
                                                           QStringLiteral("CSV (*.CSV *.csv)"));
            return f.isEmpty() ? std::nullopt : std::optional(f);
        };
        h.chooseMaster = [this](const QString& dir) -> std::optional<QString> {
            const QString f = QFileDialog::getSaveFileName(mastForm_, QStringLiteral("切替"), dir,
                                                           QStringLiteral("マスタ (*.DB)"), nullptr,
                                                           QFileDialog::DontConfirmOverwrite);
            return f.isEmpty() ? std::nullopt : std::optional(QFileInfo(f).completeBaseName());
        };
        h.masterSwitched = [](const QString& name) { appSettings().mastFileName = name; };
        h.programDir = folders_.programDir;
        h.mastDir = folders_.mastFile;
        mastForm_ = new items::TMastForm(*master_, messages_, std::move(h), window_);
        const Settings& s = appSettings();
        mastForm_->setOptions({s.mastSeekStyle, s.mastSeekPos, s.mastSeekHanniSt, s.mastSeekHanniEn});
        if (shared && s.netMasterRefresh)
            mastForm_->setWatchInterval(s.netMastTime * 1000);
        connect(mastForm_, &items::TMastForm::closed, this, [this] {
            const items::MastSearchOptions o = mastForm_->options();
            Settings& s = appSettings();
            s.mastSeekStyle = o.style;
            s.mastSeekPos = o.pos;
            s.mastSeekHanniSt = o.hanniSt;
            s.mastSeekHanniEn = o.hanniEn;
        });
        // The pour button follows the job hierarchy's selection.
        connect(&tree_, &HierarchyModel::selectedChanged, mastForm_, [this] { mastForm_->refreshButtons(); });
    }
    mastForm_->show();
    mastForm_->raise();
    mastForm_->activateWindow();
}

void TSearchCommands::installHandlers(const std::function<void(const QString&, std::function<void()>)>& setHandler)
{
    setHandler(QStringLiteral("SB_Master"), [this] { openMaster(); });
    setHandler(QStringLiteral("Mn_Search"), [this] { openSearch(); });
    setHandler(QStringLiteral("Mn_ListClear"), [this] { releaseListMode(true); });
    setHandler(QStringLiteral("Mn_MissCheck"), [this] { openCheck(); });
    if (hooks.sankoTimer)
        connect(hooks.sankoTimer, &QTimer::timeout, this, [this] { showSelectedPhotosFolder(); });
    if (hooks.setListClearVisible)
        hooks.setListClearVisible(false);
}

}  // namespace zb
