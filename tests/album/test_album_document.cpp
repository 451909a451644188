#include "album/album_document.h"
#include "album/document_print.h"
#include "album/photo_binding.h"
#include "core/scripted_ports.h"
#include "imaging/jpeg_codec.h"
#include "store/photo_table.h"
#include "store/table_network.h"
#include "support/temp_dir.h"

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QtEndian>
#include <gtest/gtest.h>

using namespace zb;
using namespace zb::album;

namespace {

TPartsBox item(int slot, const QString& caption, double top = 0)
{
    TPartsBox p;
    p.Shape = ptKoumoku;
    p.FormIndex = qint8(slot);
    p.Caption = caption;
    p.PTop = mm(top);
    p.PWidth = mm(50);
    p.PHeight = mm(20);
    return p;
}

// A format with `slotCount` photo slots, each a photo frame and a title, plus a
// page frame and a page number without slot; a cover format has no slot.
void writeFormat(const QString& folder, const QString& name, int slotCount, qint32 paper = 9)
{
    Page page;
    page.parts << item(0, QStringLiteral("{150.頁}"));
    for (int s = 1; s <= slotCount; ++s) {
        page.parts << item(s, QStringLiteral("{2500.写真}"), s * 80);
        page.parts << item(s, QStringLiteral("{2010.写真タイトル}"), s * 80 + 60);
    }
    DocumentFile f;
    f.header.paperCode = paper;
    f.header.cover = slotCount == 0;
    f.header.maxSlot = slotCount;
    f.pages.insert(1, encodePage(page));
    QDir().mkpath(folder);
    zbtest::writeAll(QDir(folder).filePath(name), encodeDocumentFile(f));
}

// Binds every part; photo 0 does not exist.
class FakeBinder : public PhotoBinder {
public:
    int batches = 0;
    bool photoExists(RECORD photo) override { return photo > 0; }
    bool bindPart(TPartsBox& part, RECORD photo) override
    {
        if (part.Caption.startsWith(QStringLiteral("{2010")))
            part.Caption = QStringLiteral("写真%1").arg(photo);
        return photo > 0 || part.FormIndex == 0;
    }
    void beginBatch() override { ++batches; }
};

struct Fixture {
    zbtest::TempDir dir;
    QString albums = dir.file("ALBUM"), forms = dir.file("FORMFILE"), work = dir.file("TEMP_G");
    ScriptedMessages messages;
    ScriptedProgress progress;
    Fixture()
    {
        QDir().mkpath(albums);
        writeFormat(forms, QStringLiteral("三枚.ZBF"), 3);
        writeFormat(forms, QStringLiteral("表紙.ZBF"), 0);
        writeFormat(forms, QStringLiteral("A3.ZBF"), 2, 8);
    }
    std::unique_ptr<AlbumDocument> album()
    {
        auto d = std::make_unique<AlbumDocument>(DocKind::Album, albums, forms, work, messages);
        d->startNew(QStringLiteral("三枚.ZBF"), 1, 0, 0);
        return d;
    }
};

QMap<int, int> slotsPerPage(AlbumDocument& d)
{
    d.storeCurrentPage();
    QMap<int, int> out;
    for (int n : d.work().pages()) {
        const Page p = *decodePage(d.work().read(n));
        int frames = 0, common = 0;
        for (const TPartsBox& part : p.parts) {
            frames += frameCode(part) == 2500;
            common += part.FormIndex == 0;
        }
        EXPECT_EQ(common, 1) << n;
        out.insert(n, frames);
    }
    return out;
}

}  // namespace

