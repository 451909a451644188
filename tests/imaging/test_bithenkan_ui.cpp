#include "imaging/ui/frm_bithenkan.h"
#include "imaging/ui/frm_bitset.h"
#include "imaging/ui/picture_canvas.h"

#include "core/inifile.h"
#include "core/scripted_ports.h"
#include "fixtures.h"
#include "support/temp_dir.h"

#include <QAction>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QDir>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QSpinBox>
#include <QTabWidget>
#include <QTest>
#include <gtest/gtest.h>

using namespace zb;

QApplication& imagingUiApp();

namespace {

struct Dialog {
    zbtest::TempDir dir;
    ScriptedMessages messages;
    std::unique_ptr<TFrm_BitHenkan> form;
    explicit Dialog(const QImage& picture, bool effects = true)
    {
        imagingUiApp();
        form = std::make_unique<TFrm_BitHenkan>(messages, dir.path(), effects);
        form->load(picture);
        form->showTab(EditTab::Brightness);
        form->show();
    }
    void showTab(EditTab tab) { form->tabs->setCurrentIndex(int(tab)); }
};

}  // namespace

TEST(BitHenkanUi, PagesAndStatusTexts)
{
    Dialog d(zbtest::patternBitmap(300, 200));
    EXPECT_EQ(d.form->windowTitle(), QStringLiteral("画像処理"));
    ASSERT_EQ(d.form->tabs->count(), 5);
    const char* captions[] = {"明度", "編集", "編集２", "色", "効果"};
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(d.form->tabs->tabText(i), QString::fromUtf8(captions[i]));
        d.showTab(EditTab(i));
        EXPECT_EQ(d.form->statusPanels[0]->text(), editTabInfo(EditTab(i)).status);
    }
    EXPECT_EQ(d.form->statusPanels[2]->text(), QStringLiteral(" 縦 200 横 300(ﾋﾟｸｾﾙ)"));
    EXPECT_EQ(d.form->CB_Ritu->currentText(), QStringLiteral("50%"));
    EXPECT_EQ(d.form->Image1->size(), QSize(150, 100));
    d.form->CB_Ritu->setCurrentIndex(d.form->CB_Ritu->findText(QStringLiteral("200%")));
    EXPECT_EQ(d.form->Image1->size(), QSize(600, 400));

    // Without the effects page there are four.
    Dialog plain(zbtest::patternBitmap(30, 20), false);
    EXPECT_EQ(plain.form->tabs->count(), 4);
}

TEST(BitHenkanUi, SliderThenApplyThenUndo)
{
    const QImage original = zbtest::patternBitmap(120, 90);
    Dialog d(original);
    EXPECT_FALSE(d.form->reflectButtons[0]->isEnabled());
    // A key on the slider moves it without a drag: taken at once.
    d.form->TrackBarEx_Akarusa.slider->setFocus();
    QTest::keyClick(d.form->TrackBarEx_Akarusa.slider, Qt::Key_PageUp);
    EXPECT_EQ(d.form->TrackBarEx_Akarusa.box->value(), 10);
    EXPECT_EQ(d.form->editor().sliders.brightness, 10);
    EXPECT_TRUE(d.form->editor().previewDiffers());
    EXPECT_TRUE(d.form->reflectButtons[0]->isEnabled());
    EXPECT_EQ(d.form->resultPicture().pixel(0, 0), original.pixel(0, 0));  // preview only

    QTest::mouseClick(d.form->reflectButtons[0], Qt::LeftButton);
    EXPECT_EQ(qRed(d.form->resultPicture().pixel(0, 0)), std::min(255, qRed(original.pixel(0, 0)) + 10));
    EXPECT_EQ(d.form->TrackBarEx_Akarusa.slider->value(), 0);
    EXPECT_FALSE(d.form->reflectButtons[0]->isEnabled());
    EXPECT_TRUE(d.form->undoAction->isEnabled());

    d.form->undoAction->trigger();
    EXPECT_EQ(d.form->resultPicture().pixel(0, 0), original.pixel(0, 0));
}

