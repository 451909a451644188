#include "items/master.h"

#include "core/ports.h"
#include "core/sjis.h"
#include "store/photo_table.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QTimeZone>

namespace zb::items {

const QStringList& masterDepthNames()
{
    static const QStringList names{QStringLiteral("分類"), QStringLiteral("区分"), QStringLiteral("工種"),
                                   QStringLiteral("種別"), QStringLiteral("細別")};
    return names;
}

const QStringList& masterPositionNames()
{
    static const QStringList names{QStringLiteral("先頭から"), QStringLiteral("現在位置から下に"),
                                   QStringLiteral("現在位置から上に")};
    return names;
}

MasterOutline defaultMaster()
{
    MasterOutline m{{0, QStringLiteral("工事")}};
    for (const char* kind : {"着手前及び完成写真", "施工状況写真", "安全管理写真", "使用材料写真", "品質管理写真",
                             "出来型管理写真", "災害写真", "その他"})
        m << MasterEntry{1, QString::fromUtf8(kind)};
    for (const char* top : {"測量", "調査", "地質", "広報", "設計", "その他"})
        m << MasterEntry{0, QString::fromUtf8(top)};
    return m;
}

MasterOutline outlineFromRows(const MasterOutline& rows, int* skipped, QList<int>* rowOf)
{
    MasterOutline out;
    int skip = 0;
    if (rowOf)
        rowOf->clear();
    for (qsizetype i = 0; i < rows.size(); ++i) {
        MasterEntry row = rows[i];
        if (out.isEmpty()) {
            row.depth = 0;
        } else if (row.depth < 0 || row.depth > out.last().depth + 1) {
            ++skip;
            continue;
        }
        out << row;
        if (rowOf)
            *rowOf << int(i) + 1;
    }
    if (skipped)
        *skipped = skip;
    return out;
}

int masterParent(const MasterOutline& outline, int index)
{
    if (index < 0 || index >= outline.size())
        return -1;
    for (int i = index - 1; i >= 0; --i)
        if (outline[i].depth < outline[index].depth)
            return i;
    return -1;
}

int masterSubtreeEnd(const MasterOutline& outline, int index)
{
    int i = index + 1;
    while (i < outline.size() && outline[i].depth > outline[index].depth)
        ++i;
    return i;
}

QList<SearchEntry> searchEntries(const MasterOutline& outline)
{
    QList<SearchEntry> out;
    out.reserve(outline.size());
    for (const MasterEntry& e : outline)
        out << SearchEntry{e.name, e.depth};
    return out;
}

namespace {

// Whether the bytes are Shift_JIS text: every lead byte has its trail byte,
// and no control characters other than tab and line ends.
bool isShiftJisText(QByteArrayView bytes)
{
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (sjis::isLeadByte(b)) {
            if (i + 1 >= bytes.size())
                return false;
            const auto t = static_cast<unsigned char>(bytes[i + 1]);
            if (t < 0x40 || t == 0x7F || t > 0xFC)
                return false;
            ++i;
        } else if ((b < 0x20 && b != '\t' && b != '\r' && b != '\n') || b == 0x7F || b == 0x80 || b == 0xA0
                   || b >= 0xFD) {
            return false;
        }
    }
    return true;
}

// The text of bytes that are valid UTF-8 with at least one character beyond
// ASCII (plain ASCII reads the same either way), a byte order mark dropped;
// nullopt otherwise.
std::optional<QString> decodeUtf8Text(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        bytes = bytes.sliced(3);
    bool beyondAscii = false;
    for (qsizetype i = 0; i < bytes.size();) {
        const auto b = static_cast<unsigned char>(bytes[i]);
        if (b < 0x80) {
            if (b < 0x20 && b != '\t' && b != '\r' && b != '\n')
                return std::nullopt;
            ++i;
            continue;
        }
        // Lead byte, number of trail bytes, and the range of the first trail
        // byte that keeps out overlong forms, surrogates and values past U+10FFFF.
        int trail = 0;
        unsigned char lo = 0x80, hi = 0xBF;
        if (b >= 0xC2 && b <= 0xDF) {
            trail = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
            trail = 2;
            if (b == 0xE0)
                lo = 0xA0;
            else if (b == 0xED)
                hi = 0x9F;
        } else if (b >= 0xF0 && b <= 0xF4) {
            trail = 3;
            if (b == 0xF0)
                lo = 0x90;
            else if (b == 0xF4)
                hi = 0x8F;
        } else {
            return std::nullopt;
        }
        if (i + trail >= bytes.size())
            return std::nullopt;
        for (int k = 1; k <= trail; ++k) {
            const auto t = static_cast<unsigned char>(bytes[i + k]);
            if (t < (k == 1 ? lo : 0x80) || t > (k == 1 ? hi : 0xBF))
                return std::nullopt;
        }
        beyondAscii = true;
        i += trail + 1;
    }
    if (!beyondAscii)
        return std::nullopt;
    return QString::fromUtf8(bytes.data(), bytes.size());
}

QString unquoted(const QString& field)
{
    if (field.size() >= 2 && field.startsWith(QLatin1Char('"')) && field.endsWith(QLatin1Char('"')))
        return field.mid(1, field.size() - 2);
    return field;
}

}  // namespace

