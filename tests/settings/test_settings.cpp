#include "settings/settings.h"
#include "core/inifile.h"
#include "support/temp_dir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace zb;

namespace {

QString valueOf(const SettingKey& k, const Settings& s)
{
    return std::visit(
        [&](auto m) -> QString {
            using T = std::remove_cvref_t<decltype(s.*m)>;
            if constexpr (std::is_same_v<T, QString>)
                return s.*m;
            else
                return QString::number(s.*m);
        },
        k.field);
}

// A value for every key that differs from its default and is valid.
void setOther(const SettingKey& k, Settings& s, int index)
{
    std::visit(
        [&](auto m) {
            using T = std::remove_cvref_t<decltype(s.*m)>;
            if constexpr (std::is_same_v<T, QString>)
                s.*m = QStringLiteral("値 %1 = a;b\\c").arg(index);
            else if constexpr (std::is_same_v<T, bool>)
                s.*m = !(s.*m);
            else if constexpr (std::is_same_v<T, qint64>)
                s.*m = -12345678 - index;  // -1234.5678 and neighbours
            else
                s.*m = (s.*m == k.max) ? k.min : (qint64(k.max) - k.min < 1000 ? k.max : 1000 + index);
        },
        k.field);
}

}  // namespace

TEST(Settings, FirstStartRunsOnDefaultsAndCreatesTheFileAtShutdown)
{
    zbtest::TempDir dir;
    Folders f;
    f.programDir = dir.path() + "/prog/";
    f.dataFile = dir.path() + "/prog/DATAFILE/";
    Settings s;
    s.setPathDefaults(f);
    SettingsStore store(dir.file("ZB.INI"), dir.file("ZBCOMN.LST"));
    ASSERT_TRUE(store.readMain(s));

    const Settings plain;
    EXPECT_EQ(s.thumbnailUser, 80);
    EXPECT_EQ(s.mastFileName, QStringLiteral("基本マスタ"));
    EXPECT_EQ(s.grphFormName, QStringLiteral("A4縦3連A.ZBF"));
    EXPECT_EQ(s.graphPath, dir.path() + "/prog");
    EXPECT_EQ(s.htmlSavePath, dir.path() + "/prog");
    EXPECT_EQ(s.backupPath, dir.path() + "/prog/DATAFILE");
    EXPECT_EQ(s.netKyoyuMode, 1);
    EXPECT_TRUE(s.netData && s.netMast && s.netKoumoku && s.netTemplate && s.netForm);
    EXPECT_TRUE(s.grphBubun && s.grphShiftLock && !s.grphLock);
    EXPECT_EQ(s.twainDpi, 240);
    EXPECT_EQ(s.diskSize, 650);

    ASSERT_TRUE(store.writeMain(s));
    IniFile ini(dir.file("ZB.INI"));
    ASSERT_TRUE(ini.wasRead());
    EXPECT_EQ(ini.readString("MainPrg_Env", "THUMBNAIL_USER"), "80");
    EXPECT_EQ(ini.readString("MainPrg_Env", "GrphOffsetX"), "0");
    EXPECT_EQ(ini.readString("Network", "NetKyoyuMode"), "1");
    EXPECT_EQ(ini.readSection("MainPrg_Env").size() + ini.readSection("Network").size(), settingKeys().size());
}

TEST(Settings, EveryKeyRoundTrips)
{
    zbtest::TempDir dir;
    Settings written;
    int i = 0;
    for (const SettingKey& k : settingKeys())
        setOther(k, written, i++);
    SettingsStore store(dir.file("ZB.INI"), dir.file("ZBCOMN.LST"));
    Settings scratch;
    store.readMain(scratch);
    ASSERT_TRUE(store.writeMain(written));

    Settings back;
    SettingsStore again(dir.file("ZB.INI"), dir.file("ZBCOMN.LST"));
    ASSERT_TRUE(again.readMain(back));
    for (const SettingKey& k : settingKeys())
        EXPECT_EQ(valueOf(k, back), valueOf(k, written)) << k.key.toStdString();
    EXPECT_NE(valueOf(settingKeys().front(), back), valueOf(settingKeys().front(), Settings{}));
}

