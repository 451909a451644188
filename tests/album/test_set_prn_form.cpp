// "用紙共通設定" and 書式選択 driven as a user would.
#include "album/ui/set_prn_form.h"
#include "settings/settings.h"
#include "support/temp_dir.h"

#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QTest>
#include <QTreeWidget>
#include <gtest/gtest.h>

using namespace zb;
using namespace zb::album;

namespace {

QApplication& app() {
    static int argc = 1;
    static char name[] = "test";
    static char* argv[] = {name, nullptr};
    static QApplication* a = new QApplication(argc, argv);
    return *a;
}

void writeFormat(const QString& path, const QString& title, bool cover, bool withPreview) {
    DocumentFile file;
    file.header.title = title;
    file.header.cover = cover;
    if (withPreview) {
        QImage img(90, 128, QImage::Format_RGB32);
        img.fill(Qt::red);
        QBuffer buf(&file.preview);
        buf.open(QIODevice::WriteOnly);
        img.save(&buf, "JPEG");
    }
    file.pages[1] = encodePage(Page{});
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(encodeDocumentFile(file));
}

QTreeWidgetItem* itemNamed(QTreeWidget* list, const QString& name) {
    for (int i = 0; i < list->topLevelItemCount(); ++i)
        if (list->topLevelItem(i)->text(0) == name) return list->topLevelItem(i);
    return nullptr;
}

}  // namespace

TEST(SetPrnForm, AlbumInitialFormatRefusesCoversAndReturnsOffsets) {
    app();
    zbtest::TempDir dir;
    writeFormat(dir.file("A4縦3連A.ZBF"), "写真3枚", false, true);
    writeFormat(dir.file("表紙.ZBF"), "表書き", true, false);
    QFile(dir.file("壊れ.ZBF")).open(QIODevice::WriteOnly);  // empty: left out

    SetPrnValues v;
    v.formatName = "A4縦3連A.ZBF";
    v.offsetX = mm(1.5);
    TSetPrnForm form(TSetPrnForm::Use::AlbumCommon, v, {}, dir.path(), 1);
    form.show();
    QTreeWidget* list = form.formatList();
    ASSERT_EQ(list->topLevelItemCount(), 2);
    EXPECT_EQ(list->currentItem()->text(0), "A4縦3連A");
    EXPECT_EQ(list->currentItem()->text(2), "写真");
    EXPECT_TRUE(form.okButton()->isEnabled());
    EXPECT_FALSE(form.previewLabel()->pixmap().isNull());
    EXPECT_EQ(list->headerItem()->text(0), "書式名↓");

    list->setCurrentItem(itemNamed(list, "表紙"));
    EXPECT_EQ(list->currentItem()->text(2), "表書");
    EXPECT_FALSE(form.okButton()->isEnabled());
    list->setCurrentItem(itemNamed(list, "A4縦3連A"));
    EXPECT_TRUE(form.okButton()->isEnabled());

    // A click on the name column reverses the order and marks it.
    QTest::mouseClick(list->header()->viewport(), Qt::LeftButton, {},
                      QPoint(list->header()->sectionPosition(0) + 5, 5));
    EXPECT_EQ(form.sort(), -1);
    EXPECT_EQ(list->headerItem()->text(0), "書式名↑");
    EXPECT_EQ(list->currentItem()->text(0), "A4縦3連A");

    EXPECT_DOUBLE_EQ(form.offsetXBox()->value(), 1.5);
    form.pageStartBox()->setValue(3);
    QTest::mouseClick(form.defaultsBox(), Qt::LeftButton);
    const SetPrnValues out = form.values();
    EXPECT_EQ(out.formatName, "A4縦3連A.ZBF");
    EXPECT_EQ(out.pageStart, 3);
    EXPECT_EQ(out.offsetX, mm(1.5));
    EXPECT_TRUE(out.defaults);

    Settings s;
    TSetPrnForm::storeDefaults(s, out);
    EXPECT_EQ(s.grphFormName, "A4縦3連A.ZBF");
    EXPECT_EQ(s.grphPageInc, 3);
    EXPECT_EQ(s.grphOffsetX, mm(1.5));
}

TEST(SetPrnForm, FormatPaperAndFormatChoice) {
    app();
    zbtest::TempDir dir;
    writeFormat(dir.file("表紙.ZBF"), "表書き", true, false);
    {
        SetPrnValues v;
        v.paperCode = 12;
        TSetPrnForm form(TSetPrnForm::Use::FormatPaper, v, {*PaperOfCode(9), *PaperOfCode(12)}, dir.path(), 1);
        EXPECT_EQ(form.windowTitle(), "用紙共通設定");
        EXPECT_EQ(form.formatList(), nullptr);
        EXPECT_EQ(form.paperList()->currentItem()->text(0), PaperOfCode(12)->name);
        QTest::mouseClick(form.landscapeButton(), Qt::LeftButton);
        form.paperList()->setCurrentItem(form.paperList()->topLevelItem(0));
        EXPECT_EQ(form.values().paperCode, 9);
        EXPECT_EQ(form.values().orientation, 1);
    }
    {  // 書式選択 lets a cover format be chosen for a page
        SetPrnValues v;
        v.formatName = "表紙.ZBF";
        TSetPrnForm form(TSetPrnForm::Use::FormatChoice, v, {}, dir.path(), 1);
        EXPECT_EQ(form.windowTitle(), "書式選択");
        EXPECT_TRUE(form.okButton()->isEnabled());
        EXPECT_EQ(form.values().formatName, "表紙.ZBF");
    }
}