TEST(AlbumDocument, WorkFiles)
{
    zbtest::TempDir dir;
    EXPECT_EQ(GrphWork::fileName(7), QStringLiteral("_GRPHTEMP.007"));
    EXPECT_EQ(GrphWork::fileName(0), QStringLiteral("_GRPHTEMP.000"));
    // A stranger's file in the parent folder is never touched.
    zbtest::writeAll(dir.file("_GRPHTEMP.001"), "other");
    {
        GrphWork w(dir.path());
        ASSERT_TRUE(w.isValid());
        EXPECT_NE(w.folder(), dir.path());
        Page p;
        p.parts << TPartsBox{};
        EXPECT_TRUE(w.writePage(3, p));
        EXPECT_TRUE(w.writePage(5, p));
        EXPECT_EQ(w.lastPage(1), 5);
        EXPECT_EQ(w.lastPage(7), 7);
        EXPECT_TRUE(w.writePage(5, Page()));  // a page without parts deletes its file
        EXPECT_FALSE(QFile::exists(w.pagePath(5)));
        EXPECT_TRUE(w.move(3, 4));
        EXPECT_EQ(w.pages(), QList<int>{4});
        EXPECT_FALSE(w.move(9, 10));
        w.clear();
        EXPECT_TRUE(w.pages().isEmpty());
    }
    EXPECT_EQ(zbtest::readAll(dir.file("_GRPHTEMP.001")), QByteArray("other"));
}

TEST(AlbumDocument, EmptyFormatWithoutPreview)
{
    Fixture fx;
    AlbumDocument format(DocKind::Format, fx.forms, fx.forms, fx.work, fx.messages);
    format.startNew(QString(), 1, 0, 0);
    EXPECT_EQ(format.title, QStringLiteral("書式"));
    ASSERT_TRUE(format.save(QStringLiteral("空.ZBF")));
    const QByteArray b = zbtest::readAll(QDir(fx.forms).filePath(QStringLiteral("空.ZBF")));
    ASSERT_EQ(b.size(), 119);
    EXPECT_EQ(qFromLittleEndian<qint32>(b.constData() + 115), 0);
    EXPECT_EQ(fx.messages.boxes(), QStringList{QStringLiteral("information: ") + kCoverFormatSaved});
    AlbumDocument again(DocKind::Format, fx.forms, fx.forms, fx.work, fx.messages);
    ASSERT_TRUE(again.open(QDir(fx.forms).filePath(QStringLiteral("空.ZBF"))));
    EXPECT_TRUE(again.page.parts.isEmpty());
}

TEST(AlbumDocument, FormatSaveMessagesAndPreview)
{
    Fixture fx;
    AlbumDocument format(DocKind::Format, fx.forms, fx.forms, fx.work, fx.messages);
    format.startNew(QString(), 1, 0, 0);
    format.page.parts << item(1, QStringLiteral("{2500.写真}")) << item(0, QStringLiteral("{2010.写真タイトル}"))
                      << item(2, QStringLiteral("{2601.参考図2}"));
    ASSERT_TRUE(format.save(QStringLiteral("書式1.ZBF")));
    EXPECT_EQ(fx.messages.boxes(), QStringList{QStringLiteral("information: ") + kUnslottedPhotoItems});
    const QByteArray b = zbtest::readAll(QDir(fx.forms).filePath(QStringLiteral("書式1.ZBF")));
    const TGrphFileHeader h = *decodeFileHeader(b);
    EXPECT_FALSE(h.cover);
    EXPECT_EQ(h.maxSlot, 2);
    EXPECT_EQ(h.maxDrawing, 2);
    ASSERT_GT(h.previewLength, 0);
    QImage preview;
    SilentMessages quiet;
    ASSERT_TRUE(DecodeJpeg(b.mid(119, h.previewLength), preview, 0, quiet));
    EXPECT_EQ(preview.size(), QSize(91, 128));  // A4 with its longer side 128
    EXPECT_LT(qGray(preview.pixel(0, 64)), 60);  // the black frame round the paper
}

