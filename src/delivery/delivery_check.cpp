#include "delivery/delivery_check.h"

#include "delivery/delivery_common.h"
#include "delivery/delivery_rules.h"
#include "delivery/delivery_writer.h"
#include "delivery/xml_tree.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QSet>

namespace zb {

QString findingLine(const DeliveryFinding& f)
{
    QString s = f.isError() ? QStringLiteral("[エラー] ") : QStringLiteral("[警告] ");
    if (f.serial)
        s += QStringLiteral("シリアル番号 %1: ").arg(*f.serial);
    if (!f.file.isEmpty())
        s += f.file + QStringLiteral(": ");
    return s + f.message;
}

bool hasErrors(const QList<DeliveryFinding>& findings)
{
    for (const DeliveryFinding& f : findings)
        if (f.isError())
            return true;
    return false;
}

namespace {

// At most 30 lines of findings, then how many more there are.
QString findingLines(const QList<DeliveryFinding>& findings)
{
    QStringList lines;
    for (const DeliveryFinding& f : findings.mid(0, 30))
        lines << findingLine(f);
    if (findings.size() > 30)
        lines << QStringLiteral("ほか %1 件").arg(findings.size() - 30);
    return lines.join(QStringLiteral("\r\n"));
}

}  // namespace

QString deliveryCheckQuestion(const QList<DeliveryFinding>& findings)
{
    return QStringLiteral("電子納品チェックで次の問題が見つかりました。\r\n\r\n") + findingLines(findings) +
           QStringLiteral("\r\n\r\nこのまま出力しますか？");
}

QString folderCheckReport(const FolderCheck& check)
{
    if (!check.readable)
        return check.error;
    if (check.findings.isEmpty())
        return QStringLiteral("電子納品チェックで問題は見つかりませんでした。");
    int errors = 0;
    for (const DeliveryFinding& f : check.findings)
        errors += f.isError() ? 1 : 0;
    return QStringLiteral("電子納品チェック: エラー %1 件、警告 %2 件\r\n\r\n")
               .arg(errors)
               .arg(check.findings.size() - errors) +
           findingLines(check.findings);
}

namespace {

// Findings collected for one photo at a time, within kMaxFindings.
class Findings {
public:
    explicit Findings(QList<DeliveryFinding>& out) : out_(out) {}

    void forPhoto(std::optional<qint64> serial, const QString& file)
    {
        serial_ = serial;
        file_ = file;
    }
    void error(const QString& element, const QString& message, const QString& file = {})
    {
        add(DeliveryFinding::Level::Error, element, message, file);
    }
    void warning(const QString& element, const QString& message, const QString& file = {})
    {
        add(DeliveryFinding::Level::Warning, element, message, file);
    }

    // A required value: present and not blank.
    bool required(const QString& element, const QString& value)
    {
        if (!value.trimmed().isEmpty())
            return true;
        error(element, QStringLiteral("%1がないか空です。").arg(element));
        return false;
    }
    // Length and characters of a text value.
    void text(const QString& element, const QString& value, int room = kDeliveryTextRoom)
    {
        if (value.isEmpty())
            return;
        const int length = deliveryLength(value);
        if (length > room)
            error(element, QStringLiteral("%1が長すぎます（%2バイト、最大%3バイト）。").arg(element).arg(length).arg(room));
        for (const CharFinding& c : deliveryCharFaults(value))
            error(element, QStringLiteral("%1に使えない文字があります: %2").arg(element, charFaultText(c)));
    }
    // A value of a fixed vocabulary.
    void oneOf(const QString& element, const QString& value, const QStringList& allowed)
    {
        if (!value.isEmpty() && !allowed.contains(value))
            error(element, QStringLiteral("%1「%2」は決められた値ではありません（%3）。")
                               .arg(element, shortened(value), allowed.join(QStringLiteral("、"))));
    }

