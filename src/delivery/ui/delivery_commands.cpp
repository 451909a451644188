#include "delivery/ui/delivery_commands.h"

#include "core/ports.h"
#include "delivery/delivery_check.h"
#include "delivery/delivery_export.h"
#include "delivery/delivery_import.h"
#include "delivery/delivery_rules.h"
#include "delivery/ui/xml_tree_form.h"
#include "imaging/jpeg_codec.h"
#include "imaging/ui/folder_form.h"
#include "settings/settings.h"
#include "store/job_life.h"
#include "store/table_network.h"
#include "workspace/hierarchy_model.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace zb {

namespace {

// The wait cursor for a scope.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

// The 適用要領基準 list: the editions, newest first, then the draft.
QStringList standardCodes()
{
    QStringList codes;
    for (const PhotoStandard& s : photoStandards())
        codes << s.code;
    return codes << kDraftStandard;
}

QList<TFolderForm::StandardEntry> standardEntries()
{
    QList<TFolderForm::StandardEntry> entries;
    for (const PhotoStandard& s : photoStandards())
        entries << TFolderForm::StandardEntry{photoStandardCaption(s), true};
    return entries << TFolderForm::StandardEntry{kDraftStandardCaption, false};
}

QString startFolder(const QString& remembered)
{
    return QFileInfo(remembered).isDir() ? remembered : QDir::homePath();
}

}  // namespace

TDeliveryCommands::TDeliveryCommands(JobLife& job, HierarchyModel& tree, Messages& messages, Progress& progress,
                                     QWidget* window, QObject* parent)
    : QObject(parent), job_(job), tree_(tree), messages_(messages), progress_(progress), window_(window)
{
    chooseFolder = [this](int mode, const QString& caption, const QString& message,
                          const FolderChoice& start) -> std::optional<FolderChoice> {
        TFolderForm form(window_);
        form.setWindowTitle(caption);
        form.setMessages(&messages_);
        form.setOriginalPictures(start.original);
        form.setViewer(start.viewer);
        form.setDiscImage(start.discImage);
        form.setDiscSize(start.discSize);
        const QStringList codes = standardCodes();
        if (mode == TFolderForm::kModeXmlWrite) {
            form.setStandards(standardEntries());
            form.setStandard(std::max(0, int(codes.indexOf(start.standard))));
        }
        form.setMode(mode);
        form.setMessage(message);
        form.setFolder(start.folder);
        form.showXml = [this](const QString& file) { showXmlFile(file, true); };
        form.checkDelivery = [this](const QString& folder) { checkFolder(folder); };
        if (form.exec() != QDialog::Accepted)
            return std::nullopt;
        const QString standard = mode == TFolderForm::kModeXmlWrite ? codes.value(form.standard()) : QString();
        return FolderChoice{form.folder(),    form.originalPictures(), form.viewer(), form.discImage(),
                            form.discSize(), standard};
    };
    openBrowser = [](const QString& page) { return QDesktopServices::openUrl(QUrl::fromLocalFile(page)); };
}

TDeliveryCommands::~TDeliveryCommands() = default;

ExportJob TDeliveryCommands::exportJob()
{
    ExportJob j;
    j.header = &job_.file().header;
    j.folders = &job_.file().folders;
    j.table = &job_.photoTable();
    j.fields.lookUp(job_.photoTable());
    j.sysFile = job_.folders().sysFile;
    j.programFilesDir = job_.folders().programFilesDir;
    return j;
}

