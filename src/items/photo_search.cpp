#include "items/photo_search.h"

#include "core/ports.h"
#include "core/sjis.h"
#include "core/text.h"
#include "items/job_walk.h"

#include <QHash>
#include <algorithm>

namespace zb::items {

const QStringList& seekModeNames()
{
    static const QStringList names{QStringLiteral("一覧"), QStringLiteral("移動")};
    return names;
}

QStringList seekItemNames(bool listMode, const QString& todayYmd)
{
    QStringList names{QStringLiteral("工事階層/工事フォルダ"), QStringLiteral("写真整理フラッグ (例:0～99)"),
                      QStringLiteral("タイトル"), QStringLiteral("撮影箇所"),
                      QStringLiteral("写真/撮影年月日 (例:") + todayYmd + QStringLiteral(")"),
                      QStringLiteral("フィルム番号"), QStringLiteral("コマ番号"),
                      QStringLiteral("代表写真 (例:0～1)"), QStringLiteral("提出頻度写真 (例:0～1)")};
    if (listMode)
        names.removeFirst();
    return names;
}

QStringList seekDirectionNames(bool listMode)
{
    if (listMode)
        return {QStringLiteral("先頭から"), QStringLiteral("現在階層から下に")};
    return {QStringLiteral("先頭から"), QStringLiteral("現在位置から下に"), QStringLiteral("現在位置から上に")};
}

const QStringList& levelFromNames()
{
    static const QStringList names{QStringLiteral("無"),       QStringLiteral("大分類から"), QStringLiteral("区分から"),
                                   QStringLiteral("工種から"), QStringLiteral("種別から"),   QStringLiteral("細別から")};
    return names;
}

const QStringList& levelToNames()
{
    static const QStringList names{QStringLiteral("無"),       QStringLiteral("大分類まで"), QStringLiteral("区分まで"),
                                   QStringLiteral("工種まで"), QStringLiteral("種別まで"),   QStringLiteral("細別まで")};
    return names;
}

const QStringList& seekSortNames()
{
    static const QStringList names{QStringLiteral("無 (工事階層順)"), QStringLiteral("写真整理フラッグ"),
                                   QStringLiteral("タイトル"),        QStringLiteral("撮影箇所"),
                                   QStringLiteral("撮影年月日"),      QStringLiteral("フィルム番号"),
                                   QStringLiteral("コマ番号")};
    return names;
}

std::optional<SeekKind> seekKindAt(bool listMode, int position)
{
    const int kind = listMode ? position + 1 : position;
    if (position < 0 || kind < 0 || kind > int(SeekKind::Teisyutu))
        return std::nullopt;
    return SeekKind(kind);
}

bool isRangeKind(SeekKind kind)
{
    return kind == SeekKind::Flag || kind == SeekKind::Date || kind == SeekKind::FilmNum || kind == SeekKind::Daihyo
           || kind == SeekKind::Teisyutu;
}

namespace {

// Fields added to older tables: a photo whose field is null holds 0.
bool nullReadsZero(SeekKind kind) { return kind == SeekKind::Daihyo || kind == SeekKind::Teisyutu; }

}  // namespace

PhotoField seekField(SeekKind kind)
{
    switch (kind) {
    case SeekKind::Flag:
        return F_FLAG;
    case SeekKind::Title:
        return F_TITLE;
    case SeekKind::Kasyo:
        return F_KASYO;
    case SeekKind::Date:
        return F_DATE;
    case SeekKind::FilmNum:
        return F_FILMNUM;
    case SeekKind::NegaNum:
        return F_NEGANUM;
    case SeekKind::Daihyo:
        return F_DAIHYO;
    case SeekKind::Teisyutu:
        return F_TEISYUTU;
    case SeekKind::Folder:
        break;
    }
    return kPhotoFieldCount;
}

SeekTest::SeekTest(const SeekQuery& query) : kind_(query.kind), mode_(query.mode)
{
    if (isRangeKind(kind_)) {
        // A bound is the leading integer of its text (0 when it has none).
        if (!query.lower.isEmpty())
            lower_ = leadingInteger(query.lower);
        if (!query.upper.isEmpty())
            upper_ = leadingInteger(query.upper);
        hasInput_ = lower_ || upper_;
    } else {
        key_ = searchForm(query.text);
        hasInput_ = !query.text.isEmpty();
    }
}

bool SeekTest::matches(const QVariant& stored, bool listSearch) const
{
    const bool valid = stored.isValid() && !stored.isNull();
    if (!valid && nullReadsZero(kind_))
        return matchesText(QStringLiteral("0"), listSearch);
    return matchesText(valid ? stored.toString() : QString(), listSearch);
}

bool SeekTest::matchesText(const QString& stored, bool listSearch) const
{
    if (!hasInput_)
        return true;
    // Rows imported before every new row got flag 0 hold no flag: they are 0.
    const QString text = kind_ == SeekKind::Flag && stored.isEmpty() ? QStringLiteral("0") : stored;
    if (listSearch && text.isEmpty())
        return false;
    if (isRangeKind(kind_)) {
        const int v = leadingInteger(text);
        return (!lower_ || v >= *lower_) && (!upper_ || v <= *upper_);
    }
    return formMatches(searchForm(text), key_, mode_);
}

qint64 leadingDigits(QLatin1StringView text)
{
    qint64 v = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        v = std::min<qint64>(v * 10 + (c - '0'), qint64(1) << 53);
    }
    return v;
}