    static QString shortened(const QString& v) { return v.size() > 40 ? v.left(40) + QStringLiteral("…") : v; }

private:
    void add(DeliveryFinding::Level level, const QString& element, const QString& message, const QString& file)
    {
        if (full_)
            return;
        if (out_.size() >= kMaxFindings) {
            full_ = true;
            out_ << DeliveryFinding{DeliveryFinding::Level::Error, std::nullopt, {}, {},
                                    QStringLiteral("問題が多すぎるため、以降は省略しました。")};
            return;
        }
        out_ << DeliveryFinding{level, serial_, file.isEmpty() ? file_ : file, element, message};
    }

    QList<DeliveryFinding>& out_;
    std::optional<qint64> serial_;
    QString file_;
    bool full_ = false;
};

std::optional<qint64> serialNumber(const QString& s)
{
    if (s.isEmpty() || s.size() > 18)
        return std::nullopt;
    for (QChar c : s)
        if (c < QLatin1Char('0') || c > QLatin1Char('9'))
            return std::nullopt;
    return s.toLongLong();
}

const PhotoStandard& editionOf(const DeliverySet& set)
{
    const PhotoStandard* s = findPhotoStandard(set.standard);
    return s ? *s : photoStandards().front();
}

void checkBasics(const DeliverySet& set, Findings& f)
{
    f.forPhoto(std::nullopt, QStringLiteral("PHOTO.XML"));
    if (f.required(QStringLiteral("写真フォルダ名"), set.photoFolder) && set.photoFolder != photoFolderValue(set.layout))
        f.error(QStringLiteral("写真フォルダ名"),
                QStringLiteral("写真フォルダ名は「%1」でなければなりません。").arg(photoFolderValue(set.layout)));
    if (!set.drawingFolder.isEmpty() && set.drawingFolder != drawingFolderValue(set.layout))
        f.error(QStringLiteral("参考図フォルダ名"),
                QStringLiteral("参考図フォルダ名は「%1」でなければなりません。").arg(drawingFolderValue(set.layout)));
    if (f.required(QStringLiteral("適用要領基準"), set.standard) && !findPhotoStandard(set.standard)) {
        QStringList codes;
        for (const PhotoStandard& s : photoStandards())
            codes << s.code;
        f.oneOf(QStringLiteral("適用要領基準"), set.standard, codes);
    }
}

void checkClassification(const DeliveryPhoto& p, Findings& f)
{
    const QString major = p.levels[0];
    if (f.required(QStringLiteral("写真-大分類"), major)) {
        f.text(QStringLiteral("写真-大分類"), major, kMajorClassRoom);
        f.oneOf(QStringLiteral("写真-大分類"), major, majorClasses());
    }
    if (major == QStringLiteral("工事") && p.level >= 2)
        f.oneOf(QStringLiteral("写真区分"), p.levels[1], constructionPhotoKinds());
    for (int l = 1; l < 5; ++l)
        f.text(levelElementNames()[l], p.levels[size_t(l)]);
    if (f.required(QStringLiteral("写真タイトル"), p.text[F_TITLE]))
        f.text(QStringLiteral("写真タイトル"), p.text[F_TITLE]);
    for (const QString& s : p.spares)
        f.text(QStringLiteral("工種区分予備"), s);
}

void checkDrawings(const DeliveryPhoto& p, const PhotoStandard& edition, bool fromJob, Findings& f)
{
    for (const DeliveryDrawing& d : p.drawings) {
        if (f.required(QStringLiteral("参考図ファイル名"), d.file)) {
            if (!isDeliveryFileName(d.file, QLatin1Char('D'), edition))
                f.error(QStringLiteral("参考図ファイル名"),
                        QStringLiteral("参考図ファイル名「%1」はファイル名の規則に合いません。").arg(Findings::shortened(d.file)),
                        d.file);
            if (fromJob && !(d.rowFound && d.hasPicture))
                f.error(QStringLiteral("参考図ファイル名"), QStringLiteral("参考図のファイルがありません。"), d.file);
        }
        if (f.required(QStringLiteral("参考図タイトル"), d.title))
            f.text(QStringLiteral("参考図タイトル"), d.title);
        for (const QString& s : d.spares)
            f.text(QStringLiteral("付加情報予備"), s);
    }
    if (p.drawingsLeftOut > 0)
        f.error(QStringLiteral("付加情報"),
                QStringLiteral("付加情報が多すぎます（%1 件を読みませんでした）。").arg(p.drawingsLeftOut));
}

void checkShot(const DeliveryPhoto& p, const JobHeader* job, Findings& f)
{
    f.text(QStringLiteral("撮影箇所"), p.text[F_KASYO]);
    if (f.required(QStringLiteral("撮影年月日"), p.date) && !isDeliveryDate(p.date))
        f.error(QStringLiteral("撮影年月日"),
                QStringLiteral("撮影年月日「%1」はCCYY-MM-DD形式の実在する日付ではありません。").arg(Findings::shortened(p.date)));
    else if (job && isDeliveryDate(p.date)) {
        const QString day = fromDeliveryDate(p.date);
        const bool early = toDeliveryDate(job->startDate).size() == 10 && day < job->startDate;
        const bool late = toDeliveryDate(job->endDate).size() == 10 && day > job->endDate;
        if (early || late)
            f.warning(QStringLiteral("撮影年月日"),
                      QStringLiteral("撮影年月日「%1」が工期（%2～%3）の外です。")
                          .arg(p.date, toDeliveryDate(job->startDate), toDeliveryDate(job->endDate)));
    }
}

void checkPhoto(const DeliveryPhoto& p, const PhotoStandard& edition, const JobHeader* job, Findings& f)
{
    const std::optional<qint64> serial = serialNumber(p.serial);
    f.forPhoto(serial, p.file);
    if (f.required(QStringLiteral("シリアル番号"), p.serial) && !isSerialText(p.serial))
        f.error(QStringLiteral("シリアル番号"),
                QStringLiteral("シリアル番号「%1」は先頭に0のない7桁以内の数字ではありません。").arg(Findings::shortened(p.serial)));
    if (f.required(QStringLiteral("写真ファイル名"), p.file) && !isDeliveryFileName(p.file, QLatin1Char('P'), edition))
        f.error(QStringLiteral("写真ファイル名"),
                QStringLiteral("写真ファイル名「%1」はファイル名の規則に合いません。").arg(Findings::shortened(p.file)));
    if (job && !p.hasPicture)
        f.error(QStringLiteral("写真ファイル名"), QStringLiteral("写真のファイルがありません。"));
    if (p.disc < 1 || p.disc > 99'999'999)
        f.error(QStringLiteral("メディア番号"), QStringLiteral("メディア番号は1から始まる8桁以内の数字でなければなりません。"));
    checkClassification(p, f);
    checkDrawings(p, edition, job != nullptr, f);
    checkShot(p, job, f);
    for (const auto& [element, value] : {std::pair{QStringLiteral("代表写真"), p.representative},
                                         std::pair{QStringLiteral("提出頻度写真"), p.frequency}})
        if (f.required(element, value))
            f.oneOf(element, value, {QStringLiteral("0"), QStringLiteral("1")});
    f.text(QStringLiteral("施工管理値"), p.text[F_KANRI]);
    f.text(QStringLiteral("請負者説明文"), p.text[F_UKEOIBIKOU]);
    if (job && p.edited)
        f.warning(QString(), QStringLiteral("編集された写真です。編集前の取り込んだ写真を納品します。"));
    if (job && p.converted)
        f.warning(QString(), QStringLiteral("取り込み時に変換された写真（HEIC など）です。撮影したままのファイルではありません。"));
}

void checkSerialsUnique(const DeliverySet& set, Findings& f)
{
    QHash<QString, int> serials, files;
    for (const DeliveryPhoto& p : set.photos) {
        f.forPhoto(serialNumber(p.serial), p.file);
        if (!p.serial.isEmpty() && serials[p.serial]++ == 1)
            f.error(QStringLiteral("シリアル番号"), QStringLiteral("シリアル番号「%1」が重複しています。").arg(p.serial));
        if (!p.file.isEmpty() && files[p.file.toUpper()]++ == 1)
            f.error(QStringLiteral("写真ファイル名"), QStringLiteral("写真ファイル名「%1」が重複しています。").arg(p.file));
    }
}

}  // namespace

QList<DeliveryFinding> checkDeliverySet(const DeliverySet& set, const JobHeader* job)
{
    QList<DeliveryFinding> out;
    Findings f(out);
    checkBasics(set, f);
    const PhotoStandard& edition = editionOf(set);
    for (const DeliveryPhoto& p : set.photos)
        checkPhoto(p, edition, job, f);
    checkSerialsUnique(set, f);
    return out;
}

namespace {

const QString kPhotoXml = QStringLiteral("PHOTO.XML");

// The style sheet a PHOTO.XML names in its xml-stylesheet instruction.
QString styleSheetOf(const QString& xmlPath)
{
    QFile file(xmlPath);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray head = file.read(4096);
    const qsizetype at = head.indexOf("<?xml-stylesheet");
    if (at < 0)
        return {};
    const qsizetype end = head.indexOf("?>", at);
    const QByteArray pi = head.mid(at, end < 0 ? -1 : end - at);
    const qsizetype href = pi.indexOf("href=");
    if (href < 0 || href + 6 > pi.size())
        return {};
    const char quote = pi[href + 5];
    const qsizetype close = pi.indexOf(quote, href + 6);
    return QString::fromLatin1(pi.mid(href + 6, close < 0 ? -1 : close - href - 6));
}

// The files of one folder of the layout, by name.
QSet<QString> filesIn(const QString& folder, const QString& shownAs, Findings& f)
{
    QSet<QString> names;
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& e : entries) {
        if (e.isDir() && !e.isSymLink())
            f.error(QString(), QStringLiteral("%1 にフォルダ「%2」は置けません。").arg(shownAs, e.fileName()), e.fileName());
        else
            names.insert(e.fileName());
    }
    return names;
}

void checkFiles(const QString& folder, const DeliverySet& set, Findings& f)
{
    const QString pic = folder + QStringLiteral("/PIC"), dra = folder + QStringLiteral("/DRA");
    f.forPhoto(std::nullopt, QString());
    const QSet<QString> photos = filesIn(pic, QStringLiteral("PHOTO/PIC"), f);
    const QSet<QString> drawings =
        QFileInfo(dra).isDir() ? filesIn(dra, QStringLiteral("PHOTO/DRA"), f) : QSet<QString>{};

    // On a set of several discs each disc holds the files of its own photos:
    // the discs of the files found here are the discs this folder stands for.
    QSet<int> discsHere;
    for (const DeliveryPhoto& p : set.photos)
        if (photos.contains(p.file))
            discsHere.insert(p.disc);
    if (discsHere.isEmpty())
        discsHere.insert(1);

    QSet<QString> namedPhotos, namedDrawings;
    for (const DeliveryPhoto& p : set.photos) {
        f.forPhoto(serialNumber(p.serial), p.file);
        namedPhotos.insert(p.file);
        const bool here = discsHere.contains(p.disc);
        if (here && !p.file.isEmpty() && !photos.contains(p.file))
            f.error(QStringLiteral("写真ファイル名"), QStringLiteral("写真ファイル名が示すファイルがありません。"));
        for (const DeliveryDrawing& d : p.drawings) {
            namedDrawings.insert(d.file);
            if (here && !d.file.isEmpty() && !drawings.contains(d.file))
                f.error(QStringLiteral("参考図ファイル名"), QStringLiteral("参考図ファイル名が示すファイルがありません。"),
                        d.file);
        }
    }
    f.forPhoto(std::nullopt, QString());
    for (const QString& name : photos)
        if (!namedPhotos.contains(name))
            f.error(QString(), QStringLiteral("PHOTO.XML にない写真ファイルです。"), name);
    for (const QString& name : drawings)
        if (!namedDrawings.contains(name))
            f.error(QString(), QStringLiteral("PHOTO.XML にない参考図ファイルです。"), name);
}

void checkLayout(const QString& folder, const QString& xmlPath, Findings& f)
{
    f.forPhoto(std::nullopt, QString());
    const QString sheet = styleSheetOf(xmlPath);
    QSet<QString> allowed{kPhotoXml, QStringLiteral("PHOTO05.DTD"), QStringLiteral("PHOTO05.XSL")};
    const QFileInfoList entries =
        QDir(folder).entryInfoList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    QSet<QString> present;
    for (const QFileInfo& e : entries) {
        present.insert(e.fileName());
        const bool folderOk = e.isDir() && (e.fileName() == QStringLiteral("PIC") || e.fileName() == QStringLiteral("DRA"));
        if (e.isDir() ? !folderOk : !allowed.contains(e.fileName()))
            f.error(QString(),
                    (e.isDir() ? QStringLiteral("PHOTO に置けないフォルダです。") : QStringLiteral("PHOTO に置けないファイルです。")),
                    e.fileName());
    }
    if (!present.contains(QStringLiteral("PHOTO05.DTD")))
        f.error(QString(), QStringLiteral("PHOTO05.DTD がありません。"), QStringLiteral("PHOTO05.DTD"));
    if (!present.contains(QStringLiteral("PIC")))
        f.error(QString(), QStringLiteral("写真フォルダ PIC がありません。"), QStringLiteral("PIC"));
    if (!sheet.isEmpty() && !present.contains(sheet))
        f.error(QString(), QStringLiteral("PHOTO.XML が指定するスタイルシートがありません。"), sheet);
    // Viewer programs beside PHOTO on the medium.
    const QString medium = QFileInfo(folder).absolutePath();
    for (const QString& name : {QStringLiteral("AUTORUN.INF"), QStringLiteral("VIEW.EXE"), QStringLiteral("VIEW")})
        if (QFileInfo::exists(medium + QLatin1Char('/') + name))
            f.error(QString(), QStringLiteral("電子納品に含められないファイルです（ビューア）。"), name);
}

}  // namespace

