#pragma once
// Thumbnails of photos whose picture is not stored in the table: made from the
// file the row's FILENAME names, and kept in a ring of 51 bitmaps (slots 0 to
// 50) for the whole run. A bitmap is reused when it was made from the same
// file and is at least the size asked for; otherwise the next slot of the ring
// takes the new bitmap, wrapping to the first slot once all 51 are in use.
#include <QImage>
#include <QString>
#include <functional>
#include <vector>

namespace zb {

// The thumbnail of a picture file at `size` (the shorter side): the file's
// embedded EXIF thumbnail when it is at least that size, else the file decoded
// (reduced where the codec allows) and scaled to the size. Null when the file
// does not exist or cannot be read.
QImage LoadFileThumbnail(const QString& path, int size);

class ThumbnailRing {
public:
    static constexpr int kSlots = 51;

    ThumbnailRing();

    // The thumbnail for the file at `path`, from the ring or made and kept in
    // it. Null (and nothing kept) when the file gives no picture.
    QImage thumbnail(const QString& path, int size);

    // Slots made so far (the ring grows on demand up to kSlots).
    int slotCount() const { return static_cast<int>(slots_.size()); }
    // Slot of the bitmap the last call returned, -1 before any.
    int lastSlot() const { return last_; }
    // File name a slot was made from.
    QString slotName(int slot) const { return slots_.at(static_cast<size_t>(slot)).name; }
    // Number of files read so far (a reuse reads none).
    int loads() const { return loads_; }

    // How a file becomes a thumbnail; LoadFileThumbnail unless replaced.
    std::function<QImage(const QString& path, int size)> loader;

private:
    struct Slot {
        QString name;
        QImage image;
    };
    std::vector<Slot> slots_;
    int next_ = 0;  // slot the next new bitmap goes to once the ring is full
    int last_ = -1;
    int loads_ = 0;
};

}  // namespace zb
