// Commands over pictures: the list thumbnail of a file and its EXIF values.
#include "cli/cli.h"
#include "cli/cli_pictures.h"
#include "core/scripted_ports.h"
#include "imaging/exif.h"
#include "imaging/graphic_kind.h"
#include "imaging/image_library.h"
#include "imaging/metafile.h"
#include "imaging/stored_pictures.h"

#include <QFile>
#include <QFileInfo>
#include <QJsonObject>

namespace {

using namespace zb;
using zb::cli::Context;
using zb::cli::Failure;

// Picture paths are taken as the user typed them, relative to the current folder.
QString picturePath(const Context& ctx, int i, const char* what)
{
    return QFileInfo(cli::positional(ctx.args, i, what)).absoluteFilePath();
}

int thumb(Context& ctx)
{
    const QString path = picturePath(ctx, 0, "FILE");
    const QString out = picturePath(ctx, 1, "OUT.bmp");
    const int kind = cli::pictureKindOf(path);

    ScriptedMessages m;
    QByteArray bmp;
    if (kind == kKindJpeg || kind == kKindMetafile) {
        QFile f(path);
        if (f.open(QIODevice::ReadOnly))
            bmp = MakeThumbnail(f.readAll(), kind, m);
    } else {
        QImage bitmap;
        bool ok = false;
        if (kind == kKindIcon) {
            QFile f(path);
            ok = f.open(QIODevice::ReadOnly) && RenderGraphic(bitmap, f.readAll(), kKindIcon, m);
        } else {
            ok = LoadWithImageLibrary(path, bitmap);
        }
        if (ok)
            bmp = MakeThumbnailOfBitmap(bitmap);
    }
    if (bmp.isEmpty())
        throw Failure(QStringLiteral("cannot make a thumbnail of ") + path + cli::reasons(m));
    if (!WriteFileSafely(out, bmp))
        throw Failure(QStringLiteral("cannot write ") + out);
    return 0;
}

int exif(Context& ctx)
{
    const QString path = picturePath(ctx, 0, "FILE");
    if (!QFileInfo::exists(path))
        throw Failure(QStringLiteral("file not found: ") + path);
    const std::optional<ExifInfo> info = ReadExif(path);
    QJsonObject o{
        {"found", info.has_value()},
        {"dateTime", info ? info->dateTime : QString()},
        {"filmNumber", info ? info->filmNumber : QString()},
        {"frameNumber", info ? info->frameNumber : QString()},
        {"orientation", info ? int(info->orientation) : 1},
        {"thumbnail", ExifThumbnail(path, 0).has_value()},
    };
    cli::printJson(o);
    return 0;
}

ZB_CLI_COMMAND("thumb", "FILE OUT.bmp", thumb);
ZB_CLI_COMMAND("exif", "FILE", exif);

}  // namespace