FolderCheck checkDeliveryFolder(const QString& folderIn)
{
    FolderCheck result;
    const QString folder = QDir::cleanPath(folderIn);
    const QString xmlPath = folder + QLatin1Char('/') + kPhotoXml;
    if (!QFileInfo(xmlPath).isFile()) {
        result.error = QStringLiteral("フォルダが違います PHOTO.XML がみつかりません。");
        return result;
    }
    TXMLTreeView tree;
    tree.MSXML = true;
    tree.ValidationDtd = photo05Dtd();
    if (!tree.LoadFromFile(xmlPath, nullptr)) {
        result.error = tree.errorText();
        return result;
    }
    result.readable = true;
    Findings f(result.findings);
    f.forPhoto(std::nullopt, kPhotoXml);
    const bool photo05 = isPhoto05File(xmlPath);
    if (!photo05)
        f.error(QString(), QStringLiteral("PHOTO05.DTD の形式の PHOTO.XML ではありません。"));
    for (const QString& v : tree.validityErrors())
        f.error(QString(), QStringLiteral("PHOTO05.DTD に対して妥当ではありません: ") + v);
    if (!photo05)
        return result;
    const DeliverySet set = readDeliverySet(tree.nodes(), true);
    tree.clear();
    result.findings += checkDeliverySet(set, nullptr);
    Findings files(result.findings);
    checkLayout(folder, xmlPath, files);
    checkFiles(folder, set, files);
    return result;
}

}  // namespace zb