TEST(Settings, CommonListRoundTripsAndIsWrittenOnlyAfterReading)
{
    zbtest::TempDir dir;
    SettingsStore store(dir.file("ZB.INI"), dir.file("ZBCOMN.LST"));
    CommonSettings c;
    int i = 0;
    for (const CommonKey& k : commonKeys())
        c.*k.field = QStringLiteral("株式会社 髙橋建設 %1").arg(i++);

    ASSERT_TRUE(store.writeCommon(c));  // not read yet: nothing is written
    EXPECT_FALSE(QFile::exists(dir.file("ZBCOMN.LST")));

    CommonSettings scratch;
    ASSERT_TRUE(store.readCommon(scratch));
    EXPECT_EQ(scratch, CommonSettings{});
    ASSERT_TRUE(store.writeCommon(c));
    CommonSettings back;
    SettingsStore(dir.file("ZB.INI"), dir.file("ZBCOMN.LST")).readCommon(back);
    EXPECT_EQ(back, c);
}

// Characters Shift_JIS cannot hold are left out of the files, and the writer
// names them (each once) so the user can be told.
TEST(Settings, CharactersLeftOutOfTheFilesAreReported)
{
    zbtest::TempDir dir;
    SettingsStore store(dir.file("ZB.INI"), dir.file("ZBCOMN.LST"));
    Settings scratch;
    CommonSettings common;
    ASSERT_TRUE(store.readMain(scratch));
    ASSERT_TRUE(store.readCommon(common));

    Settings s;
    s.graphPath = QStringLiteral("/写真/한국/한😀");
    QString error, leftOut = "old";
    ASSERT_TRUE(store.writeMain(s, &error, &leftOut));
    EXPECT_EQ(leftOut, QStringLiteral("한국😀"));
    Settings back;
    SettingsStore(dir.file("ZB.INI"), dir.file("ZBCOMN.LST")).readMain(back);
    EXPECT_EQ(back.graphPath, QStringLiteral("/写真//"));

    CommonSettings c;
    c.jName1 = QStringLiteral("株式会社 髙橋建設 ①㈱");  // machine-dependent characters Shift_JIS holds
    c.jAddr1 = QStringLiteral("Müller 한 本町");
    ASSERT_TRUE(store.writeCommon(c, &error, &leftOut));
    EXPECT_EQ(leftOut, QStringLiteral("ü한"));
    CommonSettings cb;
    SettingsStore(dir.file("ZB.INI"), dir.file("ZBCOMN.LST")).readCommon(cb);
    EXPECT_EQ(cb.jName1, c.jName1);
    EXPECT_EQ(cb.jAddr1, QStringLiteral("Mller  本町"));

    // Nothing left out: nothing reported.
    ASSERT_TRUE(store.writeMain(Settings{}, &error, &leftOut));
    EXPECT_EQ(leftOut, QString());

    EXPECT_EQ(settingsLeftOutText("/opt/zb/ZB.INI", QStringLiteral("한")),
              QStringLiteral("/opt/zb/ZB.INI\r\n次の文字はファイルに保存できないため取り除かれました: 한"));
}

TEST(Settings, AStartThatEndsBeforeReadingLeavesTheFileUntouched)
{
    zbtest::TempDir dir;
    const QByteArray original = "[MainPrg_Env]\r\nTHUMBNAIL_USER=100\r\nUnknownKey=x\r\n";
    zbtest::writeAll(dir.file("ZB.INI"), original);
    SettingsStore store(dir.file("ZB.INI"), dir.file("ZBCOMN.LST"));
    EXPECT_TRUE(store.writeMain(Settings{}));
    EXPECT_EQ(zbtest::readAll(dir.file("ZB.INI")), original);
}

TEST(Settings, AFileThatCannotBeReadIsNotOverwritten)
{
    zbtest::TempDir dir;
    // Something is there under the name, but it is not a readable file.
    ASSERT_TRUE(QDir().mkpath(dir.file("ZB.INI")));
    SettingsStore store(dir.file("ZB.INI"), dir.file("ZBCOMN.LST"));
    Settings s;
    EXPECT_FALSE(store.readMain(s));
    EXPECT_FALSE(store.mainWasRead());
    EXPECT_TRUE(store.writeMain(s));
    EXPECT_TRUE(QFileInfo(dir.file("ZB.INI")).isDir());
}

