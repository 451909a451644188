#include "imaging/ui/frm_bitjpeg.h"
#include "imaging/ui/save_picture_dialog.h"

#include "core/scripted_ports.h"
#include "fixtures.h"
#include "support/temp_dir.h"

#include <QApplication>
#include <QButtonGroup>
#include <QFileDialog>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <functional>
#include <gtest/gtest.h>

using namespace zb;

// Qt's platform and font libraries keep allocations until exit that the leak
// checker reports; the widget tests do not look for leaks.
extern "C" const char* __asan_default_options()
{
    return "detect_leaks=0";
}

namespace {

QApplication& app()
{
    static int argc = 1;
    static char name[] = "test_imaging_ui";
    static char* argv[] = {name, nullptr};
    // Never destroyed: tearing Qt down in the exit handlers crashes.
    static QApplication* a = new QApplication(argc, argv);
    return *a;
}

// Runs `act` on the modal dialog once it is shown.
void whenShown(std::function<void(QWidget*)> act)
{
    QTimer::singleShot(0, [act] {
        QWidget* w = QApplication::activeModalWidget();
        if (!w) {
            whenShown(act);
            return;
        }
        act(w);
    });
}

}  // namespace

// The application the other widget tests of this program share.
QApplication& imagingUiApp()
{
    return app();
}

TEST(ImagingUi, QualityDialogDefaultsTo90)
{
    app();
    TFrm_BitJPEG dialog;
    EXPECT_EQ(dialog.windowTitle(), "圧縮率選択");
    EXPECT_EQ(dialog.RadioGrp_JPEG->title(), " JPEG圧縮率 ");
    QStringList texts;
    for (auto* b : dialog.buttons->buttons())
        texts << b->text();
    EXPECT_EQ(texts, (QStringList{"１００％", "９０％", "８０％", "７０％", "６０％", "５０％", "デフォルト (90%)"}));
    EXPECT_TRUE(dialog.buttons->button(6)->isChecked());
    EXPECT_EQ(dialog.cancelButton->text(), "ｷｬﾝｾﾙ");
}

TEST(ImagingUi, AskJpegQualityAsAUser)
{
    app();
    // OK on the default entry.
    whenShown([](QWidget* w) { QTest::mouseClick(static_cast<TFrm_BitJPEG*>(w)->okButton, Qt::LeftButton); });
    EXPECT_EQ(AskJpegQuality("x.JPG"), 90);
    // 70 % chosen.
    whenShown([](QWidget* w) {
        auto* d = static_cast<TFrm_BitJPEG*>(w);
        QTest::mouseClick(d->buttons->button(3), Qt::LeftButton);
        QTest::mouseClick(d->okButton, Qt::LeftButton);
    });
    EXPECT_EQ(AskJpegQuality("x.jpeg"), 70);
    // Cancelled.
    whenShown([](QWidget* w) { QTest::mouseClick(static_cast<TFrm_BitJPEG*>(w)->cancelButton, Qt::LeftButton); });
    EXPECT_EQ(AskJpegQuality("x.fpx"), 0);
    // Not a JPEG name: no dialog at all.
    EXPECT_EQ(AskJpegQuality("x.png"), 0);
}

TEST(ImagingUi, SaveAsThroughTheFileDialog)
{
    app();
    zbtest::TempDir dir;
    QString preselected;
    whenShown([&](QWidget* w) {
        auto* d = qobject_cast<QFileDialog*>(w);
        ASSERT_NE(d, nullptr);
        preselected = d->selectedNameFilter();
        d->selectNameFilter(QtNameFilters(kBitmapSaveFilter)[0]);  // JPEG
        auto* edit = d->findChild<QLineEdit*>("fileNameEdit");
        ASSERT_NE(edit, nullptr);
        edit->setText("shot.bmp");
        QTimer::singleShot(0, [] {  // then the quality dialog: default entry
            whenShown([](QWidget* q) {
                QTest::mouseClick(static_cast<TFrm_BitJPEG*>(q)->okButton, Qt::LeftButton);
            });
        });
        QTest::keyClick(edit, Qt::Key_Return);
    });
    ScriptedMessages m;
    ASSERT_TRUE(SavePictureAs(nullptr, m, Graphic{zbtest::patternBitmap(30, 20), {}}, dir.file("photo.png")));
    EXPECT_EQ(preselected, "PNG ファイル(*.png)");
    EXPECT_TRUE(QFile::exists(dir.file("shot.JPG")));
    EXPECT_TRUE(m.log.isEmpty());
}

TEST(ImagingUi, NameFilters)
{
    EXPECT_EQ(QtNameFilters(kMetafileSaveFilter), (QStringList{"メタファイル (*.wmf)", "エンハンスメタファイル(*.emf)"}));
    EXPECT_EQ(QtNameFilters(kBitmapSaveFilter).first(), "JPEG イメージファイル (*.jpg)");
}