CsvOutline parseCostCsv(QByteArrayView bytes)
{
    CsvOutline result;
    // Files made on Linux are UTF-8: bytes that are valid UTF-8 are read as
    // such (Shift_JIS text rarely is, while UTF-8 Japanese often passes the
    // Shift_JIS test and would turn into other characters).
    const std::optional<QString> utf8 = decodeUtf8Text(bytes);
    if (!utf8 && !isShiftJisText(bytes)) {
        result.badFormat = true;
        return result;
    }
    QStringList lines = (utf8 ? *utf8 : sjis::decode(bytes)).split(QLatin1Char('\n'));
    for (QString& l : lines)
        if (l.endsWith(QLatin1Char('\r')))
            l.chop(1);
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    if (lines.size() < 2) {
        result.badFormat = true;  // no data line
        return result;
    }
    int open[4] = {-1, -1, -1, -1};
    MasterOutline& out = result.outline;
    for (qsizetype n = 1; n < lines.size(); ++n) {
        const QStringList fields = lines[n].split(QLatin1Char(','));
        if (fields.size() != 6) {
            result.badFormat = true;
            break;
        }
        // The open entries are always the last chain of the outline, so every
        // new entry is appended.
        for (int d = 0; d < 4; ++d) {
            const QString caption = unquoted(fields[d + 1]);
            if (open[d] < 0 || out[open[d]].name.compare(caption, Qt::CaseInsensitive) != 0) {
                out << MasterEntry{d, caption};
                open[d] = int(out.size()) - 1;
                for (int deeper = d + 1; deeper < 4; ++deeper)
                    open[deeper] = -1;
            }
        }
        out << MasterEntry{4, unquoted(fields[5])};
    }
    return result;
}

// ------------------------------------------------------------------ TMaster

TMaster::TMaster(QString mastDir, QString lockDir, Messages& messages)
    : mastDir_(std::move(mastDir)), lockDir_(std::move(lockDir)), messages_(messages)
{
}

TMaster::~TMaster() { close(); }

QString TMaster::tablePath() const { return QDir(mastDir_).filePath(name_ + QStringLiteral(".DB")); }

QString TMaster::lockFilePath() const
{
    return lockDir_.isEmpty() ? QString() : QDir(lockDir_).filePath(name_ + QStringLiteral(".LC"));
}

bool TMaster::isOpen() const { return table_ && table_->isOpen(); }

void TMaster::close()
{
    if (table_)
        table_->closeTable();
    table_.reset();
}

