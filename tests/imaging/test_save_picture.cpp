#include "imaging/save_picture.h"

#include "core/scripted_ports.h"
#include "fixtures.h"
#include "imaging/image_library.h"
#include "imaging/jpeg_codec.h"
#include "imaging/metafile.h"
#include "imaging/pcx.h"
#include "support/temp_dir.h"

#include <QDir>
#include <QFile>
#include <deque>
#include <gtest/gtest.h>

using namespace zb;

namespace {

// Dialogs answering from a script and recording what they were shown.
struct ScriptedDialogs : SavePictureDialogs {
    std::deque<std::optional<SaveChoice>> choices;
    std::deque<int> qualities;
    QStringList shown;  // "filter index: folder/name" per file dialog
    QStringList qualityAsked;

    std::optional<SaveChoice> chooseFile(const QString& filter, const QString& folder, const QString& fileName,
                                         int filterIndex) override
    {
        shown << QString::number(filterIndex) + ": " + folder + "/" + fileName;
        lastFilter = filter;
        if (choices.empty())
            return std::nullopt;
        auto c = choices.front();
        choices.pop_front();
        return c;
    }
    int askJpegQuality(const QString& fileName) override
    {
        qualityAsked << fileName;
        if (qualities.empty())
            return 0;
        const int q = qualities.front();
        qualities.pop_front();
        return q;
    }
    QString lastFilter;
};

}  // namespace

TEST(ImagingSave, FilterEntryFromTheProposedName)
{
    const struct {
        const char* name;
        int index;
    } cases[] = {
        {"a.wmf", 1}, {"a.BMP", 2}, {"a.emf", 2}, {"a.png", 3}, {"a.Dib", 4},
        {"a.pcx", 5}, {"a.jpg", 1}, {"a.fpx", 1}, {"noext", 1},
    };
    for (const auto& c : cases)
        EXPECT_EQ(SaveFilterIndexFor(c.name), c.index) << c.name;
}

