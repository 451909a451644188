#pragma once
// JPEG decoding and encoding on libjpeg-turbo. A codec failure never ends the
// program and never raises: the call returns false and the status bar shows
// " JPEG Error Status=" + the codec's text + "(" + its number + ")".
#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>

namespace zb {

class Messages;

inline constexpr int kDefaultJpegQuality = 90;

// The largest JPEG picture read at all: 512 Mi pixels. A reduced decode may
// read pictures above the working-bitmap limit (kMaxPixels), which applies to
// what is decoded: a 108-megapixel phone photo decoded at 1/8 for its
// thumbnail is an ordinary picture.
inline constexpr qint64 kMaxJpegPixels = 512LL * 1024 * 1024;
// The most memory the decoder may take for its own buffers (a progressive or
// multi-scan file keeps the coefficients of the whole picture).
inline constexpr qint64 kMaxDecoderMemory = 1024LL * 1024 * 1024;

struct JpegHeader {
    int width = 0;
    int height = 0;
    int channels = 0;
};

// Reads only the header of the JPEG in `data`: the stored size, before any
// turn its EXIF Orientation asks for. False (and the status text)
// when the data is not a readable JPEG.
bool ReadJpegHeader(const QByteArray& data, JpegHeader& header, Messages& messages);

// The decode scale denominator (1, 2, 4 or 8) for a picture of w x h pixels
// decoded for a target size: max(w, h) div target picks 1/8 from 8 up, 1/4
// from 4, 1/2 from 2, else full size. A target of 0 or less means full size.
int JpegScaleFor(int w, int h, int target);

// Decodes the JPEG in `data` into a working bitmap, turned upright as its EXIF
// Orientation says (the bytes themselves are never changed). Target 0 decodes at full
// size; a positive target allows a reduced decode: a JFIF thumbnail with a side
// of at least `target`, else the largest 1/2, 1/4 or 1/8 reduction the target
// allows. Decoded sizes above the pixel limit, pictures above kMaxJpegPixels,
// pictures whose decode needs more than kMaxDecoderMemory and damaged data (a
// truncated file included) fail.
bool DecodeJpeg(const QByteArray& data, QImage& bitmap, int target, Messages& messages);
bool DecodeJpegFile(const QString& path, QImage& bitmap, int target, Messages& messages);
// Decodes at the smallest of 1/8, 1/4, 1/2 and the whole picture that still
// holds `atLeast` in both directions: pictures drawn into a frame of known
// pixel size, as album pages are drawn.
bool DecodeJpegToFit(const QByteArray& data, QImage& bitmap, QSize atLeast, Messages& messages);

// Encodes the bitmap (brought to 24 bits first) as a baseline JPEG: colour as
// YCbCr with 2x2 chroma subsampling, or one grey channel. `out` is replaced by
// the JPEG bytes. Quality is clamped to 1..100.
bool EncodeJpeg(const QImage& bitmap, QByteArray& out, bool grey, int quality, Messages& messages);
// The same into a file. The file is written beside its final name and then
// renamed over it, so a failure leaves an existing file as it was.
bool EncodeJpegFile(const QImage& bitmap, const QString& path, bool grey, int quality,
                    Messages& messages);

// The status text for a codec failure.
QString jpegErrorStatus(const QString& text, int code);

}  // namespace zb
