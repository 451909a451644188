#pragma once
// Text search shared by the master window and the photo search: the form both
// sides are compared in (half-width, katakana, upper case), the three match
// methods, and the search through an outline of entries visited by absolute
// index in one of three directions, limited to a depth range.
#include <QList>
#include <QString>

namespace zb::items {

// "完全一致", "先頭一致", "部分一致": list positions 0-2.
enum class MatchMode { Whole = 0, Beginning = 1, Anywhere = 2 };
const QStringList& matchModeNames();

// "先頭から", "現在位置から下に", "現在位置から上に": list positions 0-2.
enum class SearchDirection { FromFirst = 0, Down = 1, Up = 2 };

// A text as searches compare it: hiragana become katakana, full-width forms
// half-width (ガ becomes ｶﾞ), letters upper case. 「こうじ」, 「コウジ」 and
// 「ｺｳｼﾞ」 all give 「ｺｳｼﾞ」.
QString searchForm(QStringView text);

// Whether a value matches a search text, both already in search form.
// 先頭一致 compares the value's first characters with the whole text.
bool formMatches(const QString& valueForm, const QString& textForm, MatchMode mode);

// One entry of an outline in depth-first order.
struct SearchEntry {
    QString caption;
    int depth = 0;
};

// Depths searched; -1 for no bound.
struct DepthRange {
    int lowest = -1;
    int highest = -1;
    bool contains(int depth) const
    {
        return (lowest < 0 || depth >= lowest) && (highest < 0 || depth <= highest);
    }
};

// The absolute index of the first entry that matches, -1 when none does.
// FromFirst visits every entry from the first; Down starts after `selected`
// (at the first entry when nothing is selected, selected < 0); Up starts
// before `selected` (at the last entry without a selection) and goes to the
// first. An entry outside the range never matches; an empty text matches
// every entry in the range when emptyMatchesAll is set, else none.
int treeSearch(const QList<SearchEntry>& entries, const QString& text, MatchMode mode, SearchDirection direction,
               int selected, DepthRange range, bool emptyMatchesAll);

}  // namespace zb::items
