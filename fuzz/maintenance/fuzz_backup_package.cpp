// Feeds arbitrary bytes to the backup package reader, entry by entry, as a
// restore reads it.
#include "maintenance/backup_package.h"

#include <QBuffer>
#include <cstddef>
#include <cstdint>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer in(&bytes);
    in.open(QIODevice::ReadOnly);
    zb::BackupReader reader(in);
    if (!reader.readHead())
        return 0;
    (void)zb::encodeHeader(reader.header());
    (void)zb::encodeHierarchy(reader.folders(), true);
    zb::BackupPhoto photo;
    for (qint32 i = 0; i < reader.photoCount(); ++i) {
        if (!reader.readPhoto(photo))
            return 0;
        (void)zb::encodePhotoRecord(photo);
    }
    zb::BackupAlbum album;
    for (qint32 i = 0; i < reader.albumCount(); ++i) {
        if (!reader.readAlbum(album))
            return 0;
        (void)zb::safeAlbumName(album.name);
    }
    return 0;
}
