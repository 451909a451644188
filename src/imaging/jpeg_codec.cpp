#include "imaging/jpeg_codec.h"

#include "core/ports.h"
#include "imaging/exif.h"
#include "imaging/orientation.h"
#include "imaging/working_bitmap.h"

#include <QFile>
#include <QSaveFile>

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

extern "C" {
#include <jerror.h>
#include <jpeglib.h>
}

namespace zb {

namespace {

// libjpeg reports fatal errors through error_exit, which by default ends the
// program. Ours jumps back to the call instead. Codes and texts of failures we
// detect ourselves (picture too large, endless scans) are kept beside it.
struct ErrorManager {
    jpeg_error_mgr pub{};
    std::jmp_buf jump{};
    enum class Own { None, TooLarge, TooManyScans } own = Own::None;
    qint64 width = 0, height = 0;  // of a picture refused as too large
    qint64 limit = 0;              // the pixel limit it passed
};

// A progressive JPEG may declare any number of scans, each one a full pass over
// the coefficients; real files have a handful. This bounds the work a hostile
// file can cause.
constexpr int kMaxScans = 500;

[[noreturn]] void failOwn(j_common_ptr c, ErrorManager::Own what, qint64 w = 0, qint64 h = 0, qint64 limit = 0)
{
    auto* err = reinterpret_cast<ErrorManager*>(c->err);
    err->own = what;
    err->width = w;
    err->height = h;
    err->limit = limit;
    std::longjmp(err->jump, 1);
}

[[noreturn]] void onErrorExit(j_common_ptr c)
{
    std::longjmp(reinterpret_cast<ErrorManager*>(c->err)->jump, 1);
}

// Warnings that mean the pixels could not all be read (a truncated file,
// damaged entropy-coded data) end the decode: a partly grey picture must not
// be stored as if it were the photo. Harmless warnings are ignored.
void onEmitMessage(j_common_ptr c, int level)
{
    if (level >= 0)
        return;
    const int code = c->err->msg_code;
    if (code == JWRN_JPEG_EOF || code == JWRN_HIT_MARKER || code == JWRN_MUST_RESYNC)
        onErrorExit(c);
}

void onProgress(j_common_ptr c)
{
    if (!c->is_decompressor)
        return;
    auto* d = reinterpret_cast<j_decompress_ptr>(c);
    if (d->input_scan_number > kMaxScans)
        failOwn(c, ErrorManager::Own::TooManyScans);
}

void initErrors(ErrorManager& err)
{
    jpeg_std_error(&err.pub);
    err.pub.error_exit = onErrorExit;
    err.pub.emit_message = onEmitMessage;
}

QString libraryText(j_common_ptr c)
{
    char buffer[JMSG_LENGTH_MAX] = {};
    c->err->format_message(c, buffer);
    return QString::fromLocal8Bit(buffer);
}

// The text libjpeg has for one of its codes (used for failures met before the
// library runs, such as an unreadable file).
QString textOfCode(int code)
{
    jpeg_error_mgr err{};
    jpeg_std_error(&err);
    if (code >= 0 && code <= err.last_jpeg_message)
        return QString::fromLatin1(err.jpeg_message_table[code]);
    return {};
}

void reportFailure(j_common_ptr c, const ErrorManager& err, Messages& messages)
{
    switch (err.own) {
    case ErrorManager::Own::TooLarge:
        messages.status(jpegErrorStatus(QStringLiteral("Image too large: %1 x %2 pixels (limit %3 pixels)")
                                            .arg(err.width).arg(err.height).arg(err.limit),
                                        JERR_IMAGE_TOO_BIG));
        break;
    case ErrorManager::Own::TooManyScans:
        messages.status(jpegErrorStatus(QStringLiteral("Too many scans (limit %1)").arg(kMaxScans),
                                        JERR_BAD_PROGRESSION));
        break;
    case ErrorManager::Own::None:
        if (c->err->msg_code == JERR_NO_BACKING_STORE) {
            // The decoder's buffers would pass kMaxDecoderMemory.
            const auto* d = reinterpret_cast<j_decompress_ptr>(c);
            messages.status(jpegErrorStatus(QStringLiteral("Image too large to decode: %1 x %2 pixels (memory limit %3 bytes)")
                                                .arg(d->image_width).arg(d->image_height).arg(kMaxDecoderMemory),
                                            JERR_NO_BACKING_STORE));
            break;
        }
        messages.status(jpegErrorStatus(libraryText(c), c->err->msg_code));
        break;
    }
}

// Everything the decoder touches lives here, so that state survives the jump
// back from an error (locals of the function that called setjmp would not).
struct DecodeJob {
    jpeg_decompress_struct cinfo{};
    ErrorManager err;
    jpeg_progress_mgr progress{};
    QImage image;
    std::vector<JSAMPLE> row;
};

// The JFIF APP0 segment may carry an uncompressed RGB thumbnail:
// "JFIF\0", version (2), units (1), densities (2 + 2), width (1), height (1),
// then width x height RGB triplets.
bool jfifThumbnail(j_decompress_ptr cinfo, int target, QImage& out)
{
    for (jpeg_saved_marker_ptr m = cinfo->marker_list; m; m = m->next) {
        if (m->marker != JPEG_APP0 || m->data_length < 14)
            continue;
        const JOCTET* d = m->data;
        if (std::memcmp(d, "JFIF\0", 5) != 0)
            continue;
        const int tw = d[12], th = d[13];
        if (tw == 0 || th == 0 || (tw < target && th < target))
            return false;
        if (m->data_length < 14u + 3u * unsigned(tw) * unsigned(th))
            return false;
        QImage thumb = newWorkingBitmap(tw, th);
        if (thumb.isNull())
            return false;
        const JOCTET* rgb = d + 14;
        for (int y = 0; y < th; ++y) {
            uchar* line = thumb.scanLine(y);
            for (int x = 0; x < tw; ++x, rgb += 3) {
                line[3 * x] = rgb[2];
                line[3 * x + 1] = rgb[1];
                line[3 * x + 2] = rgb[0];
            }
        }
        out = thumb;
        return true;
    }
    return false;
}

// `fit` (when not empty) asks for the smallest decode of 1/8, 1/4, 1/2 or the
// whole size (the reductions the decoder does fastest) that still holds at
// least fit's width and height.
bool runDecode(DecodeJob* job, const JOCTET* data, unsigned long size, int target, bool headerOnly,
               QSize fit = QSize())
{
    j_decompress_ptr cinfo = &job->cinfo;
    if (setjmp(job->err.jump))
        return false;

    jpeg_mem_src(cinfo, data, size);
    if (target > 0)
        jpeg_save_markers(cinfo, JPEG_APP0, 0xffff);
    jpeg_read_header(cinfo, TRUE);
    if (headerOnly)
        return true;

    const qint64 w = cinfo->image_width, h = cinfo->image_height;
    // The working-bitmap limit applies to what is decoded (checked below), so a
    // photo larger than it is still read at a reduction. The picture itself is
    // bounded separately, and the decoder's own buffers by kMaxDecoderMemory
    // (a progressive file keeps coefficients for every pixel whatever the scale).
    if (w * h > kMaxJpegPixels)
        failOwn(reinterpret_cast<j_common_ptr>(cinfo), ErrorManager::Own::TooLarge, w, h, kMaxJpegPixels);

    if (target > 0 && jfifThumbnail(cinfo, target, job->image)) {
        jpeg_abort_decompress(cinfo);
        return true;
    }

    cinfo->scale_num = 1;
    cinfo->scale_denom = unsigned(JpegScaleFor(int(w), int(h), target));
    if (!fit.isEmpty()) {
        unsigned n = 1;
        while (n < 8 && ((w * n + 7) / 8 < fit.width() || (h * n + 7) / 8 < fit.height()))
            n *= 2;
        cinfo->scale_num = n;
        cinfo->scale_denom = 8;
    }

    bool direct = false;  // scanlines land in the bitmap as they are
    if (cinfo->jpeg_color_space == JCS_GRAYSCALE || cinfo->jpeg_color_space == JCS_YCbCr ||
        cinfo->jpeg_color_space == JCS_RGB) {
        cinfo->out_color_space = JCS_EXT_BGR;
        direct = true;
    } else if (cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK) {
        cinfo->out_color_space = JCS_CMYK;
    } else {
        cinfo->out_color_space = cinfo->jpeg_color_space;  // other: passed through
    }

    jpeg_calc_output_dimensions(cinfo);
    if (!withinPixelLimit(cinfo->output_width, cinfo->output_height))
        failOwn(reinterpret_cast<j_common_ptr>(cinfo), ErrorManager::Own::TooLarge,
                cinfo->output_width, cinfo->output_height, kMaxPixels);
    job->image = newWorkingBitmap(cinfo->output_width, cinfo->output_height);
    if (job->image.isNull())
        ERREXIT1(cinfo, JERR_OUT_OF_MEMORY, 0);

    jpeg_start_decompress(cinfo);
    const int outChannels = cinfo->output_components;
    const int ow = int(cinfo->output_width);
    if (!direct)
        job->row.resize(size_t(ow) * size_t(outChannels));
    // Adobe writes CMYK inverted; other writers store it plainly.
    const bool inverted = cinfo->saw_Adobe_marker;

    while (cinfo->output_scanline < cinfo->output_height) {
        const int y = int(cinfo->output_scanline);
        if (direct) {
            JSAMPROW rows[1] = {job->image.scanLine(y)};
            jpeg_read_scanlines(cinfo, rows, 1);
            continue;
        }
        JSAMPROW rows[1] = {job->row.data()};
        jpeg_read_scanlines(cinfo, rows, 1);
        uchar* line = job->image.scanLine(y);
        const JSAMPLE* src = job->row.data();
        for (int x = 0; x < ow; ++x, src += outChannels, line += 3) {
            if (cinfo->out_color_space == JCS_CMYK && outChannels == 4) {
                int c = src[0], m = src[1], yy = src[2], k = src[3];
                if (!inverted) {
                    c = 255 - c; m = 255 - m; yy = 255 - yy; k = 255 - k;
                }
                line[0] = uchar(yy * k / 255);
                line[1] = uchar(m * k / 255);
                line[2] = uchar(c * k / 255);
            } else {
                line[0] = src[0];
                line[1] = src[outChannels > 1 ? 1 : 0];
                line[2] = src[outChannels > 2 ? 2 : 0];
            }
        }
    }
    jpeg_finish_decompress(cinfo);
    return true;
}

bool decode(const QByteArray& data, QImage* bitmap, JpegHeader* header, int target, Messages& messages,
            QSize fit = QSize())
{
    // A picture is decoded as it is shown: upright, as its EXIF Orientation
    // says. A size to fit is asked of the stored pixels, so turned sides swap.
    const Orientation orientation = bitmap ? ExifOrientationOf(data) : Orientation::TopLeft;
    if (transformFor(orientation).swapsSides())
        fit.transpose();
    DecodeJob job;
    initErrors(job.err);
    job.cinfo.err = &job.err.pub;
    jpeg_create_decompress(&job.cinfo);
    // Buffers beyond this fail the decode (there is no backing store) instead
    // of being allocated.
    job.cinfo.mem->max_memory_to_use = long(kMaxDecoderMemory);
    job.progress.progress_monitor = onProgress;
    job.cinfo.progress = &job.progress;
    const bool ok = runDecode(&job, reinterpret_cast<const JOCTET*>(data.constData()),
                              static_cast<unsigned long>(data.size()), std::max(target, 0),
                              header != nullptr, fit);
    if (ok && header) {
        header->width = int(job.cinfo.image_width);
        header->height = int(job.cinfo.image_height);
        header->channels = job.cinfo.num_components;
    }
    if (!ok)
        reportFailure(reinterpret_cast<j_common_ptr>(&job.cinfo), job.err, messages);
    jpeg_destroy_decompress(&job.cinfo);
    if (!ok || !bitmap)
        return ok;
    if (!applyOrientation(job.image, orientation)) {
        messages.status(jpegErrorStatus(textOfCode(JERR_OUT_OF_MEMORY), JERR_OUT_OF_MEMORY));
        return false;
    }
    *bitmap = job.image;
    return true;
}

struct EncodeJob {
    jpeg_compress_struct cinfo{};
    ErrorManager err;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
};

bool runEncode(EncodeJob* job, const QImage* image, bool grey, int quality)
{
    j_compress_ptr cinfo = &job->cinfo;
    if (setjmp(job->err.jump))
        return false;
    jpeg_mem_dest(cinfo, &job->buffer, &job->size);
    cinfo->image_width = JDIMENSION(image->width());
    cinfo->image_height = JDIMENSION(image->height());
    cinfo->input_components = 3;
    cinfo->in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(cinfo);
    if (grey) {
        jpeg_set_colorspace(cinfo, JCS_GRAYSCALE);
    } else {
        jpeg_set_colorspace(cinfo, JCS_YCbCr);
        cinfo->comp_info[0].h_samp_factor = 2;
        cinfo->comp_info[0].v_samp_factor = 2;
        for (int i = 1; i < 3; ++i) {
            cinfo->comp_info[i].h_samp_factor = 1;
            cinfo->comp_info[i].v_samp_factor = 1;
        }
    }
    jpeg_set_quality(cinfo, std::clamp(quality, 1, 100), TRUE);
    jpeg_start_compress(cinfo, TRUE);
    while (cinfo->next_scanline < cinfo->image_height) {
        JSAMPROW rows[1] = {const_cast<JSAMPLE*>(image->constScanLine(int(cinfo->next_scanline)))};
        jpeg_write_scanlines(cinfo, rows, 1);
    }
    jpeg_finish_compress(cinfo);
    return true;
}

}  // namespace

QString jpegErrorStatus(const QString& text, int code)
{
    return QStringLiteral(" JPEG Error Status=") + text + QLatin1Char('(') + QString::number(code) +
           QLatin1Char(')');
}

int JpegScaleFor(int w, int h, int target)
{
    if (target <= 0)
        return 1;
    const int f = std::max(w, h) / target;
    if (f >= 8)
        return 8;
    if (f >= 4)
        return 4;
    if (f >= 2)
        return 2;
    return 1;
}

bool ReadJpegHeader(const QByteArray& data, JpegHeader& header, Messages& messages)
{
    return decode(data, nullptr, &header, 0, messages);
}

bool DecodeJpeg(const QByteArray& data, QImage& bitmap, int target, Messages& messages)
{
    return decode(data, &bitmap, nullptr, target, messages);
}

bool DecodeJpegToFit(const QByteArray& data, QImage& bitmap, QSize atLeast, Messages& messages)
{
    return decode(data, &bitmap, nullptr, 0, messages, atLeast.isEmpty() ? QSize(1 << 30, 1 << 30) : atLeast);
}

bool DecodeJpegFile(const QString& path, QImage& bitmap, int target, Messages& messages)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        messages.status(jpegErrorStatus(textOfCode(JERR_FILE_READ), JERR_FILE_READ));
        return false;
    }
    return DecodeJpeg(file.readAll(), bitmap, target, messages);
}

bool EncodeJpeg(const QImage& bitmap, QByteArray& out, bool grey, int quality, Messages& messages)
{
    QImage image = bitmap.format() == kWorkingFormat ? bitmap : bitmap.convertToFormat(kWorkingFormat);
    EncodeJob job;
    initErrors(job.err);
    job.cinfo.err = &job.err.pub;
    jpeg_create_compress(&job.cinfo);
    const bool ok = runEncode(&job, &image, grey, quality);
    if (ok)
        out = QByteArray(reinterpret_cast<const char*>(job.buffer), qsizetype(job.size));
    else
        reportFailure(reinterpret_cast<j_common_ptr>(&job.cinfo), job.err, messages);
    jpeg_destroy_compress(&job.cinfo);
    std::free(job.buffer);
    return ok;
}

bool EncodeJpegFile(const QImage& bitmap, const QString& path, bool grey, int quality,
                    Messages& messages)
{
    QByteArray bytes;
    if (!EncodeJpeg(bitmap, bytes, grey, quality, messages))
        return false;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        messages.status(jpegErrorStatus(textOfCode(JERR_FILE_WRITE), JERR_FILE_WRITE));
        return false;
    }
    return true;
}

}  // namespace zb