TEST(AlbumDocument, PagesWithGapsSavedAndReopened)
{
    Fixture fx;
    auto d = fx.album();
    d->title = QStringLiteral("第一回");
    for (int n : {1, 2, 5}) {
        ASSERT_TRUE(d->gotoPage(n));
        d->page.parts << item(-1, QStringLiteral("頁%1").arg(n));
    }
    ASSERT_TRUE(d->save(QStringLiteral("帳.ZBA")));
    const QString path = QDir(fx.albums).filePath(QStringLiteral("帳.ZBA"));
    const std::optional<DocumentFile> f = decodeDocumentFile(zbtest::readAll(path));
    ASSERT_TRUE(f);
    EXPECT_EQ(f->pages.keys(), (QList<int>{1, 2, 5}));
    EXPECT_EQ(f->header.title, QStringLiteral("第一回"));
    EXPECT_EQ(f->header.previewLength, 0);

    // Saving again keeps the old file as the backup beside the work folder.
    ASSERT_TRUE(d->save(QStringLiteral("帳.ZBA")));
    EXPECT_TRUE(QFile::exists(QDir(fx.work).filePath(QStringLiteral("DATAFILE.BAK"))));

    auto again = fx.album();
    ASSERT_TRUE(again->open(path));
    EXPECT_EQ(again->title, QStringLiteral("第一回"));
    EXPECT_EQ(again->page.parts.value(0).Caption, QStringLiteral("頁1"));
    EXPECT_EQ(again->lastPage(), 5);
    EXPECT_FALSE(again->work().exists(3));
    EXPECT_FALSE(again->work().exists(4));
    ASSERT_TRUE(again->gotoPage(4));
    EXPECT_TRUE(again->page.parts.isEmpty());
}

TEST(AlbumDocument, DamagedDocumentRefused)
{
    Fixture fx;
    auto d = fx.album();
    d->page.parts << item(-1, QStringLiteral("残る"));
    const QString path = QDir(fx.albums).filePath(QStringLiteral("壊.ZBA"));
    DocumentFile f;
    f.pages.insert(1, QByteArray(40, '\x7F'));
    zbtest::writeAll(path, encodeDocumentFile(f));
    fx.messages.clear();
    EXPECT_FALSE(d->open(path));
    EXPECT_EQ(fx.messages.boxes(),
              QStringList{QStringLiteral("error: ファイルが壊れているため読み込めません。\r\n>壊.ZBA")});
    EXPECT_EQ(d->page.parts.value(0).Caption, QStringLiteral("残る"));
}

TEST(AlbumDocument, NewAlbumFromInitialFormat)
{
    Fixture fx;
    AlbumDocument d(DocKind::Album, fx.albums, fx.forms, fx.work, fx.messages);
    d.startNew(QStringLiteral("ない.ZBF"), 1, 0, 0);
    d.startNew(QStringLiteral("表紙.ZBF"), 1, 0, 0);
    d.startNew(QStringLiteral("A3.ZBF"), 3, mm(1.5), 0);
    EXPECT_EQ(fx.messages.boxes(), (QStringList{QStringLiteral("information: ") + kInitialFormatMissing,
                                                QStringLiteral("warning: ") + kInitialFormatIsCover}));
    EXPECT_EQ(d.paperCode, 8);
    EXPECT_EQ(d.pageStart, 3);
    EXPECT_EQ(d.title, QStringLiteral("工事写真帳"));
    EXPECT_EQ(d.layoutGuide().size(), 5);
    fx.messages.clear();
    EXPECT_TRUE(d.selectFormat(QStringLiteral("三枚.ZBF")));
    EXPECT_EQ(fx.messages.boxes(), QStringList{QStringLiteral("information: ") + kOtherPaperFormat});
    EXPECT_EQ(d.paperCode, 8);
}

