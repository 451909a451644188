#pragma once
// Field tokens in the captions of album and format parts: "{" code "." name
// [";" date format] "}". A token is the text between a "{" and the first "}"
// after it; a "}" before any "{" is literal text.
//
// Three resolutions:
//   for an album   — when a photo is poured: the value of each code, stored in
//                    the part's caption; tokens without a value stay as typed,
//                    tokens with an empty value disappear;
//   at drawing time — page number and count, frames drawn empty, every other
//                    token shown by its display part; nothing is stored;
//   while a format is edited — only the company values and the date codes
//                    (with today's date); other tokens show their display part.
#include "core/record.h"
#include "settings/settings.h"
#include "store/photo_table.h"
#include "store/tree_file.h"

#include <QDate>
#include <QString>
#include <optional>

namespace zb::engine {
class Table;
}

namespace zb::album {

struct CaptionToken {
    int code = 0;        // leading digits before the first "." (0 without ".")
    QString display;     // the body after the first "." (the whole body without ".")
    QString format;      // the text after the first ";" of the body
};
CaptionToken parseToken(QStringView body);

// Walks the tokens of a caption from the left. `value` returns the
// replacement of a token (nullopt: keep the token as typed, braces included).
QString substituteTokens(QStringView caption, const std::function<std::optional<QString>(const CaptionToken&)>& value);

// The job, album and photo the album resolution reads.
struct CaptionSources {
    QDate today;
    CommonSettings company;
    QString jobName;
    JobHeader header;
    Hierarchy folders;
    bool albumOpen = false;
    QString albumPath;     // the album's file (its name without folder and extension is code 305)
    QString albumTitle;    // code 306
    engine::Table* photoTable = nullptr;  // positioned on the part's photo as needed
    PhotoFields fields;
};

// The photo delivery name "PIC" + RECORD in five digits (the last five when
// longer) + ".JPG" (code 2001).
QString deliveryFileName(RECORD record);
// The captions of hierarchy levels 1–5 above the folder holding the photo,
// counted from the construction-photo root; empty where a level is missing.
QStringList levelCaptions(const Hierarchy& folders, RECORD record);

// The value of one code for an album; nullopt for codes without a value.
std::optional<QString> albumCodeValue(const CaptionToken& token, RECORD photo, CaptionSources& sources);
// The album resolution of a caption for the part's photo (0: none).
QString resolveForAlbum(QStringView caption, RECORD photo, CaptionSources& sources);

struct PageContext {
    int currentPage = 1;
    int lastPage = 1;
    int pageStart = 1;
};
QString resolveAtDrawing(QStringView caption, const PageContext& page);

// The format-editing resolution.
QString resolveForFormat(QStringView caption, const CommonSettings& company, QDate today);

// The company value of codes 50–58, nullopt for other codes.
std::optional<QString> companyValue(int code, const CommonSettings& company);

}  // namespace zb::album
