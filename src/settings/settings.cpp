#include "settings/settings.h"

#include "core/inifile.h"
#include "store/job_life.h"

#include <QFileInfo>
#include <QRegularExpression>

namespace zb {
namespace {

constexpr int kByteMin = 0, kByteMax = 255;

SettingKey key(const QString& section, const char* name, auto field, int min = std::numeric_limits<int>::min(),
               int max = std::numeric_limits<int>::max())
{
    SettingKey k;
    k.section = section;
    k.key = QString::fromLatin1(name);
    k.field = field;
    k.min = min;
    k.max = max;
    return k;
}

QString withoutSlash(QString path)
{
    while (path.size() > 1 && path.endsWith(QLatin1Char('/')))
        path.chop(1);
    return path;
}

void readKey(const IniFile& ini, const SettingKey& k, Settings& s)
{
    if (!ini.valueExists(k.section, k.key))
        return;
    const QString text = ini.readString(k.section, k.key).trimmed();
    std::visit(
        [&](auto member) {
            using T = std::remove_cvref_t<decltype(s.*member)>;
            if constexpr (std::is_same_v<T, QString>) {
                s.*member = ini.readString(k.section, k.key);
            } else if constexpr (std::is_same_v<T, qint64>) {
                if (auto v = parseFixed4(text))
                    s.*member = *v;
            } else {
                bool ok = false;
                const qlonglong v = text.toLongLong(&ok, 10);
                if (!ok)
                    return;
                if constexpr (std::is_same_v<T, bool>) {
                    s.*member = v != 0;
                } else {
                    if (v >= k.min && v <= k.max)
                        s.*member = static_cast<int>(v);
                }
            }
        },
        k.field);
}

QString valueText(const SettingKey& k, const Settings& s)
{
    return std::visit(
        [&](auto member) -> QString {
            using T = std::remove_cvref_t<decltype(s.*member)>;
            if constexpr (std::is_same_v<T, QString>)
                return s.*member;
            else if constexpr (std::is_same_v<T, qint64>)
                return formatFixed4(s.*member);
            else if constexpr (std::is_same_v<T, bool>)
                return s.*member ? QStringLiteral("1") : QStringLiteral("0");
            else
                return QString::number(s.*member);
        },
        k.field);
}

bool saveIni(const IniFile& ini, QString* error, QString* unmappable)
{
    const IniFile::SaveResult r = ini.save();
    if (!r.ok && error)
        *error = r.error;
    if (unmappable)
        *unmappable = r.ok ? r.unmappable : QString();
    return r.ok;
}

// A file that exists but could not be read counts as not read.
bool readable(const IniFile& ini) { return ini.wasRead() || !QFileInfo::exists(ini.path()); }

}  // namespace

SettingKey::Kind SettingKey::kind() const
{
    switch (field.index()) {
    case 0: return Kind::Integer;
    case 1: return Kind::Boolean;
    case 2: return Kind::String;
    default: return Kind::Fixed4;
    }
}

NetworkSettings Settings::network() const
{
    NetworkSettings n;
    n.netDrive = netDrive;
    n.netData = netData;
    n.netMast = netMast;
    n.netKoumoku = netKoumoku;
    n.netTemplate = netTemplate;
    n.netForm = netForm;
    n.netKyoyuMode = netKyoyuMode;
    return n;
}

void Settings::setPathDefaults(const Folders& folders)
{
    const QString program = withoutSlash(folders.programDir);
    for (QString* p : {&graphPath, &graphDir, &saveFilePath, &xmlLoadPath, &xmlSavePath, &htmlSavePath})
        *p = program;
    backupPath = withoutSlash(folders.dataFile);
}

const std::vector<SettingKey>& settingKeys()
{
    using S = Settings;
    const QString m = kMainSection, n = kNetworkSection;
    static const std::vector<SettingKey> keys = {
        key(m, "THUMBNAIL_USER", &S::thumbnailUser, 60, 120),
        key(m, "ThumbnailMinFit", &S::thumbnailMinFit),
        key(m, "GraphicSwap", &S::graphicSwap),
        key(m, "Kouhini", &S::kouhini),
        key(m, "IconStyle", &S::iconStyle, 0, 1),
        key(m, "InputLevel", &S::inputLevel),
        key(m, "Graph_Path", &S::graphPath),
        key(m, "Graph_Dir", &S::graphDir),
        key(m, "SaveFile_Path", &S::saveFilePath),
        key(m, "XmlLoad_Path", &S::xmlLoadPath),
        key(m, "XmlSave_Path", &S::xmlSavePath),
        key(m, "HtmlSave_Path", &S::htmlSavePath),
        key(m, "Backup_Path", &S::backupPath),
        key(m, "MastFileName", &S::mastFileName),
        key(m, "MainSeekIciran", &S::mainSeekIciran),
        key(m, "MainSeekSort", &S::mainSeekSort),
        key(m, "MainSeekKoumoku", &S::mainSeekKoumoku),
        key(m, "MainSeekPos", &S::mainSeekPos, kByteMin, kByteMax),
        key(m, "MainSeekStyle", &S::mainSeekStyle, kByteMin, kByteMax),
        key(m, "MainSeekHanniSt", &S::mainSeekHanniSt),
        key(m, "MainSeekHanniEn", &S::mainSeekHanniEn),
        key(m, "MastSeekPos", &S::mastSeekPos, kByteMin, kByteMax),
        key(m, "MastSeekStyle", &S::mastSeekStyle, kByteMin, kByteMax),
        key(m, "MastSeekHanniSt", &S::mastSeekHanniSt),
        key(m, "MastSeekHanniEn", &S::mastSeekHanniEn),
        key(m, "MissHanni", &S::missHanni),
        key(m, "DataSort", &S::dataSort),
        key(m, "AlbumSort", &S::albumSort),
        key(m, "FormSort", &S::formSort),
        key(m, "PrnFormSort", &S::prnFormSort),
        key(m, "PrnNewSort", &S::prnNewSort),
        key(m, "MsXmlParser", &S::msXmlParser),
        key(m, "DiskSize", &S::diskSize, 1),
        key(m, "KomaAuto", &S::komaAuto),
        key(m, "StampMode", &S::stampMode, 0, 3),
        key(m, "FDIFileName", &S::fdiFileName),
        key(m, "BackupFile", &S::backupFile),
        key(m, "AutoSaveTime", &S::autoSaveTime, 0, 60),
        key(m, "DeleteOneKey", &S::deleteOneKey),
        key(m, "ViewHtmlFile", &S::viewHtmlFile, kByteMin, kByteMax),
        key(m, "DiskCheck", &S::diskCheck),
        key(m, "FolderDown", &S::folderDown),
        key(m, "OrgGrphXml", &S::orgGrphXml),
        key(m, "PhotoStandard", &S::photoStandard),
        key(m, "OrgGrphHtml", &S::orgGrphHtml),
        key(m, "GrphFormName", &S::grphFormName),
        key(m, "GrphPageInc", &S::grphPageInc, -32768, 32767),
        key(m, "GrphOffsetX", &S::grphOffsetX),
        key(m, "GrphOffsetY", &S::grphOffsetY),
        key(m, "GrphGridPitch", &S::grphGridPitch),
        key(m, "GrphPanelRitu", &S::grphPanelRitu),
        key(m, "GrphRenzoku", &S::grphRenzoku),
        key(m, "GrphBubun", &S::grphBubun),
        key(m, "GrphShiftLock", &S::grphShiftLock),
        key(m, "GrphLock", &S::grphLock),
        key(m, "GrphGroup", &S::grphGroup),
        key(m, "GrphKouhini", &S::grphKouhini),
        key(m, "FormGridPitch", &S::formGridPitch),
        key(m, "FormPanelRitu", &S::formPanelRitu),
        key(m, "FormRenzoku", &S::formRenzoku),
        key(m, "FormBubun", &S::formBubun),
        key(m, "FormShiftLock", &S::formShiftLock),
        key(m, "FormLock", &S::formLock),
        key(m, "FormGroup", &S::formGroup),
        key(m, "FormKouhini", &S::formKouhini),
        key(m, "Twain_User", &S::twainUser),
        key(m, "Twain_Paper", &S::twainPaper),
        key(m, "Twain_Orient", &S::twainOrient),
        key(m, "Twain_Fuchi", &S::twainFuchi),
        key(m, "Twain_FuchiSw", &S::twainFuchiSw),
        key(m, "Twain_Kyusi", &S::twainKyusi),
        key(m, "Twain_Dpi", &S::twainDpi),
        key(m, "Twain_Bright", &S::twainBright),
        key(m, "Twain_Cont", &S::twainCont),
        key(m, "ScanDevice", &S::scanDevice),
        key(m, "HyojunPrnDialog", &S::hyojunPrnDialog),
        key(m, "PrnImagekit", &S::prnImagekit),
        key(n, "NetKyoyuMode", &S::netKyoyuMode, kByteMin, kByteMax),
        key(n, "NetMasterRefresh", &S::netMasterRefresh),
        key(n, "NetMastTime", &S::netMastTime, 1, 3600),
        key(n, "NetDrive", &S::netDrive),
        key(n, "NetData", &S::netData),
        key(n, "NetMast", &S::netMast),
        key(n, "NetKoumoku", &S::netKoumoku),
        key(n, "NetTemplate", &S::netTemplate),
        key(n, "NetForm", &S::netForm),
    };
    return keys;
}

const std::vector<CommonKey>& commonKeys()
{
    using C = CommonSettings;
    static const std::vector<CommonKey> keys = {
        {QStringLiteral("JName1"), &C::jName1},   {QStringLiteral("JName2"), &C::jName2},
        {QStringLiteral("JAddr0"), &C::jAddr0},   {QStringLiteral("JAddr1"), &C::jAddr1},
        {QStringLiteral("JAddr2"), &C::jAddr2},   {QStringLiteral("JTelNum"), &C::jTelNum},
        {QStringLiteral("JFaxNum"), &C::jFaxNum}, {QStringLiteral("JBikou1"), &C::jBikou1},
        {QStringLiteral("JBikou2"), &C::jBikou2}, {QStringLiteral("JUkeoi"), &C::jUkeoi},
        {QStringLiteral("JUkeoiCode"), &C::jUkeoiCode}, {QStringLiteral("JUkeoiBikou"), &C::jUkeoiBikou},
    };
    return keys;
}

std::optional<qint64> parseFixed4(const QString& text)
{
    static const QRegularExpression re(QStringLiteral("^([+-]?)(\\d{1,12})(?:[.,](\\d{0,4}))?$"));
    const auto m = re.match(text.trimmed());
    if (!m.hasMatch())
        return std::nullopt;
    qint64 v = m.captured(2).toLongLong() * 10000;
    QString frac = m.captured(3);
    frac = frac.leftJustified(4, QLatin1Char('0'));
    v += frac.toLongLong();
    return m.captured(1) == QLatin1String("-") ? -v : v;
}

QString formatFixed4(qint64 value)
{
    const bool negative = value < 0;
    const quint64 a = negative ? quint64(-(value + 1)) + 1 : quint64(value);
    QString s = QString::number(a / 10000);
    if (const quint64 frac = a % 10000) {
        QString f = QStringLiteral("%1").arg(frac, 4, 10, QLatin1Char('0'));
        while (f.endsWith(QLatin1Char('0')))
            f.chop(1);
        s += QLatin1Char('.') + f;
    }
    return negative ? QLatin1Char('-') + s : s;
}

Settings readNetworkSection(const QString& iniPath)
{
    Settings s;
    const IniFile ini(iniPath);
    for (const SettingKey& k : settingKeys())
        if (k.section == kNetworkSection)
            readKey(ini, k, s);
    return s;
}

SettingsStore::SettingsStore(QString iniPath, QString commonPath)
    : iniPath_(std::move(iniPath)), commonPath_(std::move(commonPath))
{
}

bool SettingsStore::readMain(Settings& s)
{
    const IniFile ini(iniPath_);
    mainRead_ = readable(ini);
    if (!mainRead_)
        return false;
    for (const SettingKey& k : settingKeys())
        readKey(ini, k, s);
    return true;
}

bool SettingsStore::readCommon(CommonSettings& c)
{
    const IniFile ini(commonPath_);
    commonRead_ = readable(ini);
    if (!commonRead_)
        return false;
    for (const CommonKey& k : commonKeys())
        c.*k.field = ini.readString(kCommonSection, k.key, c.*k.field);
    return true;
}

bool SettingsStore::writeMain(const Settings& s, QString* error, QString* unmappable) const
{
    if (unmappable)
        unmappable->clear();
    if (!mainRead_)
        return true;
    IniFile ini(iniPath_);
    IniFile::Pairs main, network;
    for (const SettingKey& k : settingKeys())
        (k.section == kMainSection ? main : network).append({k.key, valueText(k, s)});
    // Both sections are written whole, so damaged lines do not survive.
    ini.writeSection(kMainSection, main);
    ini.writeSection(kNetworkSection, network);
    return saveIni(ini, error, unmappable);
}

bool SettingsStore::writeCommon(const CommonSettings& c, QString* error, QString* unmappable) const
{
    if (unmappable)
        unmappable->clear();
    if (!commonRead_)
        return true;
    IniFile ini(commonPath_);
    IniFile::Pairs pairs;
    for (const CommonKey& k : commonKeys())
        pairs.append({k.key, c.*k.field});
    ini.writeSection(kCommonSection, pairs);
    return saveIni(ini, error, unmappable);
}

QString settingsLeftOutText(const QString& path, const QString& unmappable)
{
    return path + QStringLiteral("\r\n") + kUnmappableLeftOut.arg(unmappable);
}

Settings& appSettings()
{
    static Settings s;
    return s;
}

CommonSettings& appCommonSettings()
{
    static CommonSettings c;
    return c;
}

}  // namespace zb