TEST(BitHenkanUi, TrimByKeys)
{
    Dialog d(zbtest::patternBitmap(400, 300));
    {
        IniFile ini(QDir(d.dir.path()).filePath(QStringLiteral("ZB_G.INI")));
        ini.writeInteger(QStringLiteral("Current"), QStringLiteral("SelSize"), 1);  // 100 x 100
        ASSERT_TRUE(ini.save().ok);
    }
    d.showTab(EditTab::Edit);
    EXPECT_FALSE(d.form->trimButton->isEnabled());
    QTest::mouseClick(d.form->selectButton, Qt::LeftButton);
    EXPECT_EQ(d.form->selectButton->text(), QStringLiteral("指定解除(&D)"));
    EXPECT_EQ(d.form->statusPanels[1]->text(), QStringLiteral(" 選択領域 Ｘ : 0  Ｙ : 0  幅 : 100  高さ : 100"));
    QTest::keyClick(d.form->Image1, Qt::Key_Right, Qt::ShiftModifier);  // 5 display = 10 picture pixels
    QTest::keyClick(d.form->Image1, Qt::Key_Down, Qt::ControlModifier);  // taller by 2
    EXPECT_EQ(d.form->statusPanels[1]->text(), QStringLiteral(" 選択領域 Ｘ : 10  Ｙ : 0  幅 : 100  高さ : 102"));
    QTest::mouseClick(d.form->trimButton, Qt::LeftButton);
    EXPECT_EQ(d.form->resultPicture().size(), QSize(100, 102));
    EXPECT_EQ(d.form->statusPanels[2]->text(), QStringLiteral(" 縦 102 横 100(ﾋﾟｸｾﾙ)"));
    EXPECT_EQ(d.form->selectButton->text(), QStringLiteral("範囲指定(&T)"));

    // Delete removes a selection made by a drag.
    QTest::mousePress(d.form->Image1, Qt::LeftButton, {}, QPoint(2, 2));
    QTest::mouseMove(d.form->Image1, QPoint(5, 5));  // too short to start
    EXPECT_TRUE(d.form->statusPanels[1]->text().isEmpty());
    QTest::mouseMove(d.form->Image1, QPoint(40, 30));
    QTest::mouseRelease(d.form->Image1, Qt::LeftButton, {}, QPoint(40, 30));
    EXPECT_EQ(d.form->statusPanels[1]->text(), QStringLiteral(" 選択領域 Ｘ : 4  Ｙ : 4  幅 : 76  高さ : 60"));
    QTest::keyClick(d.form->Image1, Qt::Key_Delete);
    EXPECT_TRUE(d.form->statusPanels[1]->text().isEmpty());
}

TEST(BitHenkanUi, ClosingQuestionAnsweredEachWay)
{
    using A = Messages::Answer;
    for (const A answer : {A::Yes, A::No, A::Cancel}) {
        Dialog d(zbtest::patternBitmap(60, 40));
        d.showTab(EditTab::Effects);
        QTest::mouseClick(d.form->greyButton, Qt::LeftButton);
        const QRgb p = d.form->resultPicture().pixel(3, 3);
        EXPECT_TRUE(qRed(p) == qGreen(p) && qGreen(p) == qBlue(p));
        d.messages.reply(answer);
        QTest::keyClick(d.form.get(), Qt::Key_Escape);
        EXPECT_EQ(d.messages.boxes(), QStringList{QStringLiteral("askThree: ") + kEditChangedQuestion});
        EXPECT_EQ(d.form->isVisible(), answer == A::Cancel);
        EXPECT_EQ(d.form->applied(), answer == A::Yes);
    }
    // 閉じる ends without a question and without applying.
    Dialog d(zbtest::patternBitmap(60, 40));
    d.showTab(EditTab::Effects);
    QTest::mouseClick(d.form->invertButton, Qt::LeftButton);
    d.form->closeAction->trigger();
    EXPECT_FALSE(d.form->isVisible());
    EXPECT_FALSE(d.form->applied());
    EXPECT_TRUE(d.messages.boxes().isEmpty());
}

TEST(BitHenkanUi, SelectionSizeDialogWritesOnlyOnEnd)
{
    imagingUiApp();
    zbtest::TempDir dir;
    ScriptedMessages messages;
    const QString ini = QDir(dir.path()).filePath(QStringLiteral("ZB_G.INI"));
    {
        TFrm_BitSet form(messages, dir.path());
        EXPECT_EQ(form.windowTitle(), QStringLiteral("簡略画像処理"));
        EXPECT_EQ(form.RadioGroup->title(), QStringLiteral("指定範囲の大きさ (ピクセル)"));
        EXPECT_TRUE(form.choices->button(1)->isChecked());  // no SelSize yet
        EXPECT_EQ(form.choices->button(6)->text(), QStringLiteral("カスタム Ｗ１００×Ｈ１００"));
        form.show();
        EXPECT_FALSE(form.confirmButton->isVisible());
        QTest::mouseClick(form.choices->button(5), Qt::LeftButton);
        EXPECT_TRUE(form.confirmButton->isVisible());
        form.widthBox->setValue(320);
        form.heightBox->setValue(240);
        QTest::mouseClick(form.confirmButton, Qt::LeftButton);
        EXPECT_EQ(form.choices->button(5)->text(), QStringLiteral("カスタム Ｗ３２０×Ｈ２４０"));
        QTest::mouseClick(form.cancelButton, Qt::LeftButton);
    }
    EXPECT_FALSE(QFile::exists(ini));
    {
        TFrm_BitSet form(messages, dir.path());
        form.show();
        QTest::mouseClick(form.choices->button(5), Qt::LeftButton);
        form.widthBox->setValue(320);
        form.heightBox->setValue(240);
        QTest::mouseClick(form.confirmButton, Qt::LeftButton);
        QTest::mouseClick(form.endButton, Qt::LeftButton);
        EXPECT_EQ(form.result(), QDialog::Accepted);
    }
    const SelectionSizes s = SelectionSizes::load(dir.path());
    EXPECT_EQ(s.choice, 5);
    EXPECT_EQ(s.chosenSize(), QSize(320, 240));
    EXPECT_TRUE(messages.boxes().isEmpty());
}
