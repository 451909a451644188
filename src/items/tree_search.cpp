#include "items/tree_search.h"

#include "items/char_mode.h"

#include <QStringList>

namespace zb::items {

const QStringList& matchModeNames()
{
    static const QStringList names{QStringLiteral("完全一致"), QStringLiteral("先頭一致"), QStringLiteral("部分一致")};
    return names;
}

QString searchForm(QStringView text)
{
    QString kata;
    kata.reserve(text.size());
    for (QChar c : text) {
        const char16_t u = c.unicode();
        // ぁ-ゖ and ゝゞ sit 0x60 below their katakana.
        if ((u >= 0x3041 && u <= 0x3096) || u == 0x309D || u == 0x309E)
            kata += QChar(char16_t(u + 0x60));
        else
            kata += c;
    }
    QString half = toHalfWidth(kata);
    for (QChar& c : half)
        c = c.toUpper();
    return half;
}

bool formMatches(const QString& valueForm, const QString& textForm, MatchMode mode)
{
    switch (mode) {
    case MatchMode::Whole:
        return valueForm == textForm;
    case MatchMode::Beginning:
        // A prefix of whole characters is also a prefix of their Shift_JIS bytes.
        return valueForm.startsWith(textForm);
    case MatchMode::Anywhere:
        return valueForm.contains(textForm);
    }
    return false;
}

int treeSearch(const QList<SearchEntry>& entries, const QString& text, MatchMode mode, SearchDirection direction,
               int selected, DepthRange range, bool emptyMatchesAll)
{
    const int n = int(entries.size());
    if (n == 0)
        return -1;
    if (selected >= n)
        selected = -1;
    int from = 0, step = 1;
    switch (direction) {
    case SearchDirection::FromFirst:
        break;
    case SearchDirection::Down:
        from = selected < 0 ? 0 : selected + 1;
        break;
    case SearchDirection::Up:
        from = selected < 0 ? n - 1 : selected - 1;
        step = -1;
        break;
    }
    const QString key = searchForm(text);
    if (key.isEmpty() && !emptyMatchesAll)
        return -1;
    for (int i = from; i >= 0 && i < n; i += step) {
        const SearchEntry& e = entries[i];
        if (!range.contains(e.depth))
            continue;
        if (key.isEmpty() || formMatches(searchForm(e.caption), key, mode))
            return i;
    }
    return -1;
}

}  // namespace zb::items
