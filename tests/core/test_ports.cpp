#include "core/scripted_ports.h"

#include <gtest/gtest.h>

using namespace zb;

TEST(ScriptedPorts, RecordsTextsAndAnswersFromTheQueue)
{
    ScriptedMessages m;
    m.reply(false);
    m.reply(Messages::Answer::Cancel);
    m.replyText(QStringLiteral("新しい名前"));
    EXPECT_FALSE(m.confirm("削除しますか？"));
    EXPECT_EQ(m.askThree("保存しますか？"), Messages::Answer::Cancel);
    EXPECT_EQ(m.inputBox("名前", "入力", ""), std::optional<QString>("新しい名前"));
    EXPECT_TRUE(m.ask("default"));
    m.status("s");
    m.beep();
    EXPECT_EQ(m.boxes(), (QStringList{"confirm: 削除しますか？", "askThree: 保存しますか？", "input: 名前/入力", "ask: default"}));
    EXPECT_EQ(m.log.size(), 6);

    ScriptedProgress p;
    p.stopAfter = 3;
    p.start(10);
    EXPECT_TRUE(p.step());
    EXPECT_TRUE(p.step());
    EXPECT_FALSE(p.step());
}
