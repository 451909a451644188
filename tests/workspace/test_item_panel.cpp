// The batch change of several photos (through the scripted ports) and the
// item panel of the main window, driven as a user would on the offscreen
// platform.
#include "core/scripted_ports.h"
#include "store/table_network.h"
#include "support/temp_dir.h"
#include "workspace/batch_change.h"

#include <gtest/gtest.h>

using namespace zb;

namespace {

struct PhotoTable {
    zbtest::TempDir dir;
    TTableNetWork table;
    PhotoFields f;
    explicit PhotoTable(const QList<RECORD>& rows)
    {
        f = openOrCreatePhotoTable(dir.file(QStringLiteral("JOB.DB")), {&table}, true);
        for (RECORD r : rows) {
            table.append();
            table.setValue(f[F_RECORD], r);
            table.setValue(f[F_NEGANUM], QStringLiteral("1"));
            table.setValue(f[F_FLAG], 0);
            table.post();
        }
    }
    QVariant value(RECORD r, PhotoField field)
    {
        EXPECT_TRUE(table.locate(r));
        return table.value(f[field]);
    }
};

}  // namespace

TEST(BatchChange, NextFrameNumber)
{
    const struct {
        const char* text;
        const char* next;
    } cases[] = {
        {"5", "6"},
        {"No.009", "No.10"},
        {"009", "10"},
        {"A-9-3", "A-10-3"},
        {"１２", "１３"},
        {"第１９番", "第２０番"},
        {"99", "100"},
        {"12345678901234567890", "12345678901234567891"},
        {"なし", "なし"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(nextFrameNumber(QString::fromUtf8(c.text)), QString::fromUtf8(c.next)) << c.text;
}

TEST(BatchChange, FrameNumbersOnThreePhotos)
{
    const struct {
        Messages::Answer answer;
        const char* expected[3];
    } cases[] = {
        {Messages::Answer::Yes, {"5", "5", "5"}},
        {Messages::Answer::No, {"5", "6", "7"}},
        {Messages::Answer::Cancel, {"1", "1", "1"}},
    };
    for (const auto& c : cases) {
        PhotoTable t({1, 2, 3});
        ScriptedMessages m;
        m.reply(c.answer);
        // List order differs from table order.
        const QList<RECORD> order{3, 1, 2};
        const BatchResult r = batchChange(t.table, t.f, order, F_NEGANUM, QStringLiteral("5"), m);
        EXPECT_EQ(m.boxes(), QStringList{QStringLiteral("askThree: ") + kBatchFrameQuestion});
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ(t.value(order[i], F_NEGANUM).toString(), QString::fromUtf8(c.expected[i]));
        EXPECT_EQ(r.changed.isEmpty(), c.answer == Messages::Answer::Cancel);
    }
}

TEST(BatchChange, OtherFieldsAskYesCancel)
{
    for (bool yes : {true, false}) {
        PhotoTable t({1, 2, 4});
        ScriptedMessages m;
        m.reply(yes);
        const BatchResult r =
            batchChange(t.table, t.f, {1, 2, 3, 4}, F_FLAG, QStringLiteral("1.工事写真帳"), m);
        EXPECT_EQ(m.boxes(), QStringList{QStringLiteral("confirm: ") + kBatchQuestion});
        EXPECT_EQ(t.value(4, F_FLAG).toInt(), yes ? 1 : 0);
        // The missing photo 3 is skipped.
        EXPECT_EQ(r.changed, yes ? QList<RECORD>({1, 2, 4}) : QList<RECORD>());
    }
    // Fixed-size text fields keep what fits; titles are written as they are.
    PhotoTable t({1, 2});
    ScriptedMessages m;
    batchChange(t.table, t.f, {1, 2}, F_NEGANUM, QStringLiteral("123456789"), m);
    EXPECT_EQ(t.value(2, F_NEGANUM).toString(), QStringLiteral("12345678"));
    batchChange(t.table, t.f, {1, 2}, F_TITLE, QString(), m);
    EXPECT_EQ(t.value(2, F_TITLE).toString(), QString());
    batchChange(t.table, t.f, {1, 2}, F_FILMNUM, QStringLiteral("12000"), m);
    EXPECT_EQ(t.value(1, F_FILMNUM).toInt(), 12000);
}
