// zbcli effect: the pixel operations of the image-processing dialog applied to
// a picture file, the result written as a BMP or PNG file.
#include "cli/cli.h"
#include "cli/cli_pictures.h"
#include "core/scripted_ports.h"
#include "imaging/graphic_kind.h"
#include "imaging/image_library.h"
#include "imaging/jpeg_codec.h"
#include "imaging/metafile.h"
#include "imaging/pixel_adjust.h"
#include "imaging/pixel_filters.h"
#include "imaging/pixel_geometry.h"
#include "imaging/pixel_reduce.h"
#include "imaging/working_bitmap.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>

#include <cmath>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

using namespace zb;
using zb::cli::Context;
using zb::cli::Failure;

constexpr const char* kUsage =
    "IN OUT.bmp|OUT.png [--balance R,G,B] [--contrast C] [--gamma A] [--levels MIN,MAX] [--brightness B]"
    " [--gray] [--reduce256] [--invert] [--mirror v|h] [--emboss] [--blur] [--sharpen] [--denoise]"
    " [--quarter-turn] [--rotate DEG] [--resize PCT[,plain]] [--trim L,T,W,H]";

// A mistake in the command line: reported with the usage, exit code 2.
struct UsageError {
    QString reason;
};

int integerIn(const QString& text, int lo, int hi, const QString& option)
{
    bool ok = false;
    const int v = text.trimmed().toInt(&ok);
    if (!ok || v < lo || v > hi)
        throw UsageError{option + QStringLiteral(" wants a whole number from %1 to %2, not \"%3\"")
                                      .arg(lo)
                                      .arg(hi)
                                      .arg(text)};
    return v;
}

// Exactly `count` comma-separated whole numbers, each within lo...hi.
std::vector<int> integerList(const QString& text, int count, int lo, int hi, const QString& option)
{
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != count)
        throw UsageError{option + QStringLiteral(" wants %1 comma-separated numbers, not \"%2\"").arg(count).arg(text)};
    std::vector<int> values;
    for (const QString& p : parts)
        values.push_back(integerIn(p, lo, hi, option));
    return values;
}

// One step that runs after the adjustment pipeline, in the order typed. A step
// that refuses throws a Failure with the reason.
using Step = std::function<void(QImage&)>;

struct Plan {
    QString in, out;
    bool png = false;
    AdjustSettings adjust;
    std::vector<Step> steps;
    bool reduceLast = false;  // the last step is the 256-colour reduction
};

Plan parse(const QStringList& args)
{
    Plan plan;
    QStringList positional;
    for (qsizetype i = 0; i < args.size(); ++i) {
        const QString& a = args[i];
        auto value = [&]() -> QString {
            if (i + 1 >= args.size())
                throw UsageError{a + QStringLiteral(" needs a value")};
            return args[++i];
        };
        bool reduce = false;
        if (a == QLatin1String("--balance")) {
            const std::vector<int> v = integerList(value(), 3, -100, 100, a);
            plan.adjust.red = v[0];
            plan.adjust.green = v[1];
            plan.adjust.blue = v[2];
            continue;  // pipeline settings do not change the order of the other steps
        } else if (a == QLatin1String("--contrast")) {
            plan.adjust.contrast = integerIn(value(), -100, 100, a);
            continue;
        } else if (a == QLatin1String("--gamma")) {
            plan.adjust.gamma = integerIn(value(), -100, 100, a);
            continue;
        } else if (a == QLatin1String("--levels")) {
            const std::vector<int> v = integerList(value(), 2, 0, 255, a);
            // The two grips cannot pass each other.
            if (v[0] > v[1])
                throw UsageError{a + QStringLiteral(" wants MIN no greater than MAX")};
            plan.adjust.levelMin = v[0];
            plan.adjust.levelMax = v[1];
            continue;
        } else if (a == QLatin1String("--brightness")) {
            plan.adjust.brightness = integerIn(value(), -100, 100, a);
            continue;
        } else if (a == QLatin1String("--gray")) {
            plan.steps.push_back([](QImage& p) { toGrey(p); });
        } else if (a == QLatin1String("--reduce256")) {
            plan.steps.push_back([](QImage& p) { p = ReduceTo256Colours(p); });
            reduce = true;
        } else if (a == QLatin1String("--invert")) {
            plan.steps.push_back([](QImage& p) { invertColours(p); });
        } else if (a == QLatin1String("--mirror")) {
            const QString v = value();
            if (v == QLatin1String("v"))
                plan.steps.push_back([](QImage& p) { flipVertical(p); });
            else if (v == QLatin1String("h"))
                plan.steps.push_back([](QImage& p) { flipHorizontal(p); });
            else
                throw UsageError{a + QStringLiteral(" wants v or h, not \"%1\"").arg(v)};
        } else if (a == QLatin1String("--emboss") || a == QLatin1String("--blur") || a == QLatin1String("--sharpen")) {
            const Filter3x3 f = a == QLatin1String("--emboss") ? Filter3x3::Emboss
                                : a == QLatin1String("--blur") ? Filter3x3::Blur
                                                               : Filter3x3::Sharpen;
            plan.steps.push_back([f](QImage& p) { p = ApplyFilter3x3(p, f); });
        } else if (a == QLatin1String("--denoise")) {
            plan.steps.push_back([](QImage& p) { p = RemoveNoise(p); });
        } else if (a == QLatin1String("--quarter-turn")) {
            plan.steps.push_back([](QImage& p) {
                if (!turnClockwise(p))
                    throw Failure(QStringLiteral("not enough memory to turn the picture"));
            });
        } else if (a == QLatin1String("--rotate")) {
            const QString text = value();
            bool ok = false;
            const double deg = text.trimmed().toDouble(&ok);
            if (!ok || !std::isfinite(deg) || deg < -360 || deg > 360)
                throw UsageError{a + QStringLiteral(" wants degrees from -360 to 360, not \"%1\"").arg(text)};
            plan.steps.push_back([deg](QImage& p) {
                if (rotatePicture(p, deg) == RotateResult::TooLarge)
                    throw Failure(QStringLiteral("the rotated picture would be larger than the pixel limit"));
            });
        } else if (a == QLatin1String("--resize")) {
            QString text = value();
            bool interpolate = true;
            if (text.endsWith(QLatin1String(",plain"))) {
                interpolate = false;
                text.chop(6);
            }
            const int pct = integerIn(text, 10, 200, a);
            plan.steps.push_back([pct, interpolate](QImage& p) {
                ResizeResult r = ResizeByPercent(p, pct, interpolate);
                if (r.status == ResizeStatus::TooSmall)
                    throw Failure(QStringLiteral("resizing to %1 % leaves less than one pixel").arg(pct));
                if (r.status == ResizeStatus::TooLarge)
                    throw Failure(QStringLiteral("the resized picture would be larger than the pixel limit"));
                if (r.status == ResizeStatus::Resized)
                    p = std::move(r.bitmap);
            });
        } else if (a == QLatin1String("--trim")) {
            const std::vector<int> v = integerList(value(), 4, -kMaxSide, kMaxSide, a);
            if (v[2] < 0 || v[3] < 0)
                throw UsageError{a + QStringLiteral(" wants a width and height of 0 or more")};
            const QRect sel(v[0], v[1], v[2], v[3]);
            plan.steps.push_back([sel](QImage& p) {
                if (trimPicture(p, sel) == TrimResult::EmptySelection)
                    throw Failure(QStringLiteral("the trimming rectangle holds no pixel of the picture"));
            });
        } else if (a.startsWith(QLatin1String("--"))) {
            throw UsageError{QStringLiteral("unknown option ") + a};
        } else {
            positional << a;
            continue;
        }
        plan.reduceLast = reduce;
    }
    if (positional.size() != 2)
        throw UsageError{positional.size() < 2 ? QStringLiteral("IN and OUT are needed")
                                               : QStringLiteral("too many file names")};
    plan.in = QFileInfo(positional[0]).absoluteFilePath();
    plan.out = QFileInfo(positional[1]).absoluteFilePath();
    const QString ext = QFileInfo(plan.out).suffix().toLower();
    if (ext != QLatin1String("bmp") && ext != QLatin1String("png"))
        throw UsageError{QStringLiteral("OUT must end in .bmp or .png")};
    plan.png = ext == QLatin1String("png");
    return plan;
}