TEST(AlbumDocument, PourSevenPhotosIntoThreeSlots)
{
    Fixture fx;
    auto d = fx.album();
    FakeBinder binder;
    const PourResult r = d->pour({1, 2, 3, 4, 5, 6, 7}, binder, fx.progress);
    EXPECT_EQ(r.placed, 7);
    EXPECT_FALSE(r.stopped);
    EXPECT_EQ(d->currentPage(), 3);
    EXPECT_EQ(r.lastParts.size(), 3);  // page 3 was empty: its common part came with photo 7
    EXPECT_EQ(fx.progress.started, 7);
    EXPECT_EQ(binder.batches, 1);
    EXPECT_EQ(slotsPerPage(*d), (QMap<int, int>{{1, 3}, {2, 3}, {3, 1}}));
    EXPECT_EQ(d->page.formatName, QStringLiteral("三枚"));
    const TPartsBox& title = d->page.parts[r.lastParts[2]];
    EXPECT_EQ(title.Caption, QStringLiteral("写真7"));
    EXPECT_EQ(title.PhotoRecord, 7);
    EXPECT_EQ(title.FormIndex, 1);
}

TEST(AlbumDocument, PourStops)
{
    Fixture fx;
    auto d = fx.album();
    FakeBinder binder;
    // ESC after the second photo.
    fx.progress.stopAfter = 2;
    EXPECT_EQ(d->pour({1, 2, 3, 4}, binder, fx.progress).placed, 2);

    // A full page 999.
    ASSERT_TRUE(d->gotoPage(999));
    fx.progress.stopAfter = -1;
    EXPECT_EQ(d->pour({1, 2, 3}, binder, fx.progress).placed, 3);
    fx.messages.clear();
    const PourResult full = d->pour({4}, binder, fx.progress);
    EXPECT_EQ(full.placed, 0);
    EXPECT_EQ(fx.messages.boxes(), QStringList{QStringLiteral("warning: ") + kLastPageReached});
    EXPECT_EQ(slotsPerPage(*d).value(999), 3);

    // A cover format takes no photos.
    d->formatName = QStringLiteral("表紙.ZBF");
    fx.messages.clear();
    EXPECT_EQ(d->pour({5}, binder, fx.progress).placed, 0);
    EXPECT_EQ(fx.messages.boxes(), QStringList{QStringLiteral("warning: ") + kCoverFormatPour});
}

TEST(AlbumDocument, PourInInsertMode)
{
    Fixture fx;
    auto d = fx.album();
    FakeBinder binder;
    ASSERT_TRUE(d->gotoPage(2));
    d->page.parts << item(-1, QStringLiteral("元の2頁"));
    ASSERT_TRUE(d->gotoPage(1));
    d->pour({1, 2, 3, 4}, binder, fx.progress, true);
    EXPECT_EQ(d->currentPage(), 2);
    d->storeCurrentPage();
    EXPECT_EQ(d->work().pages(), (QList<int>{1, 2, 3}));
    EXPECT_EQ(decodePage(d->work().read(3))->parts.value(0).Caption, QStringLiteral("元の2頁"));
}

