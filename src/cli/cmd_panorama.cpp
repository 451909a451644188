// Two picture files joined into one panorama from two marked points on each.
#include "cli/cli.h"
#include "core/scripted_ports.h"
#include "imaging/jpeg_codec.h"
#include "imaging/panorama.h"
#include "imaging/save_picture.h"

#include <QFileInfo>
#include <QJsonObject>
#include <cstdio>

namespace {

using namespace zb;
using zb::cli::Context;
using zb::cli::Failure;

const char* kPanoramaUsage = "LEFT RIGHT OUT.jpg|OUT.png|OUT.bmp --left X1,Y1,X2,Y2 --right X1,Y1,X2,Y2";

struct UsageError {
    QString reason;
};

// "X1,Y1,X2,Y2" as two points.
void parsePoints(const QString& option, const QString& text, QPoint& a, QPoint& b)
{
    const QStringList parts = text.split(u',');
    int v[4] = {0, 0, 0, 0};
    bool ok = parts.size() == 4;
    for (int i = 0; ok && i < 4; ++i)
        v[i] = parts[i].trimmed().toInt(&ok);
    if (!ok)
        throw UsageError{QStringLiteral("%1 wants X1,Y1,X2,Y2 in picture pixels, not \"%2\"").arg(option, text)};
    a = QPoint(v[0], v[1]);
    b = QPoint(v[2], v[3]);
}

int panoramaCommand(Context& ctx)
{
    QStringList args = ctx.args;
    QPoint l1, l2, r1, r2;
    try {
        const bool hasLeft = args.contains(QStringLiteral("--left"));
        const bool hasRight = args.contains(QStringLiteral("--right"));
        const QString left = cli::takeOption(args, QStringLiteral("--left"));
        const QString right = cli::takeOption(args, QStringLiteral("--right"));
        if (!hasLeft || !hasRight)
            throw UsageError{QStringLiteral("wants both --left and --right")};
        parsePoints(QStringLiteral("--left"), left, l1, l2);
        parsePoints(QStringLiteral("--right"), right, r1, r2);
        if (args.size() != 3)
            throw UsageError{QStringLiteral("wants LEFT, RIGHT and OUT")};
    } catch (const UsageError& e) {
        std::fprintf(stderr, "zbcli: %s\nusage: zbcli panorama %s\n", qPrintable(e.reason), kPanoramaUsage);
        return 2;
    }
    ScriptedMessages m;
    QImage left, right;
    for (int i = 0; i < 2; ++i) {
        const QString path = QFileInfo(args[i]).absoluteFilePath();
        if (!QFileInfo(path).isFile())
            throw Failure(QStringLiteral("no such file: ") + args[i]);
        if (!LoadPanoramaPicture(path, i == 0 ? left : right, m))
            throw Failure(QStringLiteral("cannot read ") + args[i] + cli::reasons(m));
    }
    const QImage joined = JoinPanorama(left, right, l1, l2, r1, r2);
    if (joined.isNull())
        throw Failure(QStringLiteral("no panorama from these points"));
    // The output's kind follows its extension; any other name gets JPEG, as it always did.
    const QString suffix = QFileInfo(args[2]).suffix().toLower();
    const bool otherKind = suffix == u"png" || suffix == u"bmp" || suffix == u"dib" || suffix == u"pcx";
    const bool written = otherKind ? WritePictureFile(Graphic{joined, {}}, args[2], kDefaultJpegQuality, m)
                                   : EncodeJpegFile(joined, args[2], false, kDefaultJpegQuality, m);
    if (!written)
        throw Failure(QStringLiteral("cannot write ") + args[2] + cli::reasons(m));
    cli::printJson(QJsonObject{{QStringLiteral("width"), joined.width()}, {QStringLiteral("height"), joined.height()}});
    return 0;
}

ZB_CLI_COMMAND("panorama", kPanoramaUsage, panoramaCommand);

}  // namespace
