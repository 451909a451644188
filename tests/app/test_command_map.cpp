#include "app/command_map.h"

#include <QStringList>
#include <functional>
#include <gtest/gtest.h>

using namespace zb;

namespace {

// The fields the table below checks, in a form that prints well.
std::string flags(const Enabling& e)
{
    std::string s;
    auto add = [&](const char* name, bool on) {
        if (on) {
            s += name;
            s += ' ';
        }
    };
    add("drops", e.drops);
    add("job", e.jobList);
    add("search", e.search);
    add("searchDrop", e.searchDropDown);
    add("import", e.import);
    add("pano", e.panorama);
    add("pano2", e.panoramaBothSources);
    add("undo", e.restoreOriginal);
    add("up", e.moveUp);
    add("down", e.moveDown);
    add("del", e.remove);
    add("rename", e.renameFolder);
    add("new", e.newFolder);
    add("master", e.master);
    add("correct", e.correct);
    add("view", e.view);
    add("drawing", e.drawing);
    add("pour", e.masterPourIn);
    add("album", e.albumAdd);
    return s;
}

WindowState tree(FolderKind kind, int level)
{
    WindowState s;
    s.focus = FocusArea::Tree;
    s.folder = kind;
    s.folderLevel = level;
    return s;
}

WindowState list(FocusArea focus, int selected, bool edited, int photos, int level = 2)
{
    WindowState s;
    s.focus = focus;
    s.folder = FolderKind::Normal;
    s.folderLevel = level;
    s.focusedListSelected = selected;
    s.focusedItemEdited = edited;
    s.photosSelected = photos;
    return s;
}

template <class F>
WindowState with(WindowState s, F f)
{
    f(s);
    return s;
}

}  // namespace

TEST(EnablingRules, Table)
{
    struct Case {
        const char* what;
        WindowState state;
        const char* expected;
    } cases[] = {
        {"nothing focused, no folder", WindowState{}, "drops job search master "},
        {"tree on 未分類", tree(FolderKind::Unclassified, 0), "drops job search import pano master "},
        {"tree on ごみ箱: no new, no rename, import stays", tree(FolderKind::Trash, 0),
         "drops job search import pano master "},
        {"tree on the construction root", tree(FolderKind::Root, 0), "drops job search new master "},
        {"tree on a level-1 folder", tree(FolderKind::Normal, 1), "drops job search del rename new master "},
        {"tree on a level-2 folder", tree(FolderKind::Normal, 2),
         "drops job search import pano del rename new master "},
        {"tree on a level-5 folder: no deeper folder", tree(FolderKind::Normal, 5),
         "drops job search import pano del rename master "},
        {"tree on a level-6 folder: not a photo level", tree(FolderKind::Normal, 6),
         "drops job search del rename master "},
        {"tree allows moving up only", with(tree(FolderKind::Normal, 3), [](WindowState& s) { s.canMoveUp = true; }),
         "drops job search import pano up del rename new master "},
        {"list, one unedited photo", list(FocusArea::PhotoList, 1, false, 1),
         "drops job search import pano del master correct view drawing "},
        {"list, one edited photo", list(FocusArea::PhotoList, 1, true, 1),
         "drops job search import pano undo del master correct view drawing "},
        {"list, two photos", list(FocusArea::PhotoList, 2, false, 2),
         "drops job search import pano pano2 undo del master "},
        {"list, three photos", list(FocusArea::PhotoList, 3, false, 3),
         "drops job search import pano undo del master "},
        {"list, nothing selected", list(FocusArea::PhotoList, 0, false, 0), "drops job search import pano master "},
        {"drawing list, one drawing of the one photo", list(FocusArea::DrawingList, 1, false, 1),
         "drops job search import pano del master correct view drawing "},
        {"list moves both ways",
         with(list(FocusArea::PhotoList, 1, false, 1),
              [](WindowState& s) { s.canMoveUp = s.canMoveDown = true; }),
         "drops job search import pano up down del master correct view drawing "},
        {"moves do not apply while an edit box has the focus",
         with(WindowState{}, [](WindowState& s) { s.canMoveUp = s.canMoveDown = true; }),
         "drops job search master "},
        {"list mode", with(list(FocusArea::PhotoList, 1, false, 1), [](WindowState& s) { s.listMode = true; }),
         "job search searchDrop del master correct view drawing "},
        {"album editor showing",
         with(tree(FolderKind::Normal, 2), [](WindowState& s) { s.albumEditorShowing = true; }),
         "drops search import pano del rename new master "},
        {"album editor showing, two photos chosen in the list",
         with(list(FocusArea::PhotoList, 2, false, 2), [](WindowState& s) { s.albumEditorShowing = true; }),
         "drops search import pano pano2 undo del master album "},
        {"album editor showing, nothing chosen",
         with(list(FocusArea::PhotoList, 0, false, 0), [](WindowState& s) { s.albumEditorShowing = true; }),
         "drops search import pano master "},
        {"master window on a level-4 folder",
         with(tree(FolderKind::Normal, 4), [](WindowState& s) { s.masterWindowExists = true; }),
         "drops job search import pano del rename new master pour "},
        {"master window on the root", with(tree(FolderKind::Root, 0), [](WindowState& s) { s.masterWindowExists = true; }),
         "drops job search new master pour "},
        {"master window on ごみ箱", with(tree(FolderKind::Trash, 0), [](WindowState& s) { s.masterWindowExists = true; }),
         "drops job search import pano master "},
        {"master window on a level-5 folder",
         with(tree(FolderKind::Normal, 5), [](WindowState& s) { s.masterWindowExists = true; }),
         "drops job search import pano del rename master "},
    };
    for (const Case& c : cases)
        EXPECT_EQ(flags(computeEnabling(c.state)), c.expected) << c.what;
}

TEST(CommandMap, NamesAreUniqueAndPopupsShareTheMenuCommands)
{
    QStringList names;
    std::function<void(const std::vector<MenuEntry>&)> walk = [&](const std::vector<MenuEntry>& m) {
        for (const MenuEntry& e : m) {
            if (e.isSeparator())
                continue;
            EXPECT_FALSE(names.contains(e.name)) << e.name.toStdString();
            names << e.name;
            walk(e.children);
        }
    };
    walk(mainMenu());
    for (const auto* popup : {&treePopup(), &listPopup(), &drawingListPopup()}) {
        std::function<void(const std::vector<MenuEntry>&)> check = [&](const std::vector<MenuEntry>& m) {
            for (const MenuEntry& e : m) {
                if (e.isSeparator() || e.name.startsWith("SB_") || e.name == "Mn_Move")
                    continue;
                const MenuEntry* inMenu = findEntry(mainMenu(), e.name);
                ASSERT_NE(inMenu, nullptr) << e.name.toStdString();
                EXPECT_EQ(inMenu->caption, e.caption) << e.name.toStdString();
                EXPECT_EQ(inMenu->shortcut, e.shortcut) << e.name.toStdString();
                check(e.children);
            }
        };
        check(*popup);
    }
}
