#include "album/album_document.h"
#include "album/shipped_formats.h"
#include "support/temp_dir.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>
#include <set>

using namespace zb::album;

namespace {

std::set<int> codesOfSlot(const Page& page, int slot)
{
    std::set<int> codes;
    for (const TPartsBox& p : page.parts) {
        if (p.FormIndex != slot || p.Shape != ptKoumoku)
            continue;
        substituteTokens(p.Caption, [&](const CaptionToken& t) -> std::optional<QString> {
            codes.insert(t.code);
            return std::nullopt;
        });
    }
    return codes;
}

}  // namespace

TEST(ShippedFormats, WrittenAndReadBack)
{
    zbtest::TempDir dir;
    ASSERT_TRUE(writeShippedFormats(dir.path()));
    struct Expect {
        const char* file;
        int slotCount;
        quint8 orientation;
        bool cover;
    } expects[] = {
        {"A4縦3連A.ZBF", 3, 0, false},
        {"A4縦2連.ZBF", 2, 0, false},
        {"A4横2連.ZBF", 2, 1, false},
        {"表書き.ZBF", 0, 0, true},
    };
    const std::set<int> photoCodes = {2007, 2008, 2009, 2010, 2017, 2019, 2023, 2500};
    for (const Expect& e : expects) {
        const QByteArray bytes = zbtest::readAll(dir.file(QString::fromUtf8(e.file)));
        const std::optional<DocumentFile> f = decodeDocumentFile(bytes);
        ASSERT_TRUE(f) << e.file;
        EXPECT_EQ(f->header.paperCode, 9) << e.file;
        EXPECT_EQ(f->header.orientation, e.orientation) << e.file;
        EXPECT_EQ(f->header.cover, e.cover) << e.file;
        EXPECT_EQ(f->header.maxSlot, e.slotCount) << e.file;
        EXPECT_GT(f->header.previewLength, 0) << e.file;
        ASSERT_EQ(f->pages.keys(), QList<int>{1}) << e.file;
        const Page page = *decodePage(f->pages[1]);
        for (int s = 1; s <= e.slotCount; ++s)
            EXPECT_EQ(codesOfSlot(page, s), photoCodes) << e.file << " slot " << s;
        const std::set<int> common = codesOfSlot(page, 0);
        EXPECT_TRUE(common.count(1003)) << e.file;
        if (!e.cover) {
            EXPECT_TRUE(common.count(150)) << e.file;
        }
        // Every part lies on the paper.
        const QSizeF paper = paperSizeMm(9, e.orientation);
        for (const TPartsBox& p : page.parts) {
            EXPECT_GE(p.PLeft, 0);
            EXPECT_LE(toMm(p.right()), paper.width()) << e.file;
            EXPECT_LE(toMm(p.bottom()), paper.height()) << e.file;
        }
    }
    const QByteArray cover = zbtest::readAll(dir.file(QStringLiteral("表書き.ZBF")));
    const Page coverPage = *decodePage(decodeDocumentFile(cover)->pages[1]);
    const std::set<int> coverCodes = codesOfSlot(coverPage, 0);
    for (int code : {1003, 1005, 1006, 1007, 1011, 50, 51, 53, 55})
        EXPECT_TRUE(coverCodes.count(code)) << code;
}

TEST(ShippedFormats, InTheBuildsFormatFolder)
{
    const QString folder = QStringLiteral(ZB_FORMFILE_DIR);
    for (const ShippedFormat& f : shippedFormats())
        EXPECT_TRUE(QFile::exists(QDir(folder).filePath(f.fileName))) << f.fileName.toStdString();
}
