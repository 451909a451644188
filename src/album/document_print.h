#pragma once
// What printing needs of a document: its pages one at a time, their
// orientations, and the drawing of a page's parts at the printer's scale with
// the print offsets, photos decoded from their current pictures.
#include "album/parts_draw.h"
#include "album/print_run.h"

#include <functional>

namespace zb::album {

class FramePictures;

struct PrintSource {
    int pageCount = 0;            // the last page number
    // A page's content; an absent page is an empty page in `orientation`.
    std::function<Page(int page)> pageAt;
    quint8 orientation = 0;
    DrawMode mode = DrawMode::Album;
    qint16 pageStart = 1;
    CommonSettings company;       // formats: company values
    QDate today;                  // formats: dates
    FramePictures* pictures = nullptr;  // albums: the photo and drawing frames
    FrameLoader frames;                 // or a loader of them without decoding ahead
};

// The pages for PrintDocument. Each page is read, its frame pictures are
// decoded ahead, and it is drawn while the pictures of the page that follows
// decode on another core; the pictures are released after drawing, so the
// pictures of two pages at most are held in memory.
PrintPages printPagesOf(const PrintSource& source);

}  // namespace zb::album
