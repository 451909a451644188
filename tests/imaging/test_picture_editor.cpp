#include "imaging/picture_editor.h"
#include "imaging/pixel_geometry.h"
#include "imaging/selection_sizes.h"
#include "imaging/working_bitmap.h"

#include "core/inifile.h"
#include "core/scripted_ports.h"
#include "fixtures.h"
#include "support/temp_dir.h"

#include <QDir>
#include <functional>
#include <gtest/gtest.h>

using namespace zb;

namespace {

bool samePixels(const QImage& a, const QImage& b)
{
    const QImage x = toWorkingBitmap(a), y = toWorkingBitmap(b);
    if (x.size() != y.size())
        return false;
    for (int row = 0; row < x.height(); ++row)
        if (std::memcmp(x.constScanLine(row), y.constScanLine(row), size_t(x.width()) * 3) != 0)
            return false;
    return true;
}

struct Editing {
    ScriptedMessages messages;
    ScriptedProgress progress;
    PictureEditor editor{messages, progress};
    explicit Editing(const QImage& picture) { editor.load(picture); }
};

}  // namespace

TEST(PictureEditor, LoadTurnsAnyPictureInto24BitsAndMakesThePreview)
{
    QImage indexed(300, 150, QImage::Format_Indexed8);
    indexed.setColorTable({qRgb(10, 20, 30), qRgb(200, 100, 50)});
    indexed.fill(1);
    Editing e(indexed);
    EXPECT_EQ(e.editor.picture().format(), kWorkingFormat);
    EXPECT_EQ(e.editor.picture().pixel(5, 5), qRgb(200, 100, 50));
    // Fitted into 206 x 206 by the smaller scale, aspect kept.
    EXPECT_EQ(e.editor.preview().size(), QSize(206, 103));
    EXPECT_FALSE(e.editor.isChanged());
    EXPECT_FALSE(e.editor.canUndo());
    EXPECT_EQ(e.editor.sizeStatus(), QStringLiteral(" 縦 150 横 300(ﾋﾟｸｾﾙ)"));
    // A small picture is its own preview.
    Editing small(zbtest::patternBitmap(40, 20));
    EXPECT_EQ(small.editor.preview().size(), QSize(40, 20));
}

TEST(PictureEditor, SlidersActOnThePreviewAndApplyKeepsTheUndoBeforeTheLastStep)
{
    const QImage original = zbtest::patternBitmap(120, 80);
    Editing e(original);
    e.editor.sliders.contrast = 40;
    e.editor.sliders.brightness = 25;
    e.editor.sliderReleased();
    EXPECT_TRUE(e.editor.previewDiffers());
    // The picture itself is untouched until 画像に反映.
    EXPECT_TRUE(samePixels(e.editor.picture(), original));
    EXPECT_FALSE(e.editor.isChanged());

    e.editor.applyPipeline();
    QImage expected = original.copy();
    applyContrast(expected, 40);
    QImage contrastOnly = expected.copy();
    applyBrightness(expected, 25);
    EXPECT_TRUE(samePixels(e.editor.picture(), expected));
    EXPECT_TRUE(e.editor.isChanged());
    EXPECT_FALSE(e.editor.previewDiffers());
    EXPECT_EQ(e.editor.sliders.brightness, 0);  // the sliders went back to neutral
    EXPECT_EQ(e.editor.sliders.contrast, 0);

    // Undo removes the brightness step only.
    e.editor.undo();
    EXPECT_TRUE(samePixels(e.editor.picture(), contrastOnly));

    // With every slider neutral nothing changes and nothing is marked.
    Editing neutral(original);
    neutral.editor.applyPipeline();
    EXPECT_FALSE(neutral.editor.isChanged());
    EXPECT_FALSE(neutral.editor.canUndo());
}

TEST(PictureEditor, ResetPreviewPutsEveryControlBack)
{
    Editing e(zbtest::patternBitmap(50, 50));
    e.editor.sliders.gamma = 30;
    e.editor.angle = 12.5;
    e.editor.sizePercent = 150;
    e.editor.sliderReleased();
    e.editor.resetPreview();
    EXPECT_FALSE(e.editor.previewDiffers());
    EXPECT_EQ(e.editor.sliders.gamma, 0);
    EXPECT_EQ(e.editor.angle, 0);
    EXPECT_EQ(e.editor.sizePercent, 100);
    EXPECT_TRUE(samePixels(e.editor.preview(), e.editor.picture()));
}