QDateTime TMaster::currentStamp() const
{
    if (!shared())
        return {};
    const QFileInfo info(lockFilePath());
    return info.exists() ? info.lastModified().toUTC() : QDateTime();
}

bool TMaster::stampChanged() const { return shared() && currentStamp() != stamp_; }

void TMaster::rewriteLockFile()
{
    if (!shared())
        return;
    const QString path = lockFilePath();
    QDir().mkpath(lockDir_);
    QSaveFile f(path);
    if (f.open(QIODevice::WriteOnly)) {
        f.write(sjis::toBytes(kLockFileLine) + "\r\n");
        f.commit();
    }
    // Two changes within the file system's time resolution must still give
    // two stamps.
    QDateTime now = currentStamp();
    if (now.isValid() && stamp_.isValid() && now <= stamp_) {
        QFile touched(path);
        if (touched.open(QIODevice::ReadWrite))
            touched.setFileTime(stamp_.addSecs(1), QFileDevice::FileModificationTime);
        now = currentStamp();
    }
    stamp_ = now;
}

bool TMaster::load(const QString& name)
{
    close();
    name_ = name;
    outline_.clear();
    skipped_ = 0;
    const QString path = tablePath();
    table_ = std::make_unique<TTableNetWork>();
    bool ok = true;
    try {
        if (QFileInfo::exists(path)) {
            table_->openTable(path, false);
            stamp_ = currentStamp();
            const int level = table_->fieldIndex(QStringLiteral("LEVEL"));
            const int text = table_->fieldIndex(QStringLiteral("NAME"));
            // One statement reads every row: another computer's change is
            // seen whole or not at all.
            MasterOutline rows;
            table_->scanFields({level, text}, [&](const engine::RowView& v) {
                rows << MasterEntry{int(v.integer(0)), QString::fromUtf8(v.text(1))};
            });
            outline_ = outlineFromRows(rows, &skipped_, &rowOf_);
            rowCount_ = int(rows.size());
            levelOf_.clear();
            for (int r : std::as_const(rowOf_))
                levelOf_ << rows[r - 1].depth;
            for (int i = 0; i < skipped_; ++i)
                messages_.beep();
        } else {
            QDir().mkpath(mastDir_);
            stamp_ = currentStamp();
            openOrCreateMasterTable(path, *table_, false);
            const bool locked = table_->lockTable();
            ok = writeOutline(defaultMaster());
            if (locked)
                table_->unlockTable();
        }
    } catch (const engine::EngineError& e) {
        messages_.error(e.message());
        table_.reset();
        outline_.clear();
        ok = false;
    }
    if (reloaded)
        reloaded();
    return ok;
}

bool TMaster::writeOutline(const MasterOutline& outline)
{
    if (!isOpen())
        return false;
    try {
        const int level = table_->fieldIndex(QStringLiteral("LEVEL"));
        const int text = table_->fieldIndex(QStringLiteral("NAME"));
        table_->beginBatch();
        table_->empty();
        for (const MasterEntry& e : outline) {
            table_->append();
            table_->setValue(level, e.depth);
            table_->setValue(text, e.name);
            table_->post();
        }
        table_->commitBatch();
    } catch (const engine::EngineError& e) {
        table_->rollbackBatch();
        messages_.error(e.message());
        return false;
    }
    outline_ = outline;
    mapRowsOneToOne();
    rewriteLockFile();
    return true;
}

void TMaster::mapRowsOneToOne()
{
    rowOf_.clear();
    levelOf_.clear();
    for (qsizetype i = 0; i < outline_.size(); ++i) {
        rowOf_ << int(i) + 1;
        levelOf_ << outline_[i].depth;
    }
    rowCount_ = int(outline_.size());
}

bool TMaster::guard()
{
    if (!shared())
        return true;
    if (stampChanged()) {
        messages_.information(kMasterChanged);
        reload();
        return false;
    }
    if (!isOpen() || !table_->lockTable()) {
        messages_.warning(kMasterBusy);
        return false;
    }
    return true;
}