qint64 leadingDigits(QStringView text)
{
    qint64 v = 0;
    for (QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            break;
        v = std::min<qint64>(v * 10 + (c.unicode() - '0'), qint64(1) << 53);
    }
    return v;
}

namespace {

struct Match {
    RECORD record;
    qint64 number = 0;
    QByteArray bytes;
};

bool levelInRange(const Hierarchy& folders, int i, const SeekQuery& q) { return q.levels().contains(folders[i].depth); }

// The Shift_JIS bytes of a stored text (UTF-8), for byte-wise ordering. ASCII
// is the same in both.
QByteArray shiftJisKey(QByteArrayView utf8)
{
    for (char c : utf8)
        if (static_cast<unsigned char>(c) >= 0x80)
            return sjis::toBytes(QString::fromUtf8(utf8));
    return utf8.toByteArray();
}

}  // namespace

std::optional<QList<RECORD>> listSearch(const Hierarchy& folders, engine::Table& table, const PhotoFields& fields,
                                        const SeekQuery& query, int subtree, std::optional<SeekKind> sortKind,
                                        Progress& progress)
{
    const SeekTest test(query);
    const int valuePos = fields[seekField(query.kind)];
    const bool zeroForNull = nullReadsZero(query.kind);
    const bool sorted = sortKind && *sortKind != SeekKind::Folder && fields[seekField(*sortKind)] >= 0;
    const int sortPos = sorted ? fields[seekField(*sortKind)] : -1;
    int from = 0, to = int(folders.size());
    if (subtree >= 0 && subtree < folders.size()) {
        from = subtree;
        to = subtreeEnd(folders, subtree);
    }
    // One scan of the record, the tested field and the sort field of every
    // row finds the matching rows; the folders are then walked in hierarchy
    // order.
    QHash<RECORD, Match> matching;
    if (fields[F_RECORD] >= 0 && (!test.hasInput() || valuePos >= 0)) {
        QList<int> positions{fields[F_RECORD]};
        const int valueAt = test.hasInput() ? int(positions.size()) : -1;
        if (valueAt >= 0)
            positions << valuePos;
        const int sortAt = sorted ? int(positions.size()) : -1;
        if (sorted)
            positions << sortPos;
        matching.reserve(qsizetype(table.rowCount()));
        QHash<QByteArray, bool> tested;
        table.scanFields(positions, [&](const engine::RowView& row) {
            if (row.isNull(0))
                return;
            if (valueAt >= 0) {
                // Photos of a job share few distinct values (titles chosen from
                // a list): each distinct value is converted and tested once.
                const bool null = row.isNull(valueAt);
                const QByteArrayView v = null && zeroForNull ? QByteArrayView("0") : row.text(valueAt);
                const QByteArray key =
                    null && !zeroForNull ? QByteArray() : QByteArray::fromRawData(v.data(), v.size());
                auto known = tested.constFind(key);
                if (known == tested.constEnd())
                    known = tested.insert(QByteArray(key.constData(), key.size()),
                                          test.matchesText(QString::fromUtf8(v), true));
                if (!*known)
                    return;
            }
            Match m{RECORD(row.integer(0)), 0, {}};
            if (sortAt >= 0 && !row.isNull(sortAt)) {
                const QByteArrayView v = row.text(sortAt);
                switch (*sortKind) {
                case SeekKind::Flag:
                case SeekKind::FilmNum:
                    m.number = row.integer(sortAt);
                    break;
                case SeekKind::NegaNum:
                    m.number = leadingDigits(QLatin1StringView(v.data(), v.size()));
                    m.bytes = shiftJisKey(v);
                    break;
                default:
                    m.bytes = shiftJisKey(v);
                }
            }
            matching.insert(m.record, m);
        });
    }
    QList<Match> found;
    progress.start(int(folders.size()));
    bool stopped = false;
    for (int i = from; i < to && !stopped; ++i) {
        if (!progress.step()) {
            stopped = true;
            break;
        }
        if (isUnfiledFolder(folders, i) || !levelInRange(folders, i, query))
            continue;
        for (RECORD r : folders[i].photos) {
            const auto it = matching.constFind(r);
            if (it != matching.constEnd())
                found << *it;
        }
    }
    progress.end();
    if (stopped)
        return std::nullopt;
    if (sorted)
        std::stable_sort(found.begin(), found.end(), [](const Match& a, const Match& b) {
            if (a.number != b.number)
                return a.number < b.number;
            return a.bytes < b.bytes;
        });
    QList<RECORD> out;
    out.reserve(found.size());
    for (const Match& m : found)
        out << m.record;
    return out;
}

