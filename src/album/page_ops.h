#pragma once
// Page insert, move and delete on the work files of an open album. Pages are
// renamed one by one, never over an existing file; every rename is noted so
// that a refused one puts back all the others, and every page is found
// exactly once afterwards, moved or not.
#include "album/album_document.h"

#include <QMap>

#include <functional>

namespace zb::album {

// Renames a file without replacing an existing one; tests supply one that
// refuses on a given step.
using RenameFile = std::function<bool(const QString& from, const QString& to)>;

inline const QString kPageMoveFailed = QStringLiteral("ページ移動に失敗しました。");
inline const QString kPageDeleteFailed = QStringLiteral("ページの削除に失敗しました。");
inline const QString kPastMaxPage = QStringLiteral("最大ページを越えます。");

// Whether `count` blank pages fit before the last page `lastPage`: 1 … 999 − m,
// and the pages 999 − count + 1 … 999 free.
bool canInsertPages(const GrphWork& work, int lastPage, int count);
// Every existing page from 998 down to `at` moves `count` numbers up.
bool insertBlankPages(GrphWork& work, int at, int count, const RenameFile& rename = {});
// The page `from` takes the number `to`; the pages between shift by one
// towards `from`.
bool movePage(GrphWork& work, int from, int to, const RenameFile& rename = {});
// The page is deleted and every following page moves one number down.
bool deletePage(GrphWork& work, int page, const RenameFile& rename = {});
// The name under which a page waits while the others move.
QString parkedFileName();

// The pages from `first` on, as their streams, kept before an operation
// that may stop midway (a rebuild's pour).
QMap<int, QByteArray> keepPagesFrom(const GrphWork& work, int first);
// The pages from `first` on become the kept ones again: pages made since are
// removed, the kept ones written back. False when a file could not be
// removed or written.
bool restorePagesFrom(GrphWork& work, int first, const QMap<int, QByteArray>& kept);

}  // namespace zb::album