bool TMaster::checkRow(int index)
{
    const int level = table_->fieldIndex(QStringLiteral("LEVEL"));
    const int text = table_->fieldIndex(QStringLiteral("NAME"));
    if (index >= 0 && index < outline_.size() && index < rowOf_.size() && table_->moveToRow(rowOf_[index])
        && table_->value(level).toInt() == levelOf_[index]
        && table_->value(text).toString() == outline_[index].name)
        return true;
    messages_.beep();
    messages_.warning(kMasterConflict);
    return false;
}

std::optional<QString> TMaster::askName(const QString& caption, const QString& initial)
{
    QString proposal = initial;
    for (;;) {
        std::optional<QString> typed = messages_.inputBox(caption, kMasterFolderPrompt, proposal);
        if (!typed)
            return std::nullopt;
        if (sjis::byteLength(*typed) < kMasterNameLimit)
            return typed;
        messages_.information(kMasterNameTooLong);
        proposal = *typed;
    }
}

namespace {

// Releases the write lock of a change in every exit path.
struct Unlock {
    TTableNetWork* table;
    ~Unlock()
    {
        if (table && table->isOpen())
            table->unlockTable();
    }
};

}  // namespace

bool TMaster::canCreate(int selected) const
{
    if (outline_.isEmpty())
        return true;
    return selected >= 0 && selected < outline_.size() && outline_[selected].depth < kMaxMasterDepth;
}

bool TMaster::canRename(int selected) const { return selected >= 0 && selected < outline_.size(); }
bool TMaster::canDelete(int selected) const { return canRename(selected); }

int TMaster::newEntry(int selected)
{
    if (!isOpen() || !canCreate(selected))
        return -1;
    if (!guard())
        return -1;
    Unlock unlock{table_.get()};
    if (!canCreate(selected))
        return -1;
    const std::optional<QString> name = askName(kMasterNewCaption, kMasterNewProposal);
    if (!name || name->isEmpty())
        return -1;
    const bool empty = outline_.isEmpty();
    if (!empty && !checkRow(selected))
        return -1;
    const int index = empty ? 0 : masterSubtreeEnd(outline_, selected);
    const MasterEntry entry{empty ? 0 : outline_[selected].depth + 1, *name};
    // The new row goes before the row of the entry that follows the parent's
    // subtree, or after the last row.
    const int row = index < rowOf_.size() ? rowOf_[index] : rowCount_ + 1;
    try {
        table_->insertAt(row);
        table_->setValue(table_->fieldIndex(QStringLiteral("LEVEL")), entry.depth);
        table_->setValue(table_->fieldIndex(QStringLiteral("NAME")), entry.name);
        table_->post();
    } catch (const engine::EngineError& e) {
        table_->cancel();
        messages_.error(e.message());
        return -1;
    }
    outline_.insert(index, entry);
    for (int& r : rowOf_)
        if (r >= row)
            ++r;
    rowOf_.insert(index, row);
    levelOf_.insert(index, entry.depth);
    ++rowCount_;
    rewriteLockFile();
    return index;
}

int TMaster::renameEntry(int selected)
{
    if (!isOpen() || !canRename(selected))
        return -1;
    if (!guard())
        return -1;
    Unlock unlock{table_.get()};
    if (!canRename(selected))
        return -1;
    const std::optional<QString> name = askName(kMasterRenameCaption, outline_[selected].name);
    if (!name || *name == outline_[selected].name)
        return -1;
    if (!checkRow(selected))
        return -1;
    try {
        table_->edit();
        table_->setValue(table_->fieldIndex(QStringLiteral("NAME")), *name);
        table_->post();
    } catch (const engine::EngineError& e) {
        table_->cancel();
        messages_.error(e.message());
        return -1;
    }
    outline_[selected].name = *name;
    rewriteLockFile();
    return selected;
}