TEST(PictureEditor, ChangeStateOfFlipsTurnsAndOperations)
{
    struct Case {
        const char* name;
        std::function<void(PictureEditor&)> steps;
        bool changed;
    };
    const Case cases[] = {
        {"two vertical flips", [](PictureEditor& ed) { ed.mirror(); ed.mirror(); }, false},
        {"one vertical flip", [](PictureEditor& ed) { ed.mirror(); }, true},
        {"vertical then horizontal",
         [](PictureEditor& ed) {
             ed.mirror();
             ed.mirrorVertical = false;
             ed.mirror();
         },
         true},
        {"four quarter turns", [](PictureEditor& ed) { for (int i = 0; i < 4; ++i) ed.quarterTurn(); }, false},
        {"three quarter turns", [](PictureEditor& ed) { for (int i = 0; i < 3; ++i) ed.quarterTurn(); }, true},
        {"a flip undone", [](PictureEditor& ed) { ed.mirror(); ed.undo(); }, false},
        {"a turn undone", [](PictureEditor& ed) { ed.quarterTurn(); ed.undo(); }, false},
        {"grey", [](PictureEditor& ed) { ed.toGrey(); }, true},
        {"invert", [](PictureEditor& ed) { ed.invert(); }, true},
        {"invert undone (the flag stays)", [](PictureEditor& ed) { ed.invert(); ed.undo(); }, true},
        {"blur", [](PictureEditor& ed) { ed.filter(Filter3x3::Blur); }, true},
        {"noise", [](PictureEditor& ed) { ed.removeNoise(); }, true},
        {"reduce", [](PictureEditor& ed) { ed.reduceColours(); }, true},
        {"resize 100 %", [](PictureEditor& ed) { ed.sizePercent = 100; ed.applyResize(); }, false},
        {"rotate 0 degrees", [](PictureEditor& ed) { ed.angle = 0; ed.applyRotation(); }, false},
    };
    const QImage original = zbtest::patternBitmap(31, 17);
    for (const Case& c : cases) {
        Editing e(original);
        c.steps(e.editor);
        EXPECT_EQ(e.editor.isChanged(), c.changed) << c.name;
        EXPECT_TRUE(e.messages.boxes().isEmpty()) << c.name;
    }
    // Two flips and four turns give back the very pixels.
    Editing e(original);
    for (int i = 0; i < 4; ++i)
        e.editor.quarterTurn();
    e.editor.mirror();
    e.editor.mirror();
    EXPECT_TRUE(samePixels(e.editor.picture(), original));
}

TEST(PictureEditor, SingleOperationsKeepOneUndo)
{
    const QImage original = zbtest::patternBitmap(40, 30);
    Editing e(original);
    e.editor.toGrey();
    const QImage grey = e.editor.picture().copy();
    e.editor.filter(Filter3x3::Sharpen);
    e.editor.undo();
    EXPECT_TRUE(samePixels(e.editor.picture(), grey));
    // One level only: a second undo gives the same picture again.
    e.editor.undo();
    EXPECT_TRUE(samePixels(e.editor.picture(), grey));

    // The reduction leaves an 8-bit picture; the next operation works on its
    // 24-bit form and undo returns the reduced colours.
    Editing r(original);
    r.editor.reduceColours();
    EXPECT_EQ(r.editor.picture().format(), QImage::Format_Indexed8);
    const QImage reduced = r.editor.picture().copy();
    r.editor.invert();
    EXPECT_EQ(r.editor.picture().format(), kWorkingFormat);
    r.editor.undo();
    EXPECT_TRUE(samePixels(r.editor.picture(), reduced));
}

