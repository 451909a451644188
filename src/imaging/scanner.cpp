#include "imaging/scanner.h"

#include "core/inifile.h"
#include "core/ports.h"
#include "imaging/jpeg_codec.h"
#include "imaging/working_bitmap.h"

#include <QDir>
#include <QMutex>
#include <QMutexLocker>

#include <sane/sane.h>
#include <sane/saneopts.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>

namespace zb {

QString scanPageCount(int pages) { return QString::number(pages) + QStringLiteral("枚 "); }

QStringList scanModeCaptions()
{
    return {QStringLiteral("ダイアログを表示(推奨)"), QStringLiteral("取込後ダイアログを閉じる"),
            QStringLiteral("ダイアログ非表示")};
}

const std::array<ScanPaper, 9>& scanPapers()
{
    static const std::array<ScanPaper, 9> papers{{
        {QStringLiteral("写真ＥＣサイズ(85×120)"), 8.5, 12.0},
        {QStringLiteral("写真ＬＤサイズ(89×119)"), 8.9, 11.9},
        {QStringLiteral("写真Ｌサイズ(89×127)"), 8.9, 12.7},
        {QStringLiteral("写真ＫＧサイズ(102×152)"), 10.2, 15.2},
        {QStringLiteral("写真２Ｌサイズ(127×178)"), 12.7, 17.8},
        {QStringLiteral("写真パノラマ(89×257)"), 8.9, 25.7},
        {QStringLiteral("Ａ４(210×290)"), 21.0, 29.0},
        {QStringLiteral("Ｂ５(182×257)"), 18.2, 25.7},
        {QStringLiteral("Ａ５(148×210)"), 14.8, 21.0},
    }};
    return papers;
}

QList<int> scanDpiChoices() { return {72, 96, 150, 200, 240, 300, 600, 1200, 2400}; }

int normalizedDpi(int dpi) { return dpi < 72 ? 72 : dpi; }

ScanSettings clampedScanSettings(ScanSettings s)
{
    const ScanSettings def;
    if (s.mode < 0 || s.mode > 2)
        s.mode = def.mode;
    if (s.paper < 0 || s.paper >= int(scanPapers().size()))
        s.paper = def.paper;
    if (s.orient != 0 && s.orient != 1)
        s.orient = def.orient;
    s.margin = std::clamp(s.margin, 0, 20);
    if (s.feeder != 0 && s.feeder != 1)
        s.feeder = def.feeder;
    s.dpi = normalizedDpi(s.dpi);
    s.brightness = std::clamp(s.brightness, -1000, 1000);
    s.contrast = std::clamp(s.contrast, -1000, 1000);
    return s;
}

ScanSettings readScanSettings(const IniFile& ini)
{
    const QString sec = QStringLiteral("MainPrg_Env");
    ScanSettings s;
    s.mode = ini.readInteger(sec, QStringLiteral("Twain_User"), s.mode);
    s.paper = ini.readInteger(sec, QStringLiteral("Twain_Paper"), s.paper);
    s.orient = ini.readInteger(sec, QStringLiteral("Twain_Orient"), s.orient);
    s.marginOn = ini.readBool(sec, QStringLiteral("Twain_FuchiSw"), s.marginOn);
    s.margin = ini.readInteger(sec, QStringLiteral("Twain_Fuchi"), s.margin);
    s.feeder = ini.readInteger(sec, QStringLiteral("Twain_Kyusi"), s.feeder);
    s.dpi = ini.readInteger(sec, QStringLiteral("Twain_Dpi"), s.dpi);
    s.brightness = ini.readInteger(sec, QStringLiteral("Twain_Bright"), s.brightness);
    s.contrast = ini.readInteger(sec, QStringLiteral("Twain_Cont"), s.contrast);
    s.device = ini.readString(sec, QStringLiteral("ScanDevice"));
    return clampedScanSettings(s);
}

namespace {

void paperSize(const ScanSettings& s, double& w, double& h)
{
    const ScanSettings c = clampedScanSettings(s);
    const ScanPaper& p = scanPapers()[size_t(c.paper)];
    w = p.widthCm;
    h = p.heightCm;
    if (c.orient == 1)
        std::swap(w, h);
}

}  // namespace

ScanFrameTwips scanFrameTwips(const ScanSettings& s)
{
    double w = 0, h = 0;
    paperSize(s, w, h);
    ScanFrameTwips f;
    if (!s.marginOn) {
        f.right = int(std::trunc(w * 567));
        f.bottom = int(std::trunc(h * 567));
        return f;
    }
    const double e = std::clamp(s.margin, 0, 20) * 567.0 / 10;
    f.left = f.top = int(std::trunc(e));
    f.right = int(std::trunc(w * 567 - 2 * e));
    f.bottom = int(std::trunc(h * 567 - 2 * e));
    return f;
}

ScanAreaMm scanAreaMm(const ScanSettings& s)
{
    double w = 0, h = 0;
    paperSize(s, w, h);
    const double m = s.marginOn ? std::clamp(s.margin, 0, 20) : 0;
    return {m, m, w * 10 - m, h * 10 - m};
}

double mapLevel(int level, double min, double max)
{
    const double t = (std::clamp(level, -1000, 1000) + 1000) / 2000.0;
    return min + t * (max - min);
}

bool isFeederSource(const QString& source)
{
    return source.contains(QLatin1String("ADF"), Qt::CaseInsensitive) ||
           source.contains(QLatin1String("Feeder"), Qt::CaseInsensitive);
}

QString pickSource(const QStringList& sources, int feeder)
{
    if (sources.isEmpty())
        return {};
    if (feeder == 0) {
        for (const QString& s : sources)
            if (s.contains(QLatin1String("Flatbed"), Qt::CaseInsensitive))
                return s;
        return sources.first();
    }
    for (const QString& s : sources)
        if (isFeederSource(s))
            return s;
    return sources.size() > 1 ? sources[1] : QString();
}

// ---------------------------------------------------------------- frames

QImage pageFromFrames(const QList<ScanFrame>& frames)
{
    if (frames.isEmpty())
        return {};
    const ScanFrame& first = frames.first();
    const int w = first.pixelsPerLine;
    const int bpl = first.bytesPerLine;
    if (w <= 0 || bpl <= 0)
        return {};
    const int depth = first.depth;
    if (depth != 1 && depth != 8 && depth != 16)
        return {};
    const bool single = first.format == SANE_FRAME_GRAY || first.format == SANE_FRAME_RGB;
    const int channels = first.format == SANE_FRAME_RGB ? 3 : 1;
    // Bytes a line needs at least.
    const qint64 need = (qint64(w) * channels * depth + 7) / 8;
    if (bpl < need)
        return {};
    // Lines actually delivered: what the device said, or, when it did not
    // know, whole lines of the data; the shortest frame decides.
    qint64 lines = -1;
    for (const ScanFrame& f : frames) {
        if (f.pixelsPerLine != w || f.bytesPerLine != bpl || f.depth != depth)
            return {};
        qint64 have = f.data.size() / bpl;
        if (f.lines >= 0)
            have = std::min<qint64>(have, f.lines);
        lines = lines < 0 ? have : std::min(lines, have);
    }
    if (lines <= 0 || !withinPixelLimit(w, lines))
        return {};
    const uchar* planes[3] = {nullptr, nullptr, nullptr};  // red, green, blue frames
    if (!single) {
        for (const ScanFrame& f : frames) {
            const int i = f.format == SANE_FRAME_RED ? 0 : f.format == SANE_FRAME_GREEN ? 1 : f.format == SANE_FRAME_BLUE ? 2 : -1;
            if (i < 0)
                return {};
            planes[i] = reinterpret_cast<const uchar*>(f.data.constData());
        }
        if (!planes[0] || !planes[1] || !planes[2])
            return {};
    }
    QImage img = newWorkingBitmap(w, lines);
    if (img.isNull())
        return {};
    // Sample s of a line: 1-bit samples are 1 for black, 16-bit ones come in
    // the host's byte order (the high byte is kept).
    auto sample = [depth](const uchar* line, qint64 s) -> uchar {
        if (depth == 8)
            return line[s];
        if (depth == 16) {
            quint16 v;
            std::memcpy(&v, line + 2 * s, 2);
            return uchar(v >> 8);
        }
        return (line[s / 8] >> (7 - s % 8)) & 1 ? 0 : 255;
    };
    const uchar* data = reinterpret_cast<const uchar*>(first.data.constData());
    forRowBands(int(lines), qint64(w) * lines, [&](int y0, int y1) {
        for (int y = y0; y < y1; ++y) {
            uchar* out = img.scanLine(y);
            if (single) {
                const uchar* line = data + qint64(bpl) * y;
                for (int x = 0; x < w; ++x) {
                    if (channels == 1) {
                        const uchar v = sample(line, x);
                        out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = v;
                    } else {
                        out[3 * x + 2] = sample(line, 3 * qint64(x));
                        out[3 * x + 1] = sample(line, 3 * qint64(x) + 1);
                        out[3 * x] = sample(line, 3 * qint64(x) + 2);
                    }
                }
            } else {
                const uchar* r = planes[0] + qint64(bpl) * y;
                const uchar* g = planes[1] + qint64(bpl) * y;
                const uchar* b = planes[2] + qint64(bpl) * y;
                for (int x = 0; x < w; ++x) {
                    out[3 * x + 2] = sample(r, x);
                    out[3 * x + 1] = sample(g, x);
                    out[3 * x] = sample(b, x);
                }
            }
        }
    });
    return img;
}

// ---------------------------------------------------------------- SANE

namespace {

// SANE is started once while anything of it is in use and ended when the
// last user lets go, so a new configuration is read by the next start.
class SaneLibrary {
public:
    static std::shared_ptr<SaneLibrary> get()
    {
        static std::mutex lock;
        static std::weak_ptr<SaneLibrary> current;
        std::lock_guard<std::mutex> guard(lock);
        std::shared_ptr<SaneLibrary> lib = current.lock();
        if (!lib) {
            SANE_Int version = 0;
            if (sane_init(&version, nullptr) != SANE_STATUS_GOOD)
                return nullptr;
            lib = std::shared_ptr<SaneLibrary>(new SaneLibrary);
            current = lib;
        }
        return lib;
    }
    ~SaneLibrary() { sane_exit(); }

private:
    SaneLibrary() = default;
};

QString text(const char* s) { return s ? QString::fromUtf8(s) : QString(); }

double fromWord(SANE_Word w, SANE_Value_Type type) { return type == SANE_TYPE_FIXED ? SANE_UNFIX(w) : double(w); }

SANE_Word toWord(double v, SANE_Value_Type type)
{
    return type == SANE_TYPE_FIXED ? SANE_FIX(v) : SANE_Word(std::lround(v));
}

}  // namespace

QList<ScanDeviceInfo> listScanDevices()
{
    QList<ScanDeviceInfo> list;
    const std::shared_ptr<SaneLibrary> lib = SaneLibrary::get();
    if (!lib)
        return list;
    const SANE_Device** devices = nullptr;
    if (sane_get_devices(&devices, SANE_FALSE) != SANE_STATUS_GOOD || !devices)
        return list;
    for (int i = 0; devices[i]; ++i)
        list.append({text(devices[i]->name), text(devices[i]->vendor), text(devices[i]->model), text(devices[i]->type)});
    return list;
}

struct ScanDevice::Impl {
    std::shared_ptr<SaneLibrary> lib;
    SANE_Handle handle = nullptr;
};

ScanDevice::ScanDevice(std::unique_ptr<Impl> impl, const QString& name) : d_(std::move(impl)), name_(name) {}

ScanDevice::~ScanDevice()
{
    if (d_ && d_->handle)
        sane_close(d_->handle);
}

std::unique_ptr<ScanDevice> ScanDevice::open(const QString& name, QString* error)
{
    auto impl = std::make_unique<Impl>();
    impl->lib = SaneLibrary::get();
    if (!impl->lib) {
        if (error)
            *error = QStringLiteral("SANE could not be started");
        return nullptr;
    }
    QString chosen = name;
    if (chosen.isEmpty()) {
        const QList<ScanDeviceInfo> devices = listScanDevices();
        if (devices.isEmpty()) {
            if (error)
                *error = QStringLiteral("no scanner found");
            return nullptr;
        }
        chosen = devices.first().name;
    }
    const QByteArray n = chosen.toUtf8();
    const SANE_Status st = sane_open(n.constData(), &impl->handle);
    if (st != SANE_STATUS_GOOD || !impl->handle) {
        impl->handle = nullptr;
        if (error)
            *error = text(sane_strstatus(st));
        return nullptr;
    }
    return std::unique_ptr<ScanDevice>(new ScanDevice(std::move(impl), chosen));
}

int ScanDevice::indexOf(const QString& name) const
{
    SANE_Int count = 0;
    if (sane_control_option(d_->handle, 0, SANE_ACTION_GET_VALUE, &count, nullptr) != SANE_STATUS_GOOD)
        return -1;
    const QByteArray n = name.toUtf8();
    for (SANE_Int i = 1; i < count; ++i) {
        const SANE_Option_Descriptor* od = sane_get_option_descriptor(d_->handle, i);
        if (od && od->name && n == od->name)
            return i;
    }
    return -1;
}

namespace {

std::optional<ScanOption> describe(SANE_Handle h, SANE_Int i)
{
    const SANE_Option_Descriptor* od = sane_get_option_descriptor(h, i);
    if (!od)
        return std::nullopt;
    ScanOption o;
    o.name = text(od->name);
    o.title = text(od->title);
    o.description = text(od->desc);
    switch (od->type) {
    case SANE_TYPE_BOOL: o.kind = ScanOption::Bool; break;
    case SANE_TYPE_INT: o.kind = ScanOption::Int; break;
    case SANE_TYPE_FIXED: o.kind = ScanOption::Fixed; break;
    case SANE_TYPE_STRING: o.kind = ScanOption::String; break;
    case SANE_TYPE_BUTTON: o.kind = ScanOption::Button; break;
    default: o.kind = ScanOption::Group; break;
    }
    o.unit = od->unit;
    o.active = SANE_OPTION_IS_ACTIVE(od->cap);
    o.settable = SANE_OPTION_IS_SETTABLE(od->cap);
    o.advanced = (od->cap & SANE_CAP_ADVANCED) != 0;
    if (o.kind == ScanOption::Int || o.kind == ScanOption::Fixed)
        o.count = std::max<SANE_Int>(1, od->size / SANE_Int(sizeof(SANE_Word)));
    if (od->constraint_type == SANE_CONSTRAINT_RANGE && od->constraint.range) {
        o.limit = ScanOption::Range;
        o.min = fromWord(od->constraint.range->min, od->type);
        o.max = fromWord(od->constraint.range->max, od->type);
        o.quant = fromWord(od->constraint.range->quant, od->type);
    } else if (od->constraint_type == SANE_CONSTRAINT_WORD_LIST && od->constraint.word_list) {
        o.limit = ScanOption::List;
        const SANE_Word* wl = od->constraint.word_list;
        for (SANE_Word k = 1; k <= wl[0]; ++k)
            o.numbers << fromWord(wl[k], od->type);
    } else if (od->constraint_type == SANE_CONSTRAINT_STRING_LIST && od->constraint.string_list) {
        o.limit = ScanOption::List;
        for (int k = 0; od->constraint.string_list[k]; ++k)
            o.strings << text(od->constraint.string_list[k]);
    }
    if (o.active && (od->cap & SANE_CAP_SOFT_DETECT) && od->size > 0 && o.kind != ScanOption::Button &&
        o.kind != ScanOption::Group && o.count == 1) {
        QByteArray buf(od->size + 1, '\0');
        if (sane_control_option(h, i, SANE_ACTION_GET_VALUE, buf.data(), nullptr) == SANE_STATUS_GOOD) {
            SANE_Word w;
            switch (o.kind) {
            case ScanOption::Bool:
                std::memcpy(&w, buf.constData(), sizeof w);
                o.value = w != SANE_FALSE;
                break;
            case ScanOption::Int:
            case ScanOption::Fixed:
                std::memcpy(&w, buf.constData(), sizeof w);
                o.value = fromWord(w, od->type);
                break;
            case ScanOption::String: o.value = QString::fromUtf8(buf.constData()); break;
            default: break;
            }
        }
    }
    return o;
}

}  // namespace

QList<ScanOption> ScanDevice::options() const
{
    QList<ScanOption> list;
    SANE_Int count = 0;
    if (sane_control_option(d_->handle, 0, SANE_ACTION_GET_VALUE, &count, nullptr) != SANE_STATUS_GOOD)
        return list;
    for (SANE_Int i = 1; i < count; ++i)
        if (std::optional<ScanOption> o = describe(d_->handle, i))
            list << *o;
    return list;
}

std::optional<ScanOption> ScanDevice::option(const QString& name) const
{
    const int i = indexOf(name);
    if (i < 0)
        return std::nullopt;
    return describe(d_->handle, i);
}

bool ScanDevice::setOption(const QString& name, const QVariant& value)
{
    const int i = indexOf(name);
    if (i < 0)
        return false;
    const SANE_Option_Descriptor* od = sane_get_option_descriptor(d_->handle, i);
    if (!od || !SANE_OPTION_IS_ACTIVE(od->cap) || !SANE_OPTION_IS_SETTABLE(od->cap) || od->size <= 0)
        return false;
    SANE_Status st = SANE_STATUS_INVAL;
    SANE_Int info = 0;
    switch (od->type) {
    case SANE_TYPE_BOOL: {
        SANE_Word w = value.toBool() ? SANE_TRUE : SANE_FALSE;
        st = sane_control_option(d_->handle, i, SANE_ACTION_SET_VALUE, &w, &info);
        break;
    }
    case SANE_TYPE_INT:
    case SANE_TYPE_FIXED: {
        bool ok = false;
        const double v = value.toDouble(&ok);
        if (!ok)
            return false;
        // An array option takes the value in each of its places.
        std::vector<SANE_Word> words(size_t(std::max<SANE_Int>(1, od->size / SANE_Int(sizeof(SANE_Word)))),
                                     toWord(v, od->type));
        st = sane_control_option(d_->handle, i, SANE_ACTION_SET_VALUE, words.data(), &info);
        break;
    }
    case SANE_TYPE_STRING: {
        QByteArray s = value.toString().toUtf8();
        if (s.size() >= od->size)
            return false;
        s.resize(od->size, '\0');
        st = sane_control_option(d_->handle, i, SANE_ACTION_SET_VALUE, s.data(), &info);
        break;
    }
    default: return false;
    }
    return st == SANE_STATUS_GOOD;
}

bool ScanDevice::pressOption(const QString& name)
{
    const int i = indexOf(name);
    if (i < 0)
        return false;
    return sane_control_option(d_->handle, i, SANE_ACTION_SET_VALUE, nullptr, nullptr) == SANE_STATUS_GOOD;
}

QStringList ScanDevice::sources() const
{
    const std::optional<ScanOption> o = option(QStringLiteral(SANE_NAME_SCAN_SOURCE));
    return o && o->active ? o->strings : QStringList{};
}

QString ScanDevice::currentSource() const
{
    const std::optional<ScanOption> o = option(QStringLiteral(SANE_NAME_SCAN_SOURCE));
    return o && o->active ? o->value.toString() : QString();
}

namespace {

// The value the option allows that comes nearest to v: clamped into a range,
// the nearest entry of a list.
double fitted(const ScanOption& o, double v)
{
    if (o.limit == ScanOption::Range && o.max >= o.min)
        return std::clamp(v, o.min, o.max);
    if (o.limit == ScanOption::List && !o.numbers.isEmpty()) {
        double best = o.numbers.first();
        for (double n : o.numbers)
            if (std::abs(n - v) < std::abs(best - v))
                best = n;
        return best;
    }
    return v;
}

}  // namespace

bool ScanDevice::applySettings(const ScanSettings& in)
{
    const ScanSettings s = clampedScanSettings(in);
    bool all = true;
    // The source first: it may change what the other options allow.
    const QStringList srcs = sources();
    if (srcs.isEmpty()) {
        all = all && s.feeder == 0;  // a device without a choice is a flatbed
    } else {
        const QString pick = pickSource(srcs, s.feeder);
        all = !pick.isEmpty() && setOption(QStringLiteral(SANE_NAME_SCAN_SOURCE), pick) && all;
    }
    // Colour at eight bits where the device offers them; pages are made
    // 24-bit in any case, so a device without them is no failure.
    if (const std::optional<ScanOption> mode = option(QStringLiteral(SANE_NAME_SCAN_MODE));
        mode && mode->strings.contains(QStringLiteral(SANE_VALUE_SCAN_MODE_COLOR)))
        setOption(QStringLiteral(SANE_NAME_SCAN_MODE), QStringLiteral(SANE_VALUE_SCAN_MODE_COLOR));
    if (const std::optional<ScanOption> depth = option(QStringLiteral(SANE_NAME_BIT_DEPTH));
        depth && depth->numbers.contains(8.0))
        setOption(QStringLiteral(SANE_NAME_BIT_DEPTH), 8);

    const std::optional<ScanOption> res = option(QStringLiteral(SANE_NAME_SCAN_RESOLUTION));
    all = res && setOption(QStringLiteral(SANE_NAME_SCAN_RESOLUTION), fitted(*res, s.dpi)) && all;

    const ScanAreaMm area = scanAreaMm(s);
    const std::pair<const char*, double> geometry[] = {
        {SANE_NAME_SCAN_TL_X, area.tlx}, {SANE_NAME_SCAN_TL_Y, area.tly},
        {SANE_NAME_SCAN_BR_X, area.brx}, {SANE_NAME_SCAN_BR_Y, area.bry}};
    for (const auto& [name, mm] : geometry) {
        const std::optional<ScanOption> o = option(QString::fromLatin1(name));
        double v = mm;
        const bool pixels = o && o->unit == SANE_UNIT_PIXEL;
        if (pixels)
            v = mm / 25.4 * s.dpi;
        // A paper larger than the bed scans what the bed holds, and the user
        // is told that the paper was not taken as it stands (half a
        // millimetre or one pixel is rounding, not cropping).
        const double f = o ? fitted(*o, v) : v;
        const bool cropped = std::abs(f - v) > (pixels ? 1.0 : 0.5);
        all = o && setOption(QString::fromLatin1(name), f) && !cropped && all;
    }

    // Brightness and contrast: -1000..1000 onto the device's range. A device
    // without the option is short of it only when a value other than the
    // neutral 0 was asked for.
    const std::pair<const char*, int> levels[] = {{SANE_NAME_BRIGHTNESS, s.brightness},
                                                  {SANE_NAME_CONTRAST, s.contrast}};
    for (const auto& [name, level] : levels) {
        const std::optional<ScanOption> o = option(QString::fromLatin1(name));
        if (!o || !o->active) {
            all = all && level == 0;
            continue;
        }
        double v = level;
        if (o->limit == ScanOption::Range)
            v = mapLevel(level, o->min, o->max);
        all = setOption(QString::fromLatin1(name), v) && all;
    }
    return all;
}

namespace {

// Reads one frame of a started scan into `frame`. The device's status when
// it failed; the data is bounded by the pixel limit.
SANE_Status readFrame(SANE_Handle h, ScanFrame& frame, bool& lastFrame)
{
    SANE_Parameters p{};
    SANE_Status st = sane_get_parameters(h, &p);
    if (st != SANE_STATUS_GOOD)
        return st;
    lastFrame = p.last_frame != SANE_FALSE;
    frame.format = p.format;
    frame.depth = p.depth;
    frame.pixelsPerLine = p.pixels_per_line;
    frame.bytesPerLine = p.bytes_per_line;
    frame.lines = p.lines;
    // The most data taken: the lines announced, or as many lines as the
    // pixel limit allows when the device does not know.
    qint64 cap = 0;
    if (p.bytes_per_line > 0) {
        const qint64 maxLines = p.pixels_per_line > 0 ? kMaxPixels / p.pixels_per_line : 0;
        cap = qint64(p.bytes_per_line) * (p.lines >= 0 ? std::min<qint64>(p.lines, maxLines) : maxLines);
    }
    QByteArray buf(64 * 1024, Qt::Uninitialized);
    for (;;) {
        SANE_Int got = 0;
        st = sane_read(h, reinterpret_cast<SANE_Byte*>(buf.data()), SANE_Int(buf.size()), &got);
        if (st == SANE_STATUS_EOF)
            return SANE_STATUS_GOOD;
        if (st != SANE_STATUS_GOOD)
            return st;
        if (got > 0 && frame.data.size() < cap)
            frame.data.append(buf.constData(), std::min<qint64>(got, cap - frame.data.size()));
    }
}

}  // namespace

ScanDevice::Result ScanDevice::acquire(const std::function<bool(QImage&)>& onPage, const std::atomic<bool>* stop)
{
    Result r;
    SANE_Handle h = d_->handle;
    const bool feeder = isFeederSource(currentSource());
    for (;;) {
        if (stop && stop->load()) {
            r.status = Status::Stopped;
            break;
        }
        QList<ScanFrame> frames;
        SANE_Status st = SANE_STATUS_GOOD;
        bool last = false;
        bool empty = false;
        // One page: one frame, or three for a three-pass device.
        for (int pass = 0; pass < 3 && !last; ++pass) {
            st = sane_start(h);
            if (st == SANE_STATUS_NO_DOCS && feeder && pass == 0) {
                empty = true;
                break;
            }
            if (st != SANE_STATUS_GOOD)
                break;
            ScanFrame f;
            st = readFrame(h, f, last);
            if (st != SANE_STATUS_GOOD)
                break;
            frames << f;
        }
        // Some feeders tell they are empty only when the page is read.
        if (st == SANE_STATUS_NO_DOCS && feeder && frames.isEmpty())
            empty = true;
        if (empty)
            break;  // the feeder has no more documents
        if (st != SANE_STATUS_GOOD) {
            r.status = Status::Error;
            r.detail = text(sane_strstatus(st));
            break;
        }
        QImage page = pageFromFrames(frames);
        frames.clear();
        ++r.pages;
        const bool more = onPage(page);
        if (!more || (stop && stop->load())) {
            r.status = Status::Stopped;
            break;
        }
        if (!feeder)
            break;  // a flatbed holds one page
    }
    sane_cancel(h);
    return r;
}

ScanDevice::Result acquireInBackground(const ScanAcquisition& acquire, const std::function<bool(QImage&)>& onPage,
                                       const std::function<void()>& pump, const std::atomic<bool>* stop)
{
    std::mutex m;
    std::condition_variable cv;
    std::optional<QImage> pending;  // a page waiting for the calling thread
    std::optional<bool> answer;     // its answer
    bool finished = false;
    ScanDevice::Result result;

    std::thread worker([&] {
        result = acquire(
            [&](QImage& page) {
                std::unique_lock<std::mutex> lock(m);
                pending = std::move(page);
                cv.notify_all();
                cv.wait(lock, [&] { return answer.has_value(); });
                const bool more = *answer;
                answer.reset();
                return more;
            },
            stop);
        std::lock_guard<std::mutex> lock(m);
        finished = true;
        cv.notify_all();
    });
    for (;;) {
        std::optional<QImage> page;
        {
            std::unique_lock<std::mutex> lock(m);
            cv.wait_for(lock, std::chrono::milliseconds(20), [&] { return finished || pending.has_value(); });
            if (pending) {
                page = std::move(pending);
                pending.reset();
            } else if (finished) {
                break;
            }
        }
        if (page) {
            const bool more = onPage(*page);
            std::lock_guard<std::mutex> lock(m);
            answer = more;
            cv.notify_all();
        }
        if (pump)
            pump();
    }
    worker.join();
    return result;
}

void ApplyScanSettings(ScanDevice& device, const ScanSettings& settings, Messages& messages)
{
    if (!device.applySettings(settings))
        messages.information(kScanSettingsUnsupported);
}

ScanRunResult RunScan(ScanDevice& device, const QString& tempFolder,
                      const std::function<bool(const QString& file)>& importFile, Messages& messages,
                      const ScanRunControl& control)
{
    return RunScan([&device](const std::function<bool(QImage&)>& onPage,
                             const std::atomic<bool>* stop) { return device.acquire(onPage, stop); },
                   tempFolder, importFile, messages, control);
}

ScanRunResult RunScan(const ScanAcquisition& acquire, const QString& tempFolder,
                      const std::function<bool(const QString& file)>& importFile, Messages& messages,
                      const ScanRunControl& control)
{
    ScanRunResult r;
    QDir().mkpath(tempFolder);
    const QString path = QDir(tempFolder).filePath(kScanTempName);
    auto onPage = [&](QImage& page) {
        if (page.isNull() || !EncodeJpegFile(page, path, false, kDefaultJpegQuality, messages)) {
            messages.information(kScanPageFailed);
            return true;
        }
        page = QImage();
        if (!importFile(path)) {
            r.stopped = true;
            return false;
        }
        ++r.imported;
        if (control.counted)
            control.counted(r.imported);
        return true;
    };
    const ScanDevice::Result a = control.pump ? acquireInBackground(acquire, onPage, control.pump, control.stop)
                                              : acquire(onPage, control.stop);
    if (a.status == ScanDevice::Status::Error) {
        r.deviceError = true;
        messages.error(kScanError);
    } else if (a.status == ScanDevice::Status::Stopped) {
        r.stopped = true;
    }
    return r;
}

}  // namespace zb
