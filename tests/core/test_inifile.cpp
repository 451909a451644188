#include "core/inifile.h"
#include "core/sjis.h"
#include "support/temp_dir.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace zb;

TEST(IniFile, MissingFileGivesDefaults)
{
    zbtest::TempDir dir;
    IniFile ini(dir.file("none.ini"));
    EXPECT_FALSE(ini.wasRead());
    EXPECT_EQ(ini.readString("A", "b", "def"), "def");
    EXPECT_EQ(ini.readInteger("A", "b", 7), 7);
    EXPECT_TRUE(ini.readBool("A", "b", true));
}

TEST(IniFile, ReadsWithPrivateProfileRules)
{
    zbtest::TempDir dir;
    const QString path = dir.file("ZB.INI");
    zbtest::writeAll(path, sjis::toBytes(u"; comment\r\n[Network]\r\n NetDrive = \\\\srv\\share \r\nNetData=1\r\n"
                                          u"Bad=x1\r\nQuoted=\"a b\"\r\n[Env]\nName=工事写真\n"));
    IniFile ini(path);
    EXPECT_TRUE(ini.wasRead());
    EXPECT_EQ(ini.readString("NETWORK", "netdrive"), "\\\\srv\\share");
    EXPECT_TRUE(ini.readBool("network", "NetData", false));
    EXPECT_EQ(ini.readInteger("Network", "Bad", 5), 5);
    EXPECT_EQ(ini.readString("Network", "Quoted"), "a b");
    EXPECT_EQ(ini.readString("env", "NAME"), QStringLiteral("工事写真"));
    EXPECT_EQ(ini.readSection("Network"), (QStringList{"NetDrive", "NetData", "Bad", "Quoted"}));
}

TEST(IniFile, RoundTripsJapaneseValuesAsShiftJisWithCrLf)
{
    zbtest::TempDir dir;
    const QString path = dir.file("ZBCOMN.LST");
    {
        IniFile ini(path);
        ini.writeString("ComnPrg_Env", "JUkeoi", QStringLiteral("株式会社 ①建設"));
        ini.writeBool("ComnPrg_Env", "Flag", true);
        ini.writeInteger("Other", "Count", -3);
        IniFile::SaveResult r = ini.save();
        EXPECT_TRUE(r.ok);
        EXPECT_TRUE(r.unmappable.isEmpty());
    }
    const QByteArray bytes = zbtest::readAll(path);
    EXPECT_EQ(bytes, sjis::toBytes(u"[ComnPrg_Env]\r\nJUkeoi=株式会社 ①建設\r\nFlag=1\r\n[Other]\r\nCount=-3\r\n"));
    IniFile again(path);
    EXPECT_EQ(again.readString("comnprg_env", "jukeoi"), QStringLiteral("株式会社 ①建設"));
    EXPECT_TRUE(again.readBool("ComnPrg_Env", "Flag"));
    EXPECT_EQ(again.readInteger("Other", "Count"), -3);
}

TEST(IniFile, SectionsAreReplacedErasedAndKeysUpdatedInPlace)
{
    zbtest::TempDir dir;
    IniFile ini(dir.file("x.ini"));
    ini.writeString("S", "a", "1");
    ini.writeString("S", "b", "2");
    ini.writeString("s", "A", "3");  // same key, other case: updated in place
    EXPECT_EQ(ini.readSectionValues("S"), (IniFile::Pairs{{"a", "3"}, {"b", "2"}}));
    ini.writeSection("S", {{"z", "9"}});
    EXPECT_EQ(ini.readSection("S"), QStringList{"z"});
    ini.writeString("T", "k", "v");
    ini.eraseSection("s");
    EXPECT_FALSE(ini.sectionExists("S"));
    EXPECT_EQ(ini.sections(), QStringList{"T"});
    ini.deleteKey("T", "K");
    EXPECT_FALSE(ini.valueExists("T", "k"));
}

TEST(IniFile, ReportsUnmappableCharactersAndKeepsOldFileOnFailure)
{
    zbtest::TempDir dir;
    const QString path = dir.file("a.ini");
    IniFile ini(path);
    ini.writeString("S", "k", QStringLiteral("한글abc"));
    IniFile::SaveResult r = ini.save();
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.unmappable, QStringLiteral("한글"));
    EXPECT_EQ(IniFile(path).readString("S", "k"), "abc");

    // Each character is named once, in order; one outside the basic plane whole.
    ini.writeString("S", "k", QStringLiteral("😀한x한😀"));
    ini.writeString("T", "한", QStringLiteral("글"));
    r = ini.save();
    EXPECT_TRUE(r.ok);
    EXPECT_EQ(r.unmappable, QStringLiteral("😀한글"));

    // A file in a folder that does not exist cannot be written: the caller learns why.
    IniFile bad(dir.file("missing/b.ini"));
    bad.writeString("S", "k", "v");
    r = bad.save();
    EXPECT_FALSE(r.ok);
    EXPECT_FALSE(r.error.isEmpty());
}
