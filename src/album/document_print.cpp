#include "album/document_print.h"

#include "album/photo_binding.h"

#include <QPainter>
#include <cmath>
#include <memory>

namespace zb::album {

PrintPages printPagesOf(const PrintSource& source)
{
    // The page read for its orientation is kept for its drawing, which follows at once.
    struct Cache {
        int number = 0;
        Page page;
    };
    auto cache = std::make_shared<Cache>();
    const auto fetch = [source, cache](int number) -> const Page& {
        if (cache->number != number) {
            cache->page = source.pageAt ? source.pageAt(number) : Page{};
            if (cache->page.parts.isEmpty())
                cache->page.orientation = source.orientation;
            cache->number = number;
        }
        return cache->page;
    };
    PrintPages pages;
    pages.pageCount = source.pageCount;
    pages.orientationOf = [fetch](int number) { return int(fetch(number).orientation); };
    pages.drawPage = [source, fetch, cache](int number, QPainter& painter, double pixelsPerMm, QPointF offsetMm) {
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
        } else {
            c.frames = source.frames;
        }
        drawPage(painter, page, c);
        // The page and any picture not taken by the drawing are let go now.
        cache->number = 0;
        cache->page = Page{};
        if (source.pictures)
            source.pictures->releasePrepared();
        return true;
    };
    return pages;
}

}  // namespace zb::album