TEST(PictureEditor, RotationAndResize)
{
    Editing e(zbtest::patternBitmap(100, 50));
    e.editor.angle = 90;
    e.editor.previewRotation();
    EXPECT_TRUE(e.editor.previewDiffers());
    EXPECT_EQ(e.editor.picture().size(), QSize(100, 50));  // the preview only
    ASSERT_TRUE(e.editor.applyRotation());
    EXPECT_EQ(e.editor.picture().size(), QSize(50, 100));
    EXPECT_EQ(e.editor.angle, 0);
    EXPECT_TRUE(e.editor.isChanged());
    e.editor.undo();
    EXPECT_EQ(e.editor.picture().size(), QSize(100, 50));

    Editing r(zbtest::patternBitmap(35, 20));
    r.editor.sizePercent = 10;
    ASSERT_TRUE(r.editor.applyResize());
    EXPECT_EQ(r.editor.picture().size(), QSize(3, 2));
    EXPECT_EQ(r.editor.sizePercent, 100);  // the box goes back to 100
}

TEST(PictureEditor, RefusalsSayWhyAndChangeNothing)
{
    struct Case {
        const char* name;
        QSize size;
        std::function<bool(PictureEditor&)> op;
        QString message;
    };
    const Case cases[] = {
        {"resize below one pixel", {5, 40}, [](PictureEditor& ed) { ed.sizePercent = 10; return ed.applyResize(); },
         kEditTooSmall},
        {"resize past the pixel limit", {4100, 4100},
         [](PictureEditor& ed) { ed.sizePercent = 200; return ed.applyResize(); }, kEditTooLarge},
        {"rotation past the pixel limit", {5800, 5800},
         [](PictureEditor& ed) { ed.angle = 45; return ed.applyRotation(); }, kEditTooLarge},
    };
    for (const Case& c : cases) {
        ScriptedMessages messages;
        ScriptedProgress progress;
        PictureEditor editor(messages, progress);
        QImage picture = newWorkingBitmap(c.size.width(), c.size.height());
        picture.fill(Qt::gray);
        editor.load(picture);
        const QSize before = editor.picture().size();
        EXPECT_FALSE(c.op(editor)) << c.name;
        EXPECT_EQ(editor.picture().size(), before) << c.name;
        EXPECT_EQ(messages.boxes(), QStringList{QStringLiteral("error: ") + c.message}) << c.name;
        EXPECT_FALSE(editor.canUndo()) << c.name;
        EXPECT_FALSE(editor.isChanged()) << c.name;
    }
    // Paste with nothing to paste and trimming without a selection do nothing.
    Editing e(zbtest::patternBitmap(10, 10));
    EXPECT_FALSE(e.editor.paste(QImage()));
    EXPECT_FALSE(e.editor.trim());
    EXPECT_FALSE(e.editor.isChanged());
    EXPECT_TRUE(e.messages.boxes().isEmpty());
}

TEST(PictureEditor, LargePictureQuestionBeforeFiltersAndTheQuarterTurn)
{
    QImage tall = newWorkingBitmap(10, kEditAskAboveRows + 1);
    tall.fill(Qt::darkGreen);
    for (const bool yes : {false, true}) {
        Editing e(tall);
        e.messages.reply(yes);
        EXPECT_EQ(e.editor.filter(Filter3x3::Emboss), yes);
        e.messages.reply(yes);
        EXPECT_EQ(e.editor.quarterTurn(), yes);
        EXPECT_EQ(e.messages.boxes(), QStringList({QStringLiteral("ask: ") + kEditLargeQuestion,
                                                   QStringLiteral("ask: ") + kEditLargeQuestion}));
        EXPECT_EQ(e.editor.isChanged(), yes);
        EXPECT_EQ(e.editor.picture().size(), yes ? QSize(kEditAskAboveRows + 1, 10) : tall.size());
    }
    // 2000 rows are filtered without asking.
    QImage limit = newWorkingBitmap(10, kEditAskAboveRows);
    limit.fill(Qt::darkGreen);
    Editing e(limit);
    EXPECT_TRUE(e.editor.filter(Filter3x3::Blur));
    EXPECT_TRUE(e.messages.boxes().isEmpty());
}

