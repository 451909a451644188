// The job list's columns on the offscreen platform.
#include "core/scripted_ports.h"
#include "store/job_life.h"
#include "store/ui/file_form.h"
#include "support/temp_dir.h"

#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>
#include <gtest/gtest.h>

using namespace zb;

namespace {

QApplication& app()
{
    static int argc = 1;
    static char name[] = "test_store_ui";
    static char* argv[] = {name, nullptr};
    static QApplication* a = new QApplication(argc, argv);
    return *a;
}

}  // namespace

// Every column but 名称 is as wide as its longest text (or its caption), so no
// text is cut; 名称 takes the rest of the width, never less than 300 pixels.
TEST(FileFormUi, ColumnsFitTheirContentsAndTheNameStretches)
{
    app();
    zbtest::TempDir dir;
    const Folders folders = resolveFolders(dir.path(), {}, {}, dir.path());
    SilentMessages quiet;
    createFolders(folders, quiet);
    JobHeader h;
    h.projectType = QStringLiteral("道路改良工事（一般国道）");
    h.projectName = QStringLiteral("一般国道百二十三号線道路改良工事その二十五（第三工区）");
    h.author = QStringLiteral("山田太郎");
    ASSERT_TRUE(writeTreeFile(folders.dataFile + QStringLiteral("現場.ZBD"), TreeFile{h, defaultHierarchy()}));
    ASSERT_TRUE(writeTreeFile(folders.dataFile + QStringLiteral("A.ZBD"), TreeFile{JobHeader{}, defaultHierarchy()}));

    ScriptedMessages messages;
    TFileForm form(folders, messages);
    QTableWidget* list = form.list();
    QHeaderView* header = list->horizontalHeader();
    auto others = [&] {
        int sum = 0;
        for (int c = 1; c < 6; ++c)
            sum += header->sectionSize(c);
        return sum;
    };
    // No caption and no cell text is cut.
    auto contentsFit = [&] {
        const QFontMetrics fm(list->font());
        for (int c = 0; c < 6; ++c) {
            SCOPED_TRACE(c);
            EXPECT_GE(header->sectionSize(c), header->sectionSizeHint(c));
            for (int r = 0; r < list->rowCount(); ++r) {
                const QTableWidgetItem* item = list->item(r, c);
                const int icon = item->icon().isNull() ? 0 : list->iconSize().width();
                EXPECT_GT(header->sectionSize(c), fm.horizontalAdvance(item->text()) + icon) << r;
            }
        }
        EXPECT_GE(header->sectionSize(0), TFileForm::kNameColumnMinWidth);
    };

    for (int width : {1400, 1000, 500}) {
        SCOPED_TRACE(width);
        form.resize(width, 420);
        form.show();
        QApplication::processEvents();
        contentsFit();
        const int room = list->viewport()->width() - others();
        if (room >= TFileForm::kNameColumnMinWidth) {
            EXPECT_EQ(header->sectionSize(0), room);  // stretched to the edge
        } else {
            EXPECT_EQ(header->sectionSize(0), TFileForm::kNameColumnMinWidth);
            EXPECT_GT(list->horizontalScrollBar()->maximum(), 0);
        }
    }

    // Sorting puts an arrow into a caption: the column widens with it.
    form.resize(1400, 420);
    QApplication::processEvents();
    const int before = header->sectionSize(5);
    QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                      QPoint(header->sectionViewportPosition(5) + 5, header->height() / 2));
    QApplication::processEvents();
    EXPECT_TRUE(list->horizontalHeaderItem(5)->text().endsWith(QStringLiteral("↓")));
    EXPECT_GE(header->sectionSize(5), before);
    contentsFit();
}
