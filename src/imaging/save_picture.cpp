#include "imaging/save_picture.h"

#include "core/ports.h"
#include "imaging/image_library.h"
#include "imaging/jpeg_codec.h"
#include "imaging/metafile.h"

#include <QDir>
#include <QFileInfo>

namespace zb {

namespace {

QString upperSuffix(const QString& name)
{
    return QFileInfo(name).suffix().toUpper();
}

}  // namespace

int SaveFilterIndexFor(const QString& proposedName)
{
    const QString ext = upperSuffix(proposedName);
    if (ext == u"WMF")
        return 1;
    if (ext == u"BMP" || ext == u"EMF")
        return 2;
    if (ext == u"PNG")
        return 3;
    if (ext == u"DIB")
        return 4;
    if (ext == u"PCX")
        return 5;
    return 1;
}

QString ForceSaveExtension(const QString& chosenName, int filterIndex, bool metafile)
{
    static const char* const bitmapExt[] = {".JPG", ".BMP", ".PNG", ".DIB", ".PCX"};
    static const char* const metafileExt[] = {".WMF", ".EMF"};
    const int count = metafile ? 2 : 5;
    const int i = (filterIndex >= 1 && filterIndex <= count) ? filterIndex - 1 : 0;
    const QString ext = QString::fromLatin1(metafile ? metafileExt[i] : bitmapExt[i]);
    // Replace the extension of the file name only; dots in folder names stay.
    const qsizetype slash = chosenName.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = chosenName.lastIndexOf(QLatin1Char('.'));
    const QString stem = (dot > slash + 1) ? chosenName.left(dot) : chosenName;
    return stem + ext;
}

QString OverwriteQuestion(const QString& path)
{
    return path + QStringLiteral(" は既に存在します。\r\n上書きしますか？");
}

bool NeedsJpegQuality(const QString& fileName)
{
    const QString ext = upperSuffix(fileName);
    return ext == u"JPG" || ext == u"JPEG" || ext == u"FPX";
}

int JpegQualityForEntry(int index)
{
    if (index < 0 || index >= 7)
        return kDefaultJpegQuality;
    return kJpegQualityEntries[index];
}

bool WritePictureFile(const Graphic& graphic, const QString& path, int quality, Messages& messages)
{
    const QString ext = upperSuffix(path);
    bool ok = false;
    if (graphic.isMetafile()) {
        const MetafileType wanted = ext == u"EMF" ? MetafileType::Emf : MetafileType::Wmf;
        if (MetafileTypeOf(graphic.metafile) == wanted) {
            ok = WriteFileSafely(path, graphic.metafile);
        } else {
            // The other metafile type: the picture drawn once, kept as a bitmap record.
            const QImage drawn = RenderMetafile(graphic.metafile);
            const QByteArray bytes = WrapBitmapAsMetafile(drawn, wanted);
            ok = !bytes.isEmpty() && WriteFileSafely(path, bytes);
        }
    } else if (ext == u"JPG" || ext == u"JPEG") {
        ok = EncodeJpegFile(graphic.bitmap, path, false, quality, messages);
    } else if (ext == u"BMP" || ext == u"DIB") {
        ok = SaveBmpFile(graphic.bitmap, path);
    } else if (ext == u"PNG") {
        ok = SavePngFile(graphic.bitmap, path);
    } else if (ext == u"PCX") {
        ok = SavePcxFile(graphic.bitmap, path);
    }
    if (!ok)
        messages.information(kSaveFailedText);
    return ok;
}

bool SavePictureAs(SavePictureDialogs& dialogs, Messages& messages, const Graphic& graphic,
                   const QString& proposedName)
{
    return !SavePictureAsPath(dialogs, messages, graphic, proposedName).isEmpty();
}

QString SavePictureAsPath(SavePictureDialogs& dialogs, Messages& messages, const Graphic& graphic,
                          const QString& proposedName)
{
    const bool metafile = graphic.isMetafile();
    const QString filter = metafile ? kMetafileSaveFilter : kBitmapSaveFilter;
    const QFileInfo proposed(proposedName);
    QString folder = proposed.absolutePath();
    QString name = proposed.completeBaseName();
    int index = SaveFilterIndexFor(proposedName);

    QString path;
    for (;;) {
        const std::optional<SaveChoice> choice = dialogs.chooseFile(filter, folder, name, index);
        if (!choice)
            return {};
        path = ForceSaveExtension(choice->path, choice->filterIndex, metafile);
        if (!QFileInfo::exists(path) || messages.ask(OverwriteQuestion(QDir::toNativeSeparators(path))))
            break;
        // Asked again, starting from what was chosen.
        const QFileInfo chosen(path);
        folder = chosen.absolutePath();
        name = chosen.completeBaseName();
        index = choice->filterIndex;
    }

    int quality = kDefaultJpegQuality;
    if (!metafile && NeedsJpegQuality(path)) {
        quality = dialogs.askJpegQuality(path);
        if (quality <= 0)
            return {};
    }
    dialogs.writing(true);
    const bool ok = WritePictureFile(graphic, path, quality, messages);
    dialogs.writing(false);
    return ok ? path : QString();
}

}  // namespace zb