int TMaster::deleteEntry(int selected)
{
    if (!isOpen() || !canDelete(selected))
        return -1;
    if (!guard())
        return -1;
    Unlock unlock{table_.get()};
    if (!canDelete(selected))
        return -1;
    if (!messages_.confirm(kMasterDeleteConfirm))
        return -1;
    if (!checkRow(selected))
        return -1;
    const int depth = outline_[selected].depth;
    const int level = table_->fieldIndex(QStringLiteral("LEVEL"));
    const int first = rowOf_[selected];
    int removed = 0;
    try {
        // The entry's row and every following row deeper than it: its
        // descendants, in one transaction.
        table_->beginBatch();
        table_->remove();
        ++removed;
        while (!table_->eof() && table_->value(level).toInt() > depth) {
            table_->remove();
            ++removed;
        }
        table_->commitBatch();
    } catch (const engine::EngineError& e) {
        table_->rollbackBatch();
        messages_.error(e.message());
        return -1;
    }
    const int end = masterSubtreeEnd(outline_, selected);
    outline_.erase(outline_.begin() + selected, outline_.begin() + end);
    rowOf_.erase(rowOf_.begin() + selected, rowOf_.begin() + end);
    levelOf_.erase(levelOf_.begin() + selected, levelOf_.begin() + end);
    // Entries after the deleted rows move up by what was removed; an entry
    // among those rows was one of the subtree's (a row read past stays skipped).
    for (qsizetype i = selected; i < rowOf_.size();) {
        if (rowOf_[i] < first + removed) {
            outline_.removeAt(i);
            rowOf_.removeAt(i);
            levelOf_.removeAt(i);
            continue;
        }
        rowOf_[i] -= removed;
        ++i;
    }
    rowCount_ -= removed;
    rewriteLockFile();
    return std::min<int>(selected, int(outline_.size()) - 1);
}

bool TMaster::importCsv(const QString& path)
{
    if (!isOpen() || !guard())
        return false;
    Unlock unlock{table_.get()};
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly)) {
        messages_.warning(kCsvUnreadable + path);
        return false;
    }
    const QByteArray bytes = f.readAll();
    if (f.error() != QFileDevice::NoError) {
        messages_.warning(kCsvUnreadable + path);
        return false;
    }
    const CsvOutline csv = parseCostCsv(bytes);
    if (csv.badFormat)
        messages_.warning(kCsvBadFormat);
    // Nothing read: the master stays as it was rather than becoming empty.
    if (csv.outline.isEmpty())
        return false;
    const bool ok = writeOutline(csv.outline);
    if (ok && reloaded)
        reloaded();
    return ok;
}

bool TMaster::refreshIfChanged()
{
    if (!stampChanged())
        return false;
    reload();
    return true;
}

int TMaster::search(const QString& text, MatchMode mode, SearchDirection direction, int selected,
                    DepthRange range) const
{
    return treeSearch(searchEntries(outline_), text, mode, direction, selected, range, true);
}

int TMaster::synchronise(const QStringList& jobPath) const
{
    const int d = int(jobPath.size()) - 1;  // the master depth of the folder's level
    if (d < 0 || d > kMaxMasterDepth)
        return -1;
    const QList<SearchEntry> entries = searchEntries(outline_);
    int best = -1, bestCount = 0;
    for (int at = -1;;) {
        at = treeSearch(entries, jobPath.last(), MatchMode::Whole, SearchDirection::Down, at, {d, d}, false);
        if (at < 0)
            break;
        int count = 1;
        int ancestor = masterParent(outline_, at);
        for (int pair = 0; pair < d - 2 && ancestor >= 0; ++pair) {
            if (outline_[ancestor].name.compare(jobPath[d - 1 - pair], Qt::CaseInsensitive) == 0)
                ++count;
            ancestor = masterParent(outline_, ancestor);
        }
        if (count >= bestCount) {
            best = at;
            bestCount = count;
        }
        if (count == d - 1)
            break;
    }
    return best;
}

}  // namespace zb::items