void TDeliveryCommands::writeXml()
{
    if (!job_.isOpen() || job_.save() == SaveResult::Failed)
        return;
    const ExportJob job = exportJob();
    {
        WaitCursor wait;
        if (!exportCheckAllows(job, messages_))
            return;
    }
    Settings& s = appSettings();
    const QString remembered =
        standardCodes().contains(s.photoStandard) ? s.photoStandard : photoStandards().front().code;
    FolderChoice start{startFolder(s.xmlSavePath), s.orgGrphXml, s.viewHtmlFile, s.diskCheck, s.diskSize, remembered};
    const std::optional<FolderChoice> c =
        chooseFolder(TFolderForm::kModeXmlWrite, kExportCaption, kExportFolderMessage, start);
    if (!c)
        return;
    const bool draft = c->standard == kDraftStandard;
    s.xmlSavePath = c->folder;
    s.photoStandard = c->standard;
    // The current layout fixes the two options; the draft's own choice stays remembered.
    if (draft) {
        s.orgGrphXml = c->original;
        s.viewHtmlFile = c->viewer;
    }
    s.diskCheck = c->discImage;
    if (c->discSize >= 10 && c->discSize <= 9999)
        s.diskSize = c->discSize;
    ExportOptions o;
    o.folder = c->folder;
    o.standard = c->standard;
    o.original = draft && c->original;
    o.viewer = draft ? c->viewer : 0;
    o.discImage = c->discImage;
    o.discSize = c->discSize;
    o.jpegQuality = kDefaultJpegQuality;
    // The collected header and tree are what the export writes.
    job_.save();
    const ExportJob j = exportJob();
    std::optional<DeliverySet> set;
    {
        WaitCursor wait;
        set = exportedSet(j, o, messages_);
    }
    if (!set)
        return;
    if (set->layout == DeliveryLayout::Photo05) {
        QList<DeliveryFinding> findings;
        {
            WaitCursor wait;
            findings = checkDeliverySet(*set, j.header);
        }
        if (!findings.isEmpty() && !messages_.ask(deliveryCheckQuestion(findings)))
            return;
    }
    WaitCursor wait;
    writeDelivery(j, *set, o, messages_, progress_);
}

void TDeliveryCommands::checkFolder(const QString& folder)
{
    FolderCheck c;
    {
        WaitCursor wait;
        c = checkDeliveryFolder(folder);
    }
    messages_.information(folderCheckReport(c));
}

void TDeliveryCommands::readXml()
{
    Settings& s = appSettings();
    FolderChoice start{startFolder(s.xmlLoadPath)};
    std::optional<FolderChoice> c;
    for (;;) {
        c = chooseFolder(TFolderForm::kModeXmlRead, kImportCaptionXml, kImportFolderMessage, start);
        if (!c)
            return;
        s.xmlLoadPath = c->folder;
        start.folder = c->folder;
        if (QFileInfo(QDir::cleanPath(c->folder) + QStringLiteral("/PHOTO.XML")).isFile())
            break;
        messages_.information(kImportNoXml);
    }
    if (job_.isOpen() && job_.save() == SaveResult::Failed)
        return;
    DeliveryImportOptions o;
    o.folder = c->folder;
    o.libxml2 = s.msXmlParser;
    o.targetIsOpen = job_.isOpen() && job_.name() == kXmlImportJob;
    bool released = false;
    DeliveryImportResult r;
    {
        WaitCursor wait;
        r = importDelivery(job_.folders(), o, messages_, progress_, [&] {
            // The open ＸＭＬ入力 is closed before its files are replaced.
            if (job_.isOpen() && job_.name() == kXmlImportJob) {
                released = true;
                return job_.closeJob();
            }
            return true;
        });
    }
    if (r.outcome != DeliveryImportResult::Outcome::Imported && !released)
        return;
    if (job_.openChosen({kXmlImportJob, QString()}) == JobLife::OpenResult::Opened) {
        tree_.expandAll();
        tree_.select(tree_.unclassified());
    }
}

void TDeliveryCommands::writeHtml()
{
    if (!job_.isOpen() || job_.save() == SaveResult::Failed)
        return;
    Settings& s = appSettings();
    FolderChoice start{startFolder(s.htmlSavePath), s.orgGrphHtml};
    const std::optional<FolderChoice> c = chooseFolder(TFolderForm::kModeHtml, kHtmlCaption, kHtmlFolderMessage, start);
    if (!c)
        return;
    s.htmlSavePath = c->folder;
    s.orgGrphHtml = c->original;
    HtmlOptions o;
    o.folder = c->folder;
    o.original = c->original;
    o.jpegQuality = kDefaultJpegQuality;
    QString page;
    HtmlResult r;
    {
        WaitCursor wait;
        r = writeHtmlAlbum(exportJob(), o, messages_, progress_, &page);
    }
    if (r == HtmlResult::Done && openBrowser)
        openBrowser(page);
}

void TDeliveryCommands::showXmlFile(const QString& path, bool modal)
{
    if (!treeForm_)
        treeForm_ = new TXMLTreeForm(messages_, window_);
    treeForm_->showFile(path, appSettings().msXmlParser, modal);
}

void TDeliveryCommands::installHandlers(const std::function<void(const QString&, std::function<void()>)>& setHandler)
{
    setHandler(QStringLiteral("Mn_XML_Write"), [this] { writeXml(); });
    setHandler(QStringLiteral("Mn_XML_Read"), [this] { readXml(); });
    setHandler(QStringLiteral("Mn_Html"), [this] { writeHtml(); });
}

}  // namespace zb
