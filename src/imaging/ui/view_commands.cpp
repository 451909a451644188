#include "imaging/ui/view_commands.h"

#include "core/ports.h"
#include "imaging/graphic_kind.h"
#include "imaging/jpeg_codec.h"
#include "store/job_life.h"
#include "store/photo_table.h"
#include "store/table_network.h"

#include <QApplication>
#include <QFileInfo>
#include <exception>

namespace zb {

namespace {

struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

bool hasPicture(const engine::Table& table, int pos) { return pos >= 0 && table.blobSize(pos) > 0; }

}  // namespace

TViewCommands::TViewCommands(JobLife& job, Messages& messages, QWidget* window, QObject* parent)
    : QObject(parent), job_(job), messages_(messages), window_(window)
{
}

TViewCommands::~TViewCommands()
{
    // A viewer without a window of its own to go with goes with us.
    if (form_ && !form_->parent())
        delete form_.data();
}

TViewForm* TViewCommands::viewForm()
{
    if (!form_) {
        form_ = new TViewForm(messages_, window_);
        form_->placeHooks = placeHooks;
    }
    return form_;
}

void TViewCommands::savePlacement()
{
    if (form_)
        form_->savePlacement();
}

void TViewCommands::viewSelected()
{
    if (!job_.isOpen() || !hooks.focusedListSelection)
        return;
    const QList<RECORD> selected = hooks.focusedListSelection();
    if (selected.size() != 1)
        return;
    viewRecord(selected.first());
}

bool TViewCommands::viewRecord(RECORD record)
{
    if (!job_.isOpen())
        return false;
    const WaitCursor wait;
    bool shown = false;
    try {
        TTableNetWork& table = job_.photoTable();
        PhotoFields fields;
        fields.lookUp(table);
        if (!table.locate(record)) {
            messages_.information(kViewLoadFailed);
            return false;
        }
        if (!hasPicture(table, fields[F_IMAGE_ORG]) && !hasPicture(table, fields[F_IMAGE_NOW])) {
            // Nothing stored: the file the row came from, when it is there.
            const QString file = fields[F_FILENAME] >= 0 ? table.value(fields[F_FILENAME]).toString() : QString();
            if (file.isEmpty() || !QFileInfo(file).isFile())
                return false;
            QImage bitmap;
            shown = DecodeJpegFile(file, bitmap, 0, messages_) && viewForm()->ShowPicture(bitmap);
        } else {
            const StoredPicture picture = currentPicture(table, fields);
            shown = picture.kind == kKindMetafile ? viewForm()->ShowMetafile(picture.bytes)
                                                  : viewForm()->ShowPicture(picture.bytes);
        }
    } catch (const std::exception&) {
        shown = false;
    }
    if (!shown)
        messages_.information(kViewLoadFailed);
    return shown;
}

bool TViewCommands::showFile(const QString& path)
{
    if (!QFileInfo(path).isFile() || GraphicKindOf(path) < 0) {
        messages_.beep();
        return false;
    }
    if (viewForm()->ShowPicture(path))
        return true;
    // The file is of a kind the program reads but could not be read: the
    // user is told rather than left with nothing happening.
    messages_.information(kViewLoadFailed);
    return false;
}

void TViewCommands::installHandlers(const std::function<void(const QString&, std::function<void()>)>& setHandler)
{
    setHandler(QStringLiteral("ViewSelected"), [this] { viewSelected(); });
}

}  // namespace zb
