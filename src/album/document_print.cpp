#include "album/document_print.h"

#include "album/photo_binding.h"

#include <QPainter>
#include <cmath>
#include <memory>
#include <utility>

namespace zb::album {

PrintPages printPagesOf(const PrintSource& source)
{
    // The page read for its orientation is kept for its drawing, which
    // follows at once; the page after it is kept from its prefetch.
    struct Cache {
        struct Slot {
            int number = 0;
            Page page;
        };
        Slot now, next;
        int following = 0;  // the page drawn after the one being drawn
        FramePictures* pictures = nullptr;
        // Printing is over when the pages are let go: a prefetch left running
        // (printing cancelled) is stopped.
        ~Cache()
        {
            if (pictures)
                pictures->cancelPrefetch();
        }
    };
    auto cache = std::make_shared<Cache>();
    cache->pictures = source.pictures;
    const auto read = [source](int number) {
        Page page = source.pageAt ? source.pageAt(number) : Page{};
        if (page.parts.isEmpty())
            page.orientation = source.orientation;
        return page;
    };
    const auto fetch = [read, cache](int number) -> const Page& {
        if (cache->now.number != number) {
            if (cache->next.number == number) {
                cache->now = std::move(cache->next);
                cache->next = {};
            } else {
                cache->now = {number, read(number)};
            }
        }
        return cache->now.page;
    };
    PrintPages pages;
    pages.pageCount = source.pageCount;
    pages.orientationOf = [fetch](int number) { return int(fetch(number).orientation); };
    if (source.pictures)
        pages.comingNext = [cache](int number) { cache->following = number; };
    pages.drawPage = [source, fetch, read, cache](int number, QPainter& painter, double pixelsPerMm,
                                                  QPointF offsetMm) {
        const Page& page = fetch(number);
        DrawContext c;
        c.mode = source.mode;
        c.company = source.company;
        c.today = source.today;
        c.page = {number, source.pageCount, source.pageStart};
        c.target = DrawTarget::onPrinter(pixelsPerMm, QPoint(int(std::lround(offsetMm.x() * pixelsPerMm)),
                                                            int(std::lround(offsetMm.y() * pixelsPerMm))));
        if (source.pictures) {
            c.frames = source.pictures->loader();
            source.pictures->prepare(page, c.target);
            // The next page's pictures decode on another core while this one is drawn.
            const int following = std::exchange(cache->following, 0);
            if (following > 0) {
                if (following != number) {
                    cache->next = {following, read(following)};
                    source.pictures->prefetch(cache->next.page, c.target);
                } else {
                    source.pictures->prefetch(page, c.target);
                }
            }
        } else {
            c.frames = source.frames;
        }
        drawPage(painter, page, c);
        // Any picture not taken by the drawing is let go now; the page stays
        // for the copies that may follow it.
        if (source.pictures)
            source.pictures->releasePrepared();
        return true;
    };
    return pages;
}

}  // namespace zb::album
