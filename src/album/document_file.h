#pragma once
// The file format of album (.ZBA) and format (.ZBF) documents, little-endian:
// the 119-byte header TGrphFileHeader; in a format, a JPEG preview; the page
// directory (8 bytes per page: number and stream length, ascending); the page
// streams. A page stream is the 37-byte TGrphPageHeader, the format name and
// the parts, each a 158-byte TPartsRecord followed by its font name, caption,
// points and picture. Strings are Shift_JIS.
//
// Readers bound every count and length by what remains of the input: a
// damaged or hostile file is refused with a reason, never read past its end.
#include "album/parts_box.h"

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QString>
#include <optional>

namespace zb::album {

inline constexpr int kFileHeaderSize = 119;
inline constexpr int kPageEntrySize = 8;
inline constexpr int kPageHeaderSize = 37;
inline constexpr int kPartsRecordSize = 158;
inline constexpr int kTitleRoom = 40;
inline constexpr int kMaxPage = 999;
inline constexpr int kMaxSlot = 25;

// The document header TGrphFileHeader.
struct TGrphFileHeader {
    bool cover = false;           // a format without a photo item bound to a slot (表書き)
    QString title;                // at most 40 bytes of Shift_JIS, cut at a character boundary
    qint32 paperCode = 9;         // 9 = A4
    quint8 orientation = 0;       // 0 portrait, 1 landscape
    Currency offsetX = 0, offsetY = 0;
    qint16 pageStart = 1;
    qint32 pageCount = 0;         // number of page-directory entries
    qint32 maxSlot = 0;           // formats: highest photo slot used
    qint32 maxDrawing = 0;        // formats: highest drawing frame used (1–3)
    qint32 previewLength = 0;
    bool operator==(const TGrphFileHeader&) const = default;
};
QByteArray encodeFileHeader(const TGrphFileHeader& header);
std::optional<TGrphFileHeader> decodeFileHeader(QByteArrayView bytes);

// A page: its parts in drawing order, orientation and, in an album, the
// name of the format it was poured from (no extension).
struct Page {
    QList<TPartsBox> parts;
    quint8 orientation = 0;
    QString formatName;
    bool operator==(const Page&) const = default;
};

QByteArray encodePart(const TPartsBox& part);
QByteArray encodePage(const Page& page);
// Reads a page stream; an empty stream is an empty page. nullopt with *error
// for a damaged stream.
std::optional<Page> decodePage(QByteArrayView stream, QString* error = nullptr);

// A whole document file: the header, the preview and the page streams by number.
struct DocumentFile {
    TGrphFileHeader header;
    QByteArray preview;
    QMap<int, QByteArray> pages;
};
// The file's bytes; the header's counts and lengths are taken from the preview
// and the pages given.
QByteArray encodeDocumentFile(const DocumentFile& file);
std::optional<DocumentFile> decodeDocumentFile(QByteArrayView bytes, QString* error = nullptr);
// Reads only the header (file lists, template reads).
std::optional<TGrphFileHeader> readFileHeader(const QString& path);

// Shown when a document cannot be read.
inline const QString kDamagedDocument = QStringLiteral("ファイルが壊れているため読み込めません。");

}  // namespace zb::album
