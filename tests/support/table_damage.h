#pragma once
// Damage written into a table file the way a failing disk or a cut write
// leaves it: bytes of one page of the file changed in place.
#include <QByteArray>
#include <QString>

namespace zbtest {

// The first page of a table or index of the file (sqlite_schema's rootpage).
quint32 rootPage(const QString& path, const char* name);
// The page size the file's header gives.
int pageSize(const QByteArray& file);
// The child page an interior table page's cell points to.
quint32 childPage(const QByteArray& file, quint32 page, int cell);
// Points cell `cell` of a B-tree page at the page header, where no cell can lie.
void breakCellPointer(QByteArray& file, quint32 page, int cell);
// Fills a whole page with 0xA5.
void overwritePage(QByteArray& file, quint32 page);
// Finds the overflow page that continues a picture made of `fill` bytes
// (one that is not the last of its chain) and points it past the file's end.
// False when there is none.
bool breakPictureChain(QByteArray& file, char fill);

}  // namespace zbtest