TEST(PictureEditor, ProgressFollowsTheRowsOfTallPictures)
{
    for (const int rows : {kEditProgressFromRows - 1, kEditProgressFromRows, 1200}) {
        QImage picture = newWorkingBitmap(600, rows);
        picture.fill(Qt::blue);
        Editing e(picture);
        e.editor.invert();
        if (rows < kEditProgressFromRows) {
            EXPECT_EQ(e.progress.started, -1) << rows;
            continue;
        }
        EXPECT_EQ(e.progress.started, 100) << rows;
        EXPECT_EQ(e.progress.steps, 100) << rows;  // every percent, in order, once
        EXPECT_EQ(e.progress.ended, 1) << rows;
    }
}

TEST(PictureEditor, SelectionByDragKeysAndSize)
{
    Editing e(zbtest::patternBitmap(400, 300));
    e.editor.setRatio(50);
    EXPECT_EQ(e.editor.displaySize(), QSize(200, 150));

    // A drag in display pixels becomes picture pixels; a tiny one grows to
    // 30 display pixels.
    e.editor.selectDisplayRect(QPoint(10, 20), QPoint(60, 70));
    EXPECT_EQ(*e.editor.selection(), QRect(20, 40, 100, 100));
    e.editor.selectDisplayRect(QPoint(100, 100), QPoint(92, 108));
    EXPECT_EQ(*e.editor.selection(), QRect(184, 200, 60, 60));
    EXPECT_EQ(e.editor.selectionStatus(), QStringLiteral(" 選択領域 Ｘ : 184  Ｙ : 200  幅 : 60  高さ : 60"));

    struct Key {
        int dx, dy;
        bool resize;
        QRect after;
    };
    const Key keys[] = {
        {1, 0, false, QRect(186, 200, 60, 60)},     // one display pixel is two picture pixels
        {-5, 0, false, QRect(176, 200, 60, 60)},    // Shift: five
        {0, 5, true, QRect(176, 200, 60, 70)},      // Ctrl+down enlarges
        {-1, 0, true, QRect(176, 200, 60, 70)},     // not below 30 display pixels
        {0, 500, false, QRect(176, 230, 60, 70)},   // kept inside the picture
        {500, 0, true, QRect(176, 230, 224, 70)},   // enlarged up to the right edge
    };
    for (const Key& k : keys) {
        e.editor.moveSelection(k.dx, k.dy, k.resize);
        EXPECT_EQ(*e.editor.selection(), k.after) << k.dx << "," << k.dy << (k.resize ? " resize" : "");
    }

    // 範囲指定 sizes, cut to the picture; an empty size is the whole picture.
    e.editor.selectSize(QPoint(0, 0), QSize());
    EXPECT_EQ(*e.editor.selection(), QRect(0, 0, 400, 300));
    e.editor.selectSize(QPoint(100, 50), QSize(640, 480));
    EXPECT_EQ(*e.editor.selection(), QRect(100, 50, 300, 250));

    // Trimming cuts the picture to the selection and drops it.
    ASSERT_TRUE(e.editor.trim());
    EXPECT_EQ(e.editor.picture().size(), QSize(300, 250));
    EXPECT_FALSE(e.editor.selection());
    EXPECT_TRUE(e.editor.isChanged());
    // A selection of the whole picture changes nothing.
    e.editor.selectSize(QPoint(0, 0), QSize());
    EXPECT_FALSE(e.editor.trim());
    EXPECT_EQ(e.editor.picture().size(), QSize(300, 250));

    // A page switch drops the selection and resets the sliders of the edit pages.
    e.editor.selectSize(QPoint(0, 0), QSize(100, 100));
    e.editor.sliders.brightness = 10;
    e.editor.switchTab(EditTab::Colour);
    EXPECT_FALSE(e.editor.selection());
    EXPECT_EQ(e.editor.sliders.brightness, 10);
    e.editor.switchTab(EditTab::Effects);
    EXPECT_EQ(e.editor.sliders.brightness, 0);
}

