#include "imaging/ui/edit_commands.h"

#include "core/ports.h"
#include "imaging/graphic_kind.h"
#include "imaging/jpeg_codec.h"
#include "imaging/metafile.h"
#include "imaging/photo_edits.h"
#include "imaging/save_picture.h"
#include "imaging/stored_pictures.h"
#include "imaging/ui/frm_bithenkan.h"
#include "imaging/ui/save_picture_dialog.h"
#include "store/job_life.h"
#include "store/table_network.h"

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QFileInfo>
#include <QMimeData>

namespace zb {

namespace {

class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

PhotoFields fieldsOf(JobLife& job)
{
    PhotoFields fields;
    fields.lookUp(job.photoTable());
    return fields;
}

}  // namespace

QMimeData* PictureMimeData(const ChosenPicture& picture, Messages& messages)
{
    QImage bitmap;
    if (picture.bytes.isEmpty() || !DecodeStoredPicture(picture.bytes, picture.kind, bitmap, 0, messages))
        return nullptr;
    auto* mime = new QMimeData;
    if (picture.kind == kKindMetafile) {
        const MetafileType type = MetafileTypeOf(picture.bytes);
        mime->setData(type == MetafileType::Emf ? QStringLiteral("image/x-emf") : QStringLiteral("image/x-wmf"),
                      picture.bytes);
        const QByteArray svg = MetafileToSvg(picture.bytes);
        if (!svg.isEmpty())
            mime->setData(QStringLiteral("image/svg+xml"), svg);
    }
    mime->setImageData(bitmap);
    return mime;
}

TEditCommands::TEditCommands(JobLife& job, Messages& messages, Progress& progress, QWidget* window, QObject* parent)
    : QObject(parent), job_(job), messages_(messages), progress_(progress), window_(window)
{
    editPicture = [this](QImage& bitmap) {
        // The photo edit opens on the page shown last, without the effects page.
        return EditPicture(bitmap, -1, false, window_, hooks.settingsFolder ? hooks.settingsFolder() : QString());
    };
    savePicture = [this](const ChosenPicture& chosen, const QString& proposed) -> QString {
        Graphic graphic;
        if (chosen.kind == kKindMetafile) {
            graphic.metafile = chosen.bytes;
        } else if (!DecodeJpeg(chosen.bytes, graphic.bitmap, 0, messages_)) {
            messages_.error(kPhotoReadFailed);
            return {};
        }
        SavePictureWidgets dialogs(window_);
        return SavePictureAsPath(dialogs, messages_, graphic, proposed);
    };
}

bool TEditCommands::ready(QList<RECORD>& selection) const
{
    if (!job_.isOpen() || (hooks.listFocused && !hooks.listFocused()) || !hooks.focusedSelection)
        return false;
    selection = hooks.focusedSelection();
    return !selection.isEmpty();
}

void TEditCommands::afterRun()
{
    if (hooks.refreshPanels)
        hooks.refreshPanels();
    if (hooks.redrawAlbum)
        hooks.redrawAlbum();
}

void TEditCommands::correct()
{
    QList<RECORD> selection;
    if (!ready(selection))
        return;
    PhotoFields fields;
    fields.lookUp(job_.photoTable());
    PhotoEditContext c{job_.photoTable(), fields, messages_, progress_, [this] { job_.setChanged(); },
                       hooks.rowChanged};
    RunPhotoEdit(c, selection.mid(0, 1), 0, editPicture);
    afterRun();
}

void TEditCommands::rotate(int r)
{
    QList<RECORD> selection;
    if (!ready(selection))
        return;
    WaitCursor wait;
    PhotoFields fields;
    fields.lookUp(job_.photoTable());
    PhotoEditContext c{job_.photoTable(), fields, messages_, progress_, [this] { job_.setChanged(); },
                       hooks.rowChanged};
    RunPhotoEdit(c, selection, r);
    afterRun();
}

void TEditCommands::returnToOriginal()
{
    QList<RECORD> selection;
    if (!ready(selection))
        return;
    PhotoFields fields;
    fields.lookUp(job_.photoTable());
    PhotoEditContext c{job_.photoTable(), fields, messages_, progress_, [this] { job_.setChanged(); },
                       hooks.rowChanged};
    ReturnToOriginal(c, selection);
    afterRun();
}

void TEditCommands::copy()
{
    QList<RECORD> selection;
    if (!ready(selection))
        return;
    const std::optional<ChosenPicture> chosen =
        ChoosePicture(job_.photoTable(), fieldsOf(job_), selection.first(), kCopyWhichPicture, messages_);
    if (!chosen)
        return;
    WaitCursor wait;
    QMimeData* mime = PictureMimeData(*chosen, messages_);
    if (!mime) {
        messages_.error(kPhotoReadFailed);
        return;
    }
    QGuiApplication::clipboard()->setMimeData(mime);
}

void TEditCommands::saveFile()
{
    QList<RECORD> selection;
    if (!ready(selection) || selection.size() != 1)
        return;
    const std::optional<ChosenPicture> chosen =
        ChoosePicture(job_.photoTable(), fieldsOf(job_), selection.first(), kSaveWhichPicture, messages_);
    if (!chosen)
        return;
    if (chosen->bytes.isEmpty()) {
        messages_.error(kPhotoReadFailed);
        return;
    }
    const QString proposed = ProposedSaveName(hooks.saveFolder ? hooks.saveFolder() : QString(), chosen->fileName,
                                              chosen->kind == kKindMetafile);
    const QString written = savePicture(*chosen, proposed);
    if (!written.isEmpty() && hooks.setSaveFolder)
        hooks.setSaveFolder(QFileInfo(written).absolutePath());
}

void TEditCommands::rebuildThumbnails()
{
    if (!job_.isOpen())
        return;
    PhotoFields fields;
    fields.lookUp(job_.photoTable());
    PhotoEditContext c{job_.photoTable(), fields, messages_, progress_, [this] { job_.setChanged(); },
                       hooks.rowChanged};
    RebuildThumbnails(c);
    afterRun();
}

void TEditCommands::installHandlers(const std::function<void(const QString&, std::function<void()>)>& setHandler)
{
    setHandler(QStringLiteral("Mn_Correct"), [this] { correct(); });
    setHandler(QStringLiteral("Mn_Rotate90"), [this] { rotate(1); });
    setHandler(QStringLiteral("Mn_Rotate180"), [this] { rotate(2); });
    setHandler(QStringLiteral("Mn_Rotate270"), [this] { rotate(3); });
    setHandler(QStringLiteral("Mn_Original"), [this] { returnToOriginal(); });
    setHandler(QStringLiteral("Mn_Copy"), [this] { copy(); });
    setHandler(QStringLiteral("Mn_SaveFile"), [this] { saveFile(); });
    setHandler(QStringLiteral("Mn_ThumbRebuild"), [this] { rebuildThumbnails(); });
}

}  // namespace zb