PhotoHit jumpSearch(const Hierarchy& folders, engine::Table& table, const PhotoFields& fields,
                    const SeekQuery& query, SearchDirection direction, int currentFolder, int currentPosition)
{
    const int n = int(folders.size());
    if (n == 0 || query.kind == SeekKind::Folder)
        return {};
    const SeekTest test(query);
    const int valuePos = fields[seekField(query.kind)];
    if (currentFolder >= n)
        currentFolder = -1;
    const bool up = direction == SearchDirection::Up;
    int folder = 0;
    int start = 0;  // position in the first folder visited; -1 for its last photo
    switch (direction) {
    case SearchDirection::FromFirst:
        break;
    case SearchDirection::Down:
        folder = currentFolder < 0 ? 0 : currentFolder;
        start = currentFolder < 0 || currentPosition < 0 ? 0 : currentPosition + 1;
        break;
    case SearchDirection::Up:
        folder = currentFolder < 0 ? n - 1 : currentFolder;
        start = currentFolder < 0 || currentPosition < 0 ? -1 : currentPosition - 1;
        if (currentFolder >= 0 && currentPosition == 0)
            start = -2;  // nothing before the first photo of this folder
        break;
    }
    for (bool first = true; folder >= 0 && folder < n; folder += up ? -1 : 1, first = false) {
        if (!levelInRange(folders, folder, query))
            continue;
        const QList<RECORD>& photos = folders[folder].photos;
        int pos = first ? start : (up ? -1 : 0);
        if (pos == -1 && up)
            pos = int(photos.size()) - 1;
        for (; pos >= 0 && pos < photos.size(); pos += up ? -1 : 1) {
            if (fields[F_RECORD] < 0 || !table.locate(photos[pos]))
                continue;
            if (!test.hasInput() || (valuePos >= 0 && test.matches(table.value(valuePos), false)))
                return {folder, pos};
        }
    }
    return {};
}

int folderJump(const Hierarchy& folders, const SeekQuery& query, SearchDirection direction, int currentFolder)
{
    QList<SearchEntry> entries;
    entries.reserve(folders.size());
    for (const TreeFolder& f : folders)
        entries << SearchEntry{f.caption, f.depth};
    return treeSearch(entries, query.text, query.mode, direction, currentFolder, query.levels(), true);
}

}  // namespace zb::items