// The picture file at full size as a working bitmap.
QImage readPicture(const QString& path)
{
    const int kind = cli::pictureKindOf(path);
    ScriptedMessages m;
    QImage bitmap;
    bool ok = false;
    if (kind == kKindJpeg || kind == kKindMetafile || kind == kKindIcon) {
        QFile f(path);
        if (f.open(QIODevice::ReadOnly)) {
            const QByteArray data = f.readAll();
            ok = kind == kKindJpeg ? DecodeJpeg(data, bitmap, 0, m) : RenderGraphic(bitmap, data, kind, m);
        }
    } else {
        ok = LoadWithImageLibrary(path, bitmap);
    }
    if (ok)
        bitmap = toWorkingBitmap(bitmap);
    if (!ok || bitmap.isNull())
        throw Failure(QStringLiteral("cannot read the picture ") + path + cli::reasons(m));
    return bitmap;
}

QByteArray encode(const QImage& picture, bool png)
{
    // A 24-bit BMP is written in the working bitmap's own layout; an 8-bit
    // picture (the 256-colour result) and PNG files go through Qt's writers,
    // which keep the palette.
    if (!png && picture.format() != QImage::Format_Indexed8)
        return encodeBmp(picture);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!picture.save(&buffer, png ? "PNG" : "BMP"))
        return {};
    return bytes;
}

int effect(Context& ctx)
{
    Plan plan;
    try {
        plan = parse(ctx.args);
    } catch (const UsageError& e) {
        std::fprintf(stderr, "zbcli: %s\nusage: zbcli effect %s\n", qPrintable(e.reason), kUsage);
        return 2;
    }
    QImage picture = readPicture(plan.in);
    applyAdjustments(picture, plan.adjust);
    for (const Step& step : plan.steps) {
        // The steps after the reduction work on its 24-bit form.
        if (picture.format() != kWorkingFormat)
            picture = toWorkingBitmap(picture);
        step(picture);
        if (picture.isNull())
            throw Failure(QStringLiteral("not enough memory for the picture"));
    }
    if (!plan.reduceLast && picture.format() != kWorkingFormat)
        picture = toWorkingBitmap(picture);
    const QByteArray bytes = encode(picture, plan.png);
    if (bytes.isEmpty() || !WriteFileSafely(plan.out, bytes))
        throw Failure(QStringLiteral("cannot write ") + plan.out);
    return 0;
}

ZB_CLI_COMMAND("effect", kUsage, effect);

}  // namespace