TEST(Settings, DamagedValuesFallBackToDefaultsAndTheFileIsRewrittenCleanly)
{
    zbtest::TempDir dir;
    zbtest::writeAll(dir.file("ZB.INI"),
                     "[MainPrg_Env]\r\n"
                     "THUMBNAIL_USER=abc\r\n"      // not a number
                     "AutoSaveTime=999\r\n"        // above 60
                     "StampMode=-1\r\n"            // below 0
                     "IconStyle=1\r\n"             // valid
                     "Kouhini=yes\r\n"             // not 0/1
                     "KomaAuto\r\n"                // no value at all
                     "DiskSize=\r\n"               // empty
                     "GrphOffsetX=1.23456\r\n"     // five fraction digits
                     "GrphPageInc=70000\r\n"       // beyond 16 bits
                     "\x82\xa0\x82\xa2=\xff\xfe\r\n"
                     "[Network]\r\n"
                     "NetMastTime=0\r\n"
                     "NetKyoyuMode=2\r\n"
                     "NetDri");                    // truncated last line
    Settings s;
    SettingsStore store(dir.file("ZB.INI"), dir.file("ZBCOMN.LST"));
    ASSERT_TRUE(store.readMain(s));
    const Settings d;
    EXPECT_EQ(s.thumbnailUser, d.thumbnailUser);
    EXPECT_EQ(s.autoSaveTime, d.autoSaveTime);
    EXPECT_EQ(s.stampMode, d.stampMode);
    EXPECT_EQ(s.iconStyle, 1);
    EXPECT_EQ(s.kouhini, d.kouhini);
    EXPECT_EQ(s.komaAuto, d.komaAuto);
    EXPECT_EQ(s.diskSize, d.diskSize);
    EXPECT_EQ(s.grphOffsetX, d.grphOffsetX);
    EXPECT_EQ(s.grphPageInc, d.grphPageInc);
    EXPECT_EQ(s.netMastTime, d.netMastTime);
    EXPECT_EQ(s.netKyoyuMode, 2);
    EXPECT_EQ(s.netDrive, d.netDrive);

    ASSERT_TRUE(store.writeMain(s));
    IniFile ini(dir.file("ZB.INI"));
    EXPECT_EQ(ini.readString("MainPrg_Env", "THUMBNAIL_USER"), "80");
    EXPECT_EQ(ini.readString("MainPrg_Env", "AutoSaveTime"), "0");
    EXPECT_EQ(ini.readString("MainPrg_Env", "IconStyle"), "1");
    EXPECT_EQ(ini.readString("Network", "NetKyoyuMode"), "2");
    const QString text = ini.text();
    EXPECT_FALSE(text.contains("abc"));
    EXPECT_FALSE(text.contains("NetDri\r\n"));
    EXPECT_FALSE(text.contains(QStringLiteral("あい")));
}

TEST(Settings, AlbumOffsetsKeepFourFractionDigits)
{
    struct Case {
        const char* text;
        std::optional<qint64> value;
    } cases[] = {
        {"0", 0},           {"1.2345", 12345},   {"1,2345", 12345},  {"-0.5", -5000},
        {"+3.1", 31000},    {"12.", 120000},      {" 7.0001 ", 70001}, {"1.23456", std::nullopt},
        {"1e3", std::nullopt}, {"", std::nullopt}, {"--1", std::nullopt}, {"1.2.3", std::nullopt},
    };
    for (const Case& c : cases)
        EXPECT_EQ(parseFixed4(QString::fromLatin1(c.text)), c.value) << c.text;

    for (qint64 v : {0LL, 12345LL, -12345LL, 10000LL, -1LL, 99999999LL, -5000LL})
        EXPECT_EQ(parseFixed4(formatFixed4(v)), v) << v;
    EXPECT_EQ(formatFixed4(12345), "1.2345");
    EXPECT_EQ(formatFixed4(-5000), "-0.5");
    EXPECT_EQ(formatFixed4(30000), "3");
}

TEST(Settings, NetworkSectionIsReadOnItsOwnAtStart)
{
    zbtest::TempDir dir;
    zbtest::writeAll(dir.file("ZB.INI"),
                     "[MainPrg_Env]\r\nTHUMBNAIL_USER=100\r\n"
                     "[Network]\r\nNetDrive=/srv/share\r\nNetKyoyuMode=2\r\nNetMast=0\r\n");
    const Settings s = readNetworkSection(dir.file("ZB.INI"));
    EXPECT_EQ(s.thumbnailUser, 80);  // the main section is left for later
    const NetworkSettings n = s.network();
    EXPECT_EQ(n.netDrive, "/srv/share");
    EXPECT_EQ(n.netKyoyuMode, 2);
    EXPECT_FALSE(n.netMast);
    EXPECT_TRUE(n.netData && n.netKoumoku && n.netTemplate && n.netForm);
}