TEST(AlbumDocument, BindingThroughThePhotoTable)
{
    zbtest::TempDir dir;
    TTableNetWork table;
    const PhotoFields f = openOrCreatePhotoTable(dir.file("J.DB"), {&table}, true);
    QImage picture(800, 600, QImage::Format_RGB888);
    picture.fill(qRgb(10, 200, 30));
    QByteArray jpeg;
    SilentMessages quiet;
    ASSERT_TRUE(EncodeJpeg(picture, jpeg, false, 90, quiet));
    struct Row {
        RECORD record;
        const char* title;
        QList<RECORD> drawings;
    } rows[] = {{1, "着手前", {0, 8, 9}}, {2, "", {0, 0, 0}}, {8, "図", {0, 0, 0}}};
    for (const Row& r : rows) {
        table.append();
        table.setValue(f[F_RECORD], r.record);
        table.setValue(f[F_TITLE], QString::fromUtf8(r.title));
        table.writeBlob(f[F_IMAGE_ORG], jpeg);
        table.setValue(f[F_GRA_FLAG], 0);
        table.setValue(f[F_REC_DRA1], r.drawings[0]);
        table.setValue(f[F_REC_DRA2], r.drawings[1]);
        table.setValue(f[F_REC_DRA3], r.drawings[2]);
        table.post();
    }
    CaptionSources s;
    s.today = QDate(2026, 12, 10);
    s.photoTable = &table;
    s.fields = f;
    ScriptedMessages messages;
    TablePhotoBinder binder(s, messages);

    TPartsBox photo = item(1, QStringLiteral("{2500.写真}"));
    ASSERT_TRUE(binder.bindPart(photo, 1));
    EXPECT_EQ(photo.PhotoRecord, 1);
    EXPECT_EQ(photo.RefWidth, 533);
    EXPECT_EQ(photo.RefHeight, 400);
    ASSERT_TRUE(table.locate(1));
    QImage album;
    ASSERT_TRUE(DecodeJpeg(table.readBlob(f[F_ALBUM]), album, 0, quiet));
    EXPECT_EQ(album.size(), QSize(533, 400));
    TPartsBox gone = photo;
    EXPECT_FALSE(binder.bindPart(gone, 77));

    struct Drawing {
        const char* caption;
        RECORD photo;
        bool placed;
        RECORD ref;
    } drawings[] = {{"{2600.参考図1}", 1, true, 8}, {"{2601.参考図2}", 1, true, 9},
                    {"{2602.参考図3}", 1, false, 0}, {"{2600.参考図1}", 2, false, 0}};
    for (const Drawing& c : drawings) {
        TPartsBox p = item(1, QString::fromUtf8(c.caption));
        EXPECT_EQ(binder.bindPart(p, c.photo), c.placed) << c.caption;
        EXPECT_EQ(p.RefRecord, c.ref) << c.caption;
    }
    // 写真整理フラッグ 0 becomes 1; other values stay.
    ASSERT_TRUE(table.locate(2));
    table.edit();
    table.setValue(f[F_FLAG], 5);
    table.post();
    EXPECT_TRUE(binder.markInAlbum(1));
    EXPECT_FALSE(binder.markInAlbum(1));
    EXPECT_FALSE(binder.markInAlbum(2));
    EXPECT_FALSE(binder.markInAlbum(77));
    ASSERT_TRUE(table.locate(2));
    EXPECT_EQ(table.value(f[F_FLAG]).toInt(), 5);
    TPartsBox title = item(1, QStringLiteral("{2010.写真タイトル}"));
    ASSERT_TRUE(binder.bindPart(title, 1));
    EXPECT_EQ(title.Caption, QStringLiteral("着手前"));
    TPartsBox empty = item(1, QStringLiteral("{2010.写真タイトル}"));
    EXPECT_FALSE(binder.bindPart(empty, 2));

    // Frame pictures: ALBUM on screen for small frames, the current picture otherwise.
    FramePictures pictures(table, f);
    const FramePicture small = pictures.load(photo, 2500, QSize(200, 150), true);
    EXPECT_EQ(small.image.size(), QSize(267, 200));  // ALBUM (533 x 400) decoded at half size
    const FramePicture print = pictures.load(photo, 2500, QSize(200, 150), false);
    EXPECT_EQ(print.image.size(), QSize(200, 150));  // the 800 x 600 picture decoded at 2/8
    const FramePicture large = pictures.load(photo, 2500, QSize(800, 600), true);
    EXPECT_EQ(large.image.size(), QSize(800, 600));
    // Prepared ahead of drawing: turned and scaled to what it fills of the
    // frame at its own proportions, taken once. A 1200-dpi printer gets the
    // picture's own 600 x 800 pixels, not an enlarged copy.
    struct Prepared {
        double pixelsPerMm;
        QSize size;
    } prepared[] = {{2.0, QSize()}, {1200 / 25.4, QSize(600, 800)}};
    for (const Prepared& c : prepared) {
        Page page;
        TPartsBox turned = photo;
        turned.ImageOrientation = 1;
        page.parts << turned;
        const DrawTarget print = DrawTarget::onPrinter(c.pixelsPerMm);
        FramePictures ahead(table, f);
        ahead.prepare(page, print);
        const QSize frame = drawingRect(turned, print).size();
        const FramePicture first = ahead.load(turned, 2500, frame, false);
        EXPECT_TRUE(first.ready);
        const QSize want = c.size.isValid() ? c.size : fittedRect(QSize(600, 800), QRect(QPoint(), frame)).size();
        EXPECT_EQ(first.image.size(), want) << c.pixelsPerMm;
        EXPECT_LT(want.width(), frame.width());
        EXPECT_FALSE(ahead.load(turned, 2500, frame, false).ready);
    }
    // Small screen frames come from ALBUM: with the current picture broken they
    // still show, while printing has nothing to draw.
    ASSERT_TRUE(table.locate(1));
    table.edit();
    table.writeBlob(f[F_IMAGE_ORG], QByteArray("broken"));
    table.post();
    FramePictures fresh(table, f);
    EXPECT_FALSE(fresh.load(photo, 2500, QSize(300, 200), true).image.isNull());
    EXPECT_TRUE(fresh.load(photo, 2500, QSize(300, 200), false).image.isNull());
    EXPECT_FALSE(fresh.load(photo, 2500, QSize(300, 200), false).missing);
    TPartsBox missing = photo;
    missing.PhotoRecord = 55;
    EXPECT_TRUE(pictures.load(missing, 2500, QSize(10, 10), true).missing);
}