TEST(ImagingSave, ChosenEntryForcesTheExtension)
{
    const struct {
        const char* chosen;
        int index;
        bool metafile;
        const char* result;
    } cases[] = {
        {"/d/x.bmp", 1, false, "/d/x.JPG"},  {"/d/x", 2, false, "/d/x.BMP"},
        {"/d/x.jpg", 3, false, "/d/x.PNG"},  {"/d/x.jpg", 4, false, "/d/x.DIB"},
        {"/d/x.jpg", 5, false, "/d/x.PCX"},  {"/d/x.emf", 1, true, "/d/x.WMF"},
        {"/d/x.wmf", 2, true, "/d/x.EMF"},   {"/d.v2/x", 1, false, "/d.v2/x.JPG"},
        {"/d/x.y.png", 1, false, "/d/x.y.JPG"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ForceSaveExtension(c.chosen, c.index, c.metafile), c.result) << c.chosen;
}

TEST(ImagingSave, BitmapAsJpegWithDefaultQuality)
{
    zbtest::TempDir dir;
    const QImage picture = zbtest::patternBitmap(50, 40);
    ScriptedDialogs dialogs;
    dialogs.choices.push_back(SaveChoice{dir.file("x.bmp"), 1});
    dialogs.qualities.push_back(JpegQualityForEntry(6));  // the default entry
    ScriptedMessages m;
    ASSERT_TRUE(SavePictureAs(dialogs, m, Graphic{picture, {}}, dir.file("photo.png")));

    EXPECT_EQ(dialogs.shown, QStringList{"3: " + dir.path() + "/photo"});
    EXPECT_EQ(dialogs.lastFilter, kBitmapSaveFilter);
    EXPECT_EQ(dialogs.qualityAsked, QStringList{dir.file("x.JPG")});
    EXPECT_FALSE(QFile::exists(dir.file("x.bmp")));
    QByteArray expected;
    ASSERT_TRUE(EncodeJpeg(picture, expected, false, 90, m));
    EXPECT_EQ(zbtest::readAll(dir.file("x.JPG")), expected);
    EXPECT_TRUE(m.log.isEmpty());
}

TEST(ImagingSave, OverwriteQuestionAndCancels)
{
    zbtest::TempDir dir;
    zbtest::writeAll(dir.file("x.PNG"), "keep me");
    const Graphic graphic{zbtest::patternBitmap(20, 10), {}};

    // "No" to overwriting opens the dialog again; the second choice is written.
    ScriptedDialogs dialogs;
    dialogs.choices = {SaveChoice{dir.file("x.png"), 3}, SaveChoice{dir.file("y.png"), 3}};
    ScriptedMessages m;
    m.reply(false);
    ASSERT_TRUE(SavePictureAs(dialogs, m, graphic, dir.file("x.png")));
    EXPECT_EQ(m.log, QStringList{"ask: " + QDir::toNativeSeparators(dir.file("x.PNG")) + " は既に存在します。\r\n上書きしますか？"});
    EXPECT_EQ(dialogs.shown, (QStringList{"3: " + dir.path() + "/x", "3: " + dir.path() + "/x"}));
    EXPECT_EQ(zbtest::readAll(dir.file("x.PNG")), "keep me");
    QImage back;
    ASSERT_TRUE(LoadWithImageLibrary(dir.file("y.PNG"), back));
    EXPECT_EQ(back.size(), QSize(20, 10));

    // Cancelling the file dialog or the quality dialog writes nothing.
    ScriptedDialogs cancelled;
    EXPECT_FALSE(SavePictureAs(cancelled, m, graphic, dir.file("x.png")));
    ScriptedDialogs noQuality;
    noQuality.choices = {SaveChoice{dir.file("z.jpg"), 1}};
    noQuality.qualities = {0};
    EXPECT_FALSE(SavePictureAs(noQuality, m, graphic, dir.file("x.png")));
    EXPECT_FALSE(QFile::exists(dir.file("z.JPG")));
}

TEST(ImagingSave, EveryBitmapWriter)
{
    zbtest::TempDir dir;
    const QImage picture = zbtest::patternBitmap(33, 17);
    ScriptedMessages m;
    for (const char* name : {"a.BMP", "a.DIB", "a.PNG", "a.PCX", "a.JPG"}) {
        ASSERT_TRUE(WritePictureFile(Graphic{picture, {}}, dir.file(name), 80, m)) << name;
        QImage back;
        if (QByteArray(name).endsWith("JPG"))
            ASSERT_TRUE(DecodeJpegFile(dir.file(name), back, 0, m));
        else
            ASSERT_TRUE(LoadWithImageLibrary(dir.file(name), back)) << name;
        EXPECT_EQ(back.size(), QSize(33, 17)) << name;
    }
    // No writer, or a folder that does not exist: the failure is said.
    EXPECT_FALSE(WritePictureFile(Graphic{picture, {}}, dir.file("a.FPX"), 90, m));
    EXPECT_FALSE(WritePictureFile(Graphic{picture, {}}, dir.file("no/a.PNG"), 90, m));
    EXPECT_EQ(m.log, (QStringList{"information: 画像の保存に失敗しました。", "information: 画像の保存に失敗しました。"}));
}

TEST(ImagingSave, MetafilesKeepTheirBytesOrAreConverted)
{
    zbtest::TempDir dir;
    const QByteArray wmf = zbtest::makeWmf(60, 40, 0x000000FF, 0, 0, 60, 40);
    ScriptedDialogs dialogs;
    dialogs.choices = {SaveChoice{dir.file("d.wmf"), 1}, SaveChoice{dir.file("d.wmf"), 2}};
    ScriptedMessages m;
    ASSERT_TRUE(SavePictureAs(dialogs, m, Graphic{{}, wmf}, dir.file("d.emf")));
    ASSERT_TRUE(SavePictureAs(dialogs, m, Graphic{{}, wmf}, dir.file("d.emf")));
    EXPECT_EQ(dialogs.shown.first(), "2: " + dir.path() + "/d");
    EXPECT_EQ(dialogs.lastFilter, kMetafileSaveFilter);
    EXPECT_TRUE(dialogs.qualityAsked.isEmpty());
    EXPECT_EQ(zbtest::readAll(dir.file("d.WMF")), wmf);
    const QByteArray emf = zbtest::readAll(dir.file("d.EMF"));
    EXPECT_EQ(MetafileTypeOf(emf), MetafileType::Emf);
    const QImage drawn = RenderMetafile(emf);
    ASSERT_FALSE(drawn.isNull());
    EXPECT_NEAR(drawn.pixelColor(30, 20).red(), 255, 8);
    EXPECT_TRUE(m.log.isEmpty());
}

TEST(ImagingSave, QualityEntries)
{
    const int expected[] = {100, 90, 80, 70, 60, 50, 90};
    for (int i = 0; i < 7; ++i)
        EXPECT_EQ(JpegQualityForEntry(i), expected[i]);
    for (const char* name : {"a.jpg", "a.JPEG", "b.Fpx"})
        EXPECT_TRUE(NeedsJpegQuality(name)) << name;
    for (const char* name : {"a.png", "a.jpe", "jpg"})
        EXPECT_FALSE(NeedsJpegQuality(name)) << name;
}
