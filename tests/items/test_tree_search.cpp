#include "items/tree_search.h"

#include <gtest/gtest.h>

using namespace zb::items;

TEST(TreeSearch, SearchFormIsHalfWidthKatakanaUpperCase)
{
    struct Case {
        const char* in;
        const char* out;
    };
    const Case cases[] = {
        {"こうじ", "ｺｳｼﾞ"}, {"コウジ", "ｺｳｼﾞ"}, {"ｺｳｼﾞ", "ｺｳｼﾞ"}, {"ａｂｃ1", "ABC1"},
        {"abc", "ABC"},     {"ぱゔ", "ﾊﾟｳﾞ"},   {"工事", "工事"},   {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(searchForm(QString::fromUtf8(c.in)), QString::fromUtf8(c.out)) << c.in;
}

TEST(TreeSearch, MatchMethods)
{
    struct Case {
        const char* value;
        const char* text;
        MatchMode mode;
        bool match;
    };
    const Case cases[] = {
        {"コウジ", "こうじ", MatchMode::Whole, true},
        {"ｺｳｼﾞ", "こうじ", MatchMode::Anywhere, true},
        {"こうじ", "ｺｳｼﾞ", MatchMode::Whole, true},
        {"コウジ写真", "こうじ", MatchMode::Whole, false},
        {"コウジ写真", "こうじ", MatchMode::Beginning, true},
        {"写真コウジ", "こうじ", MatchMode::Beginning, false},
        {"写真コウジ", "こうじ", MatchMode::Anywhere, true},
        {"abc", "B", MatchMode::Anywhere, true},
        {"ガ", "ｶ", MatchMode::Beginning, true},
    };
    for (const Case& c : cases)
        EXPECT_EQ(formMatches(searchForm(QString::fromUtf8(c.value)), searchForm(QString::fromUtf8(c.text)), c.mode),
                  c.match)
            << c.value << " / " << c.text << " mode " << int(c.mode);
}

namespace {

// 0 工事, 1 A, 2 コウジ, 3 測量, 4 ｺｳｼﾞ, 5 B
QList<SearchEntry> outline()
{
    return {{"工事", 0}, {"A", 1}, {"コウジ", 2}, {"測量", 0}, {"ｺｳｼﾞ", 1}, {"B", 2}};
}

}  // namespace

TEST(TreeSearch, VisitingOrderOfTheThreeDirections)
{
    struct Case {
        SearchDirection dir;
        int selected;
        int found;
    };
    const Case cases[] = {
        {SearchDirection::FromFirst, 4, 2},
        {SearchDirection::Down, -1, 2},
        {SearchDirection::Down, 2, 4},
        {SearchDirection::Down, 4, -1},
        {SearchDirection::Up, -1, 4},
        {SearchDirection::Up, 4, 2},
        {SearchDirection::Up, 2, -1},
        {SearchDirection::Down, 99, 2},
    };
    for (const Case& c : cases)
        EXPECT_EQ(treeSearch(outline(), QStringLiteral("こうじ"), MatchMode::Anywhere, c.dir, c.selected, {}, true),
                  c.found)
            << "direction " << int(c.dir) << " from " << c.selected;
}

TEST(TreeSearch, DepthRangeAndEmptyText)
{
    const auto e = outline();
    EXPECT_EQ(treeSearch(e, "こうじ", MatchMode::Whole, SearchDirection::FromFirst, -1, {1, 1}, true), 4);
    EXPECT_EQ(treeSearch(e, "こうじ", MatchMode::Whole, SearchDirection::FromFirst, -1, {-1, 1}, true), 4);
    EXPECT_EQ(treeSearch(e, "こうじ", MatchMode::Whole, SearchDirection::FromFirst, -1, {2, -1}, true), 2);
    EXPECT_EQ(treeSearch(e, "こうじ", MatchMode::Whole, SearchDirection::FromFirst, -1, {3, 4}, true), -1);
    // An empty text matches every entry in the range, or none.
    EXPECT_EQ(treeSearch(e, "", MatchMode::Whole, SearchDirection::FromFirst, -1, {2, 2}, true), 2);
    EXPECT_EQ(treeSearch(e, "", MatchMode::Whole, SearchDirection::Down, 2, {2, 2}, true), 5);
    EXPECT_EQ(treeSearch(e, "", MatchMode::Whole, SearchDirection::FromFirst, -1, {}, false), -1);
    EXPECT_EQ(treeSearch({}, "x", MatchMode::Whole, SearchDirection::FromFirst, -1, {}, true), -1);
}