TEST(AlbumDocument, PrintingDecodesTheNextPageWhileOneIsDrawn)
{
    zbtest::TempDir dir;
    TTableNetWork table;
    const PhotoFields f = openOrCreatePhotoTable(dir.file("J.DB"), {&table}, true);
    const QRgb colours[] = {qRgb(220, 20, 20), qRgb(20, 220, 20), qRgb(20, 20, 220)};
    SilentMessages quiet;
    for (RECORD r = 1; r <= 3; ++r) {
        QImage picture(400, 300, QImage::Format_RGB888);
        picture.fill(colours[r - 1]);
        QByteArray jpeg;
        ASSERT_TRUE(EncodeJpeg(picture, jpeg, false, 95, quiet));
        table.append();
        table.setValue(f[F_RECORD], r);
        table.writeBlob(f[F_IMAGE_ORG], jpeg);
        table.setValue(f[F_GRA_FLAG], 0);
        table.post();
    }
    // Page n holds one frame of photo n.
    FramePictures pictures(table, f);
    PrintSource source;
    source.pageCount = 3;
    source.pictures = &pictures;
    int reads = 0;
    source.pageAt = [&reads](int number) {
        ++reads;
        Page page;
        TPartsBox frame = item(1, QStringLiteral("{2500.写真}"));
        frame.PhotoRecord = number;
        page.parts << frame;
        return page;
    };
    const zb::PrintPages pages = printPagesOf(source);
    ASSERT_TRUE(pages.comingNext);
    // Each step: the page announced to follow, then the page drawn. The
    // announcement can be wrong (3 announced, 1 drawn): the drawing still
    // shows its own photo.
    const struct {
        int next, drawn;
    } steps[] = {{2, 1}, {2, 2}, {3, 2}, {3, 3}, {1, 3}, {0, 2}, {0, 1}};
    for (const auto& step : steps) {
        pages.comingNext(step.next);
        QImage sheet(120, 60, QImage::Format_RGB32);
        sheet.fill(Qt::white);
        {
            QPainter g(&sheet);
            EXPECT_TRUE(pages.drawPage(step.drawn, g, 2.0, {}));
        }
        const QColor shown = sheet.pixelColor(50, 20);
        const QColor want = QColor(colours[step.drawn - 1]);
        EXPECT_NEAR(shown.red(), want.red(), 12) << step.drawn;
        EXPECT_NEAR(shown.green(), want.green(), 12) << step.drawn;
        EXPECT_NEAR(shown.blue(), want.blue(), 12) << step.drawn;
    }
    // A page is read once for its prefetch and drawing, and once for copies in a row.
    EXPECT_EQ(reads, 5);
}

