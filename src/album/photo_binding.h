#pragma once
// Album parts and the job's photo table: binding parts to photo and drawing
// rows while pouring, and the pictures of photo and drawing frames when a
// page is drawn.
#include "album/album_document.h"
#include "album/caption_codes.h"
#include "album/parts_draw.h"

#include <QHash>

#include <memory>
#include <thread>

namespace zb::engine {
class Table;
}

namespace zb::album {

// Binds through the photo table: a photo frame needs its row (an empty ALBUM
// picture is made and posted, and its pixel size becomes the reference
// size); a drawing frame 2600 + k takes the photo's (k+1)-th non-empty
// drawing; an item takes its resolved text and is dropped when that is empty.
class TablePhotoBinder : public PhotoBinder {
public:
    explicit TablePhotoBinder(CaptionSources& sources, Messages& messages);
    bool photoExists(RECORD photo) override;
    bool bindPart(TPartsBox& part, RECORD photo) override;
    bool markInAlbum(RECORD photo) override;

private:
    CaptionSources& s_;
    Messages& messages_;
};

// The non-empty drawing references of a photo row, in field order.
QList<RECORD> photoDrawings(const engine::Table& table, const PhotoFields& fields);

// Frame pictures for drawing. On screen, a frame of at most 400 × 400 pixels
// is drawn from the row's ALBUM picture when it has one; larger frames,
// printing and rows without ALBUM decode the current picture. Pictures are
// cached by row and size while the target is the screen.
class FramePictures {
public:
    FramePictures(engine::Table& table, const PhotoFields& fields);
    ~FramePictures();
    FramePictures(const FramePictures&) = delete;
    FramePictures& operator=(const FramePictures&) = delete;
    FramePicture load(const TPartsBox& part, int code, QSize framePixels, bool screen);
    FrameLoader loader();
    void clearCache() { cache_.clear(); }
    // Lets go of prepared pictures the drawing did not take.
    void releasePrepared() { ready_.clear(); }
    // Decodes the frame pictures of a page ahead of drawing, on every core,
    // each turned and scaled to the size it fills in its frame; drawing then
    // only copies them. On a printer a picture is decoded with at least
    // kPrintPictureDpi at its printed size (all of it when the picture has
    // fewer pixels) and never enlarged: the printer scales it.
    // When the same page was handed to prefetch() before, its pictures are
    // taken from there (this thread helps to finish them).
    void prepare(const Page& page, const DrawTarget& target);
    // Starts decoding a page's frame pictures on another thread and returns
    // at once, so that the next page decodes while this one is drawn. The
    // rows are read here, on the calling thread. A page prefetched but never
    // prepared is dropped by the next prefetch or prepare.
    void prefetch(const Page& page, const DrawTarget& target);
    // Stops a prefetch nobody will draw (printing cancelled).
    void cancelPrefetch() { takePending(false); }
    static constexpr double kPrintPictureDpi = 300;

private:
    struct Source {
        QByteArray bytes;
        int kind = 0;
        bool missing = false;
    };
    struct Batch;
    Source source(RECORD record, QSize size, bool screen);
    static QString key(RECORD record, QSize size, bool screen);
    std::shared_ptr<Batch> collect(const Page& page, const DrawTarget& target);
    static QString preparedKey(const TPartsBox& part, RECORD record, QSize size, bool screen);
    static QStringList keysOf(const Page& page, const DrawTarget& target);
    // Ends the prefetch: waits for it, this thread decoding along, and hands
    // it over when `use`; otherwise stops it after the picture at hand.
    std::shared_ptr<Batch> takePending(bool use);

    engine::Table& table_;
    PhotoFields fields_;
    QHash<QString, QImage> cache_;
    QHash<QString, QImage> ready_;  // prepared pictures, taken once by drawing
    std::shared_ptr<Batch> pending_;  // being decoded by `worker_`
    std::thread worker_;
};

}  // namespace zb::album
