#include "core/scripted_ports.h"
#include "core/sjis.h"
#include "delivery/xml_tree.h"
#include "fixtures.h"
#include "support/temp_dir.h"

#include <gtest/gtest.h>

using namespace zb;

namespace {

QString writeXml(zbtest::TempDir& dir, const QString& text, const QString& name = QStringLiteral("a.xml"))
{
    const QString path = dir.file(name);
    zbtest::writeAll(path, sjis::toBytes(text));
    return path;
}

// The tree as "caption=value" lines, indented by level.
QStringList dump(const TXMLTreeView& t)
{
    QStringList out;
    for (const XmlNode* n : t.allNodes())
        out << QString(n->level * 2, QLatin1Char(' ')) + n->caption + QStringLiteral("=") + n->value;
    return out;
}

class XmlTree : public ::testing::TestWithParam<bool> {};

TEST(XmlText, EscapeAndUnescapeUseTheFiveReferences)
{
    EXPECT_EQ(xmlEscape(QStringLiteral("A&B<1>")), QStringLiteral("A&amp;B&lt;1&gt;"));
    EXPECT_EQ(xmlEscape(QStringLiteral("'\"&amp;")), QStringLiteral("&apos;&quot;&amp;amp;"));
    EXPECT_EQ(xmlEscape(QStringLiteral("表示\r\n")), QStringLiteral("表示\r\n"));
    EXPECT_EQ(xmlUnescape(QStringLiteral("A&amp;B&lt;C")), QStringLiteral("A&B<C"));
    EXPECT_EQ(xmlUnescape(QStringLiteral("&amp;lt;")), QStringLiteral("&lt;"));
    EXPECT_EQ(xmlUnescape(QStringLiteral("&amp;amp;")), QStringLiteral("&amp;"));
    EXPECT_EQ(xmlUnescape(QStringLiteral("&apos;&quot;&gt;&x;&")), QStringLiteral("'\">&x;&"));
}

TEST_P(XmlTree, ElementsValuesAndEmptyElements)
{
    zbtest::TempDir dir;
    TXMLTreeView t;
    t.MSXML = GetParam();
    ASSERT_TRUE(t.LoadFromFile(writeXml(dir, QStringLiteral("<a><b>1</b><c/></a>\r\n")), nullptr)) << t.errorText().toStdString();
    EXPECT_EQ(dump(t), (QStringList{"a=", "  b=1", "  c="}));
}

TEST_P(XmlTree, DeclarationsWithInternalSubsetGiveNoNodes)
{
    zbtest::TempDir dir;
    TXMLTreeView t;
    t.MSXML = GetParam();
    const QString text = QStringLiteral(
        "<?xml version=\"1.0\" encoding=\"shift_jis\" ?>\r\n"
        "<!DOCTYPE d [\r\n<!ELEMENT d (写真タイトル)>\r\n<!ELEMENT 写真タイトル (#PCDATA)>\r\n]>\r\n"
        "<d>\r\n    <写真タイトル>A&amp;B&lt;C ①㈱\\</写真タイトル>\r\n</d>\r\n");
    ASSERT_TRUE(t.LoadFromFile(writeXml(dir, text), nullptr)) << t.errorText().toStdString();
    EXPECT_EQ(dump(t), (QStringList{"d=", QStringLiteral("  写真タイトル=A&B<C ①㈱\\")}));
}

TEST_P(XmlTree, TheLastByteCountsAndLineBreaksInValuesStay)
{
    zbtest::TempDir dir;
    TXMLTreeView t;
    t.MSXML = GetParam();
    ASSERT_TRUE(t.LoadFromFile(writeXml(dir, QStringLiteral("<a><b>x\r\ny</b></a>")), nullptr)) << t.errorText().toStdString();
    EXPECT_EQ(dump(t), (QStringList{"a=", "  b=x\r\ny"}));
}

TEST_P(XmlTree, ThirtyLevelsLoadAndThirtyOneFail)
{
    zbtest::TempDir dir;
    auto nested = [](int n) {
        QString s;
        for (int i = 0; i < n; ++i)
            s += QStringLiteral("<e%1>").arg(i);
        for (int i = n - 1; i >= 0; --i)
            s += QStringLiteral("</e%1>").arg(i);
        return s + QStringLiteral("\r\n");
    };
    TXMLTreeView t;
    t.MSXML = GetParam();
    EXPECT_TRUE(t.LoadFromFile(writeXml(dir, nested(30)), nullptr)) << t.errorText().toStdString();
    EXPECT_EQ(t.allNodes().size(), 30u);
    ScriptedMessages m;
    EXPECT_FALSE(t.LoadFromFile(writeXml(dir, nested(31)), &m));
    ASSERT_EQ(m.log.size(), 2);
    EXPECT_EQ(m.log[0], QStringLiteral("beep"));
    EXPECT_TRUE(m.log[1].startsWith(QStringLiteral("information: ") + kXmlFormatError)) << m.log[1].toStdString();
}

TEST_P(XmlTree, BrokenFilesFailWithTheFormatMessage)
{
    zbtest::TempDir dir;
    const QStringList broken{QStringLiteral("</a><b>"), QStringLiteral("<a><b>1</b>\r\n"), QStringLiteral("<a><b"),
                             QStringLiteral("<a>\r\n<b>1</a></b></a></a>\r\n")};
    for (const QString& text : broken) {
        TXMLTreeView t;
        t.MSXML = GetParam();
        ScriptedMessages m;
        EXPECT_FALSE(t.LoadFromFile(writeXml(dir, text), &m)) << text.toStdString();
        EXPECT_TRUE(t.errorText().startsWith(kXmlFormatError)) << text.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Parsers, XmlTree, ::testing::Values(false, true),
                         [](const auto& info) { return info.param ? "libxml2" : "own"; });

TEST(XmlTreeOwn, AMissingEndTagIsPlacedAtItsStartTag)
{
    zbtest::TempDir dir;
    TXMLTreeView t;
    ScriptedMessages m;
    EXPECT_FALSE(t.LoadFromFile(writeXml(dir, QStringLiteral("<d>\r\n  <x>1</x>\r\n  <写真>\r\n</d>\r\n")), &m));
    // <d> is closed by </d> only by name at level 1; <写真> at level 2 stays open.
    EXPECT_EQ(t.errorText(), xmlFormatMessage(QStringLiteral("<写真>"), 3, 8, true));
}

TEST(XmlTreeOwn, AnEndTagWithNothingOpenFails)
{
    zbtest::TempDir dir;
    TXMLTreeView t;
    EXPECT_FALSE(t.LoadFromFile(writeXml(dir, QStringLiteral("</a><b>")), nullptr));
    EXPECT_EQ(t.errorText(), xmlFormatMessage(QStringLiteral("</a><b>"), 1, 4, true));
}

TEST(XmlTreeOwn, TextBeforeTheFirstChildGoesToThatChild)
{
    zbtest::TempDir dir;
    TXMLTreeView t;
    ASSERT_TRUE(t.LoadFromFile(writeXml(dir, QStringLiteral("<a>x<b>1</b></a>\r\n")), nullptr));
    EXPECT_EQ(dump(t), (QStringList{"a=", "  b=x1"}));
}

TEST(XmlTreeOwn, PrintedCaptionsPutValuesInColumn27)
{
    zbtest::TempDir dir;
    TXMLTreeView t;
    t.GamenPrint = true;
    const QString longName = QStringLiteral("abcdefghijklmnopqrstuvwxyz0123");
    ASSERT_TRUE(t.LoadFromFile(
        writeXml(dir, QStringLiteral("<d><%1>v</%1><短>%2</短></d>\r\n").arg(longName, QString(300, QLatin1Char('x')))),
        nullptr));
    const auto nodes = t.allNodes();
    ASSERT_EQ(nodes.size(), 3u);
    EXPECT_EQ(nodes[1]->caption, longName.left(26) + QStringLiteral("v"));
    EXPECT_EQ(nodes[2]->caption.size(), 255);
    EXPECT_EQ(nodes[2]->caption.left(27), QStringLiteral("短") + QString(25, QLatin1Char(' ')) + QStringLiteral("x"));
    EXPECT_EQ(t.parserLabel(), QStringLiteral("TORVEN XML Parser 使用"));
}

TEST(XmlTreeLibxml2, ErrorsGiveContentLineAndColumn)
{
    zbtest::TempDir dir;
    TXMLTreeView t;
    t.MSXML = true;
    EXPECT_FALSE(t.LoadFromFile(writeXml(dir, QStringLiteral("<d>\r\n  <x>1</y>\r\n</d>\r\n")), nullptr));
    EXPECT_TRUE(t.errorText().startsWith(kXmlFormatError + QStringLiteral("\r\n\r\n内容 > \"<x>1</y>\"\r\n\r\n行 > 2")))
        << t.errorText().toStdString();
}

TEST(XmlTreeLibxml2, ReadsShiftJisAsWindowsDoes)
{
    zbtest::TempDir dir;
    TXMLTreeView t;
    t.MSXML = true;
    // 0x5C stays a backslash; the NEC and IBM extensions are read.
    const QString text = QStringLiteral("<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><d>C:\\①㈱纊</d>\r\n");
    ASSERT_TRUE(t.LoadFromFile(writeXml(dir, text), nullptr)) << t.errorText().toStdString();
    EXPECT_EQ(t.allNodes().at(0)->value, QStringLiteral("C:\\①㈱纊"));
    for (const char* name : {"x-sjis", "windows-31j", "shift_jis"}) {
        const QString other = QStringLiteral("<?xml version=\"1.0\" encoding=\"%1\"?><d>①</d>").arg(QLatin1String(name));
        ASSERT_TRUE(t.LoadFromFile(writeXml(dir, other), nullptr)) << name;
        EXPECT_EQ(t.allNodes().at(0)->value, QStringLiteral("①"));
    }
}

}  // namespace
