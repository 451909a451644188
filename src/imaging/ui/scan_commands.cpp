#include "imaging/ui/scan_commands.h"

#include "core/ports.h"
#include "imaging/graphic_kind.h"
#include "imaging/jpeg_codec.h"
#include "imaging/panorama.h"
#include "imaging/photo_edits.h"
#include "imaging/picture_editor.h"
#include "imaging/scanner.h"
#include "imaging/stored_pictures.h"
#include "imaging/ui/frm_bithenkan.h"
#include "imaging/ui/graphic_select_form.h"
#include "imaging/ui/pno_form.h"
#include "imaging/ui/twain_form.h"
#include "imaging/import.h"
#include "settings/settings.h"
#include "store/job_life.h"
#include "store/table_network.h"

#include <QCoreApplication>
#include <QDir>

namespace zb {

namespace {

ScanSettings fromAppSettings(const Settings& a)
{
    ScanSettings s;
    s.mode = a.twainUser;
    s.paper = a.twainPaper;
    s.orient = a.twainOrient;
    s.marginOn = a.twainFuchiSw;
    s.margin = a.twainFuchi;
    s.feeder = a.twainKyusi;
    s.dpi = a.twainDpi;
    s.brightness = a.twainBright;
    s.contrast = a.twainCont;
    return clampedScanSettings(s);
}

void toAppSettings(const ScanSettings& s, Settings& a)
{
    a.twainUser = s.mode;
    a.twainPaper = s.paper;
    a.twainOrient = s.orient;
    a.twainFuchiSw = s.marginOn;
    a.twainFuchi = s.margin;
    a.twainKyusi = s.feeder;
    a.twainDpi = s.dpi;
    a.twainBright = s.brightness;
    a.twainCont = s.contrast;
}

}  // namespace

TScanCommands::TScanCommands(JobLife& job, Messages& messages, QWidget* window, QObject* parent)
    : QObject(parent), job_(job), messages_(messages), window_(window)
{
    runTwain = [](TTwainForm& form) { form.exec(); };
    runPanorama = [](TPnoForm& form) { return form.exec() == QDialog::Accepted; };
}

TScanCommands::~TScanCommands() = default;

TTwainForm* TScanCommands::twainForm() const { return twain_; }

QString TScanCommands::tempFolder() const { return job_.folders().localTemp; }

void TScanCommands::scan(bool drawing)
{
    if (!job_.isOpen())
        return;
    if (job_.changed())
        job_.saveJob();
    if (!twain_) {
        twain_ = new TTwainForm(messages_, window_);
        twain_->importFile = [this](const QString& file, bool d) {
            return hooks.importFile ? hooks.importFile(file, d) : false;
        };
    }
    twain_->tempFolder = tempFolder();
    // The scanner chosen in an earlier run of the program comes back from ZB.INI.
    if (deviceName_.isEmpty())
        deviceName_ = appSettings().scanDevice;
    if (deviceName_.isEmpty()) {
        // No source chosen yet in this run: the selection comes first.
        const QString chosen = twain_->chooseDevice ? twain_->chooseDevice(QString()) : QString();
        if (chosen.isEmpty())
            return;
        deviceName_ = chosen;
    }
    twain_->setDeviceName(deviceName_);
    twain_->setTarget(drawing);
    twain_->loadSettings(fromAppSettings(appSettings()));
    runTwain(*twain_);
    deviceName_ = twain_->deviceName();
    if (!deviceName_.isEmpty())
        appSettings().scanDevice = deviceName_;
    if (twain_->closedWithClose())
        toAppSettings(twain_->settings(), appSettings());
}

void TScanCommands::panoramaFromFiles()
{
    if (!job_.isOpen())
        return;
    const bool drawing = hooks.drawingListFocused && hooks.drawingListFocused();
    panorama(QImage(), QImage(), drawing);
}

void TScanCommands::panoramaFromPhotos()
{
    if (!job_.isOpen() || !hooks.focusedSelection)
        return;
    const bool drawing = hooks.drawingListFocused && hooks.drawingListFocused();
    const QList<RECORD> selection = hooks.focusedSelection();
    if (selection.size() < 2)
        return;
    TTableNetWork& table = job_.photoTable();
    PhotoFields fields;
    fields.lookUp(table);
    QImage pictures[2];
    for (int i = 0; i < 2; ++i) {
        if (!table.locate(selection[i]))
            return;
        const StoredPicture stored = currentPicture(table, fields);
        if (stored.kind == kKindMetafile)
            messages_.information(kPanoramaMetafileNotice);
        if (stored.bytes.isEmpty() || !DecodeStoredPicture(stored.bytes, stored.kind, pictures[i], 0, messages_)) {
            messages_.error(kPhotoReadFailed);
            return;
        }
    }
    panorama(pictures[0], pictures[1], drawing);
}

void TScanCommands::panorama(const QImage& left, const QImage& right, bool drawing)
{
    TPnoForm form(messages_, window_);
    form.choosePicture = [this, &form]() -> QString {
        TGrphSelForm chooser(messages_, &form);
        chooser.setWindowTitle(kImportCaption);
        chooser.setMask(ImportFileMask());
        chooser.setMultiSelect(false);
        Settings& s = appSettings();
        chooser.setFolder(s.graphPath.isEmpty() ? QCoreApplication::applicationDirPath() : s.graphPath);
        if (chooser.exec() != QDialog::Accepted || chooser.selectedFiles().isEmpty())
            return {};
        if (!chooser.folder().isEmpty())
            s.graphPath = chooser.folder();
        return chooser.selectedFiles().first();
    };
    form.editPicture = [this, &form](QImage& bitmap) {
        return EditPicture(bitmap, int(EditTab::Edit), false, &form,
                           hooks.settingsFolder ? hooks.settingsFolder() : QString());
    };
    if (!left.isNull())
        form.setLeft(left);
    if (!right.isNull())
        form.setRight(right);
    if (!runPanorama(form) || form.result().isNull())
        return;
    const QString folder = tempFolder();
    QDir().mkpath(folder);
    const QString path = QDir(folder).filePath(kScanTempName);
    if (!EncodeJpegFile(form.result(), path, false, kDefaultJpegQuality, messages_)) {
        messages_.information(kScanPageFailed);
        return;
    }
    if (hooks.importFile)
        hooks.importFile(path, drawing);
}

void TScanCommands::installHandlers(const std::function<void(const QString&, std::function<void()>)>& setHandler)
{
    setHandler(QStringLiteral("Mn_ImportTwain"), [this] { scan(false); });
    setHandler(QStringLiteral("Mn_DrawingTwain"), [this] { scan(true); });
    setHandler(QStringLiteral("Mn_PanoramaFile"), [this] { panoramaFromFiles(); });
    setHandler(QStringLiteral("Mn_PanoramaPhoto"), [this] { panoramaFromPhotos(); });
}

}  // namespace zb