TEST(AlbumDocument, ClipboardOfParts)
{
    Page source;
    source.parts << item(1, QStringLiteral("a")) << item(2, QStringLiteral("b")) << item(2, QStringLiteral("c"))
                 << item(-1, QStringLiteral("手"));
    source.parts[0].PhotoRecord = 5;
    source.parts[1].PhotoRecord = 6;
    source.parts[2].PhotoRecord = 6;
    const QByteArray clip = encodeSelectedParts(source, {0, 1, 2, 3});
    EXPECT_EQ(decodePage(clip)->parts.size(), 4);
    EXPECT_EQ(decodePage(encodeSelectedParts(source, {3}))->parts.value(0).Caption, QStringLiteral("手"));

    // The target page holds photo 5 in slot 1 and photo 9 in slot 2: photo 5's
    // part stays in slot 1, photo 6's parts move together to slot 3.
    Page target;
    target.parts << item(1, QStringLiteral("x")) << item(2, QStringLiteral("y"));
    target.parts[0].PhotoRecord = 5;
    target.parts[1].PhotoRecord = 9;
    const QList<int> pasted = pasteParts(target, clip);
    EXPECT_EQ(pasted, (QList<int>{2, 3, 4, 5}));
    EXPECT_EQ(target.parts[2].FormIndex, 1);
    EXPECT_EQ(target.parts[3].FormIndex, 3);
    EXPECT_EQ(target.parts[4].FormIndex, 3);
    EXPECT_EQ(target.parts[5].FormIndex, -1);
    // Photo 9 pasted where slot 2 already holds it stays; onto a page that holds
    // it in slot 4, it moves there.
    Page other;
    other.parts << item(4, QStringLiteral("z"));
    other.parts[0].PhotoRecord = 6;
    pasteParts(other, encodeSelectedParts(source, {1}));
    EXPECT_EQ(other.parts[1].FormIndex, 4);
    EXPECT_TRUE(pasteParts(other, QByteArray("broken")).isEmpty());
}

TEST(AlbumDocument, PicturesDecodedToFitTheirFrames)
{
    QImage picture(800, 600, QImage::Format_RGB888);
    picture.fill(qRgb(1, 2, 3));
    QByteArray jpeg;
    SilentMessages quiet;
    ASSERT_TRUE(EncodeJpeg(picture, jpeg, false, 90, quiet));
    struct Case {
        QSize fit, decoded;
    } cases[] = {
        {QSize(100, 75), QSize(100, 75)},   {QSize(101, 10), QSize(200, 150)}, {QSize(200, 151), QSize(400, 300)},
        {QSize(500, 10), QSize(800, 600)},  {QSize(5000, 5000), QSize(800, 600)}, {QSize(), QSize(800, 600)},
    };
    for (const Case& c : cases) {
        QImage out;
        ASSERT_TRUE(DecodeJpegToFit(jpeg, out, c.fit, quiet));
        EXPECT_EQ(out.size(), c.decoded) << c.fit.width() << "x" << c.fit.height();
    }
    QImage out;
    EXPECT_FALSE(DecodeJpegToFit(QByteArray("no jpeg"), out, QSize(10, 10), quiet));
}

TEST(AlbumDocument, ZeroLengthPageStreamIsAnEmptyPage)
{
    Fixture fx;
    DocumentFile f;
    f.pages.insert(1, QByteArray());
    Page two;
    two.parts << item(-1, QStringLiteral("二"));
    f.pages.insert(2, encodePage(two));
    const QString path = QDir(fx.albums).filePath(QStringLiteral("零.ZBA"));
    zbtest::writeAll(path, encodeDocumentFile(f));
    auto d = fx.album();
    fx.messages.clear();
    ASSERT_TRUE(d->open(path));
    EXPECT_TRUE(fx.messages.boxes().isEmpty());
    EXPECT_TRUE(d->page.parts.isEmpty());
    ASSERT_TRUE(d->gotoPage(2));
    EXPECT_EQ(d->page.parts.value(0).Caption, QStringLiteral("二"));
}