TEST(PictureEditor, ClosingQuestions)
{
    using A = Messages::Answer;
    using C = PictureEditor::Close;
    // 適用 with a preview that differs from the picture.
    struct ApplyCase {
        A answer;
        C result;
        bool brightened;
    };
    for (const ApplyCase& c : {ApplyCase{A::Yes, C::Applied, true}, ApplyCase{A::No, C::Applied, false},
                               ApplyCase{A::Cancel, C::Stay, false}}) {
        Editing e(zbtest::patternBitmap(20, 20));
        const QImage before = e.editor.picture().copy();
        e.editor.sliders.brightness = 30;
        e.editor.sliderReleased();
        e.messages.reply(c.answer);
        EXPECT_EQ(e.editor.applyAndClose(), c.result);
        EXPECT_EQ(e.messages.boxes(), QStringList{QStringLiteral("askThree: ") + kEditApplyPreviewQuestion});
        EXPECT_EQ(!samePixels(e.editor.picture(), before), c.brightened);
    }
    // 適用 with a rotated preview turns the picture.
    Editing r(zbtest::patternBitmap(100, 50));
    r.editor.angle = 90;
    r.editor.previewRotation();
    r.messages.reply(A::Yes);
    EXPECT_EQ(r.editor.applyAndClose(), C::Applied);
    EXPECT_EQ(r.editor.picture().size(), QSize(50, 100));

    // Closing the window: asked only when the picture counts as changed.
    for (const auto& [answer, result] : {std::pair{A::Yes, C::Applied}, std::pair{A::No, C::NotApplied},
                                         std::pair{A::Cancel, C::Stay}}) {
        Editing e(zbtest::patternBitmap(20, 20));
        e.editor.toGrey();
        e.messages.reply(answer);
        EXPECT_EQ(e.editor.closeWindow(), result);
        EXPECT_EQ(e.messages.boxes(), QStringList{QStringLiteral("askThree: ") + kEditChangedQuestion});
    }
    Editing unchanged(zbtest::patternBitmap(20, 20));
    unchanged.editor.mirror();
    unchanged.editor.mirror();
    EXPECT_EQ(unchanged.editor.closeWindow(), C::NotApplied);
    EXPECT_TRUE(unchanged.messages.boxes().isEmpty());
    // After a save to a file the picture counts as unchanged.
    Editing saved(zbtest::patternBitmap(20, 20));
    saved.editor.toGrey();
    saved.editor.clearChanged();
    EXPECT_EQ(saved.editor.closeWindow(), C::NotApplied);
}

TEST(SelectionSizes, ReadWriteAndCaptions)
{
    zbtest::TempDir dir;
    // No file: no choice (the whole picture), custom sizes 100.
    SelectionSizes s = SelectionSizes::load(dir.path());
    EXPECT_EQ(s.choice, -1);
    EXPECT_TRUE(s.chosenSize().isEmpty());
    EXPECT_EQ(s.sizeOf(4), QSize(100, 100));
    const std::pair<int, QSize> fixed[] = {{0, QSize()}, {1, QSize(100, 100)}, {2, QSize(640, 480)},
                                           {3, QSize(480, 640)}};
    for (const auto& [choice, size] : fixed)
        EXPECT_EQ(s.sizeOf(choice), size) << choice;

    s.choice = 5;
    s.custom[1] = QSize(1234, 56);
    ASSERT_TRUE(s.save(dir.path()));
    const IniFile ini(QDir(dir.path()).filePath(QStringLiteral("ZB_G.INI")));
    EXPECT_EQ(ini.readInteger(QStringLiteral("Current"), QStringLiteral("SelSize")), 5);
    EXPECT_EQ(ini.readInteger(QStringLiteral("SelSizeCst"), QStringLiteral("2X")), 1234);
    EXPECT_EQ(ini.readInteger(QStringLiteral("SelSizeCst"), QStringLiteral("2Y")), 56);
    EXPECT_EQ(ini.readInteger(QStringLiteral("SelSizeCst"), QStringLiteral("3X")), 100);
    const SelectionSizes back = SelectionSizes::load(dir.path());
    EXPECT_EQ(back.choice, 5);
    EXPECT_EQ(back.chosenSize(), QSize(1234, 56));

    EXPECT_EQ(customSizeCaption(QSize(1234, 56)), QStringLiteral("カスタム Ｗ１２３４×Ｈ５６"));
}
