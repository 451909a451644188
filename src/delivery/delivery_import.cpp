#include "delivery/delivery_import.h"

#include "core/inifile.h"
#include "core/ports.h"
#include "core/sjis.h"
#include "core/text.h"
#include "delivery/delivery_common.h"
#include "delivery/xml_tree.h"
#include "imaging/jpeg_codec.h"
#include "imaging/stored_pictures.h"
#include "store/job_files.h"
#include "store/photo_table.h"
#include "store/table_network.h"
#include "store/tree_file.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QPainter>
#include <QTemporaryDir>
#include <QThread>
#include <array>
#include <deque>
#include <future>
#include <filesystem>
#include <memory>
#include <optional>
#include <vector>

namespace zb {

namespace {

// No picture of a delivery comes near this; a bigger file counts as missing.
constexpr qint64 kMaxPictureFileBytes = 512LL * 1024 * 1024;

bool same(const QString& a, const QString& b) { return a.trimmed().compare(b.trimmed(), Qt::CaseInsensitive) == 0; }

// The photo folder or drawing folder named by 基礎情報: every "./" is a separator.
QString setFolder(const QString& xmlFolder, const QString& value, bool* ok)
{
    QString v = value;
    v.replace(QStringLiteral("./"), QStringLiteral("/"));
    // The leading separator joins the name to the folder of PHOTO.XML.
    while (v.startsWith(QLatin1Char('/')))
        v.remove(0, 1);
    const std::optional<QString> p = pathInside(xmlFolder, v);
    *ok = p.has_value();
    return p.value_or(QString());
}

struct FolderBuild {
    QString caption;
    QList<RECORD> photos;
    std::vector<std::unique_ptr<FolderBuild>> children;
};

void flatten(const FolderBuild& f, int depth, Hierarchy& out)
{
    out << TreeFolder{f.caption, depth, f.photos};
    for (const auto& c : f.children)
        flatten(*c, depth + 1, out);
}

struct PhotoGroup {
    bool changed = false;
    QString fileName;
    std::array<QString, 5> levels;
    std::array<QString, 3> drawings;
    QMap<PhotoField, QString> text;
    int flag = 0;
    int filmNumber = 0;
};

const QMap<QString, PhotoField>& photoTextElements()
{
    static const QMap<QString, PhotoField> m{
        {QStringLiteral("写真ファイル情報予備"), F_BIKOU_A}, {QStringLiteral("写真タイトル"), F_TITLE},
        {QStringLiteral("工種区分予備1"), F_YOBI1},         {QStringLiteral("工種区分予備2"), F_YOBI2},
        {QStringLiteral("工種区分予備3"), F_YOBI3},         {QStringLiteral("撮影箇所"), F_KASYO},
        {QStringLiteral("付加情報予備"), F_BIKOU_B},        {QStringLiteral("撮影年月日"), F_DATE},
        {QStringLiteral("コマ番号"), F_NEGANUM},            {QStringLiteral("撮影情報予備"), F_BIKOU_C},
        {QStringLiteral("施工管理値"), F_KANRI},            {QStringLiteral("施工管理値予備"), F_BIKOU_D},
        {QStringLiteral("状況説明予備"), F_BIKOU_E},        {QStringLiteral("請負者説明文"), F_UKEOIBIKOU},
        {QStringLiteral("発注者説明文"), F_HACYUBIKOU},     {QStringLiteral("写真情報予備1"), F_BIKOU1},
        {QStringLiteral("写真情報予備2"), F_BIKOU2},        {QStringLiteral("写真情報予備3"), F_BIKOU3}};
    return m;
}

struct HeaderElement {
    const char* name;
    QString JobHeader::*member;
    int room;
};
const HeaderElement kHeaderElements[] = {
    {"工事番号", &JobHeader::contractNumber, 127},    {"河川路線名等", &JobHeader::riverRouteName, 127},
    {"工事名称", &JobHeader::constructionName, 255},  {"工事箇所", &JobHeader::constructionSite, 127},
    {"工期開始日", &JobHeader::startDate, 8},         {"工期終了日", &JobHeader::endDate, 8},
    {"発注者-大分類", &JobHeader::clientMajor, 32},   {"発注者-中分類", &JobHeader::clientMiddle, 32},
    {"発注者-小分類", &JobHeader::clientMinor, 32},   {"発注者コード", &JobHeader::clientCode, 8},
    {"請負者名", &JobHeader::contractorName, 255},    {"請負者コード", &JobHeader::contractorCode, 127},
    {"発注者備考", &JobHeader::clientRemarks, 255},   {"請負者備考", &JobHeader::contractorRemarks, 255}};

QString fullWidthNumber(int n)
{
    QString s = QString::number(n);
    for (QChar& c : s) {
        if (c.isDigit())
            c = QChar(0xFF10 + c.digitValue());
        else if (c == QLatin1Char('-'))
            c = QChar(0xFF0D);
    }
    return s;
}

}  // namespace

QString mediumQuestion(int medium)
{
    return QStringLiteral("メディア") + fullWidthNumber(medium) + QStringLiteral("をセットしてください。") +
           QStringLiteral("\r\n") + QStringLiteral("よろしいですか？");
}

std::optional<QString> pathInside(const QString& base, const QString& name)
{
    QString n = name.trimmed();
    n.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (n.startsWith(QLatin1Char('/')) || (n.size() >= 2 && n[1] == QLatin1Char(':')))
        return std::nullopt;
    const QStringList parts = n.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    for (const QString& p : parts)
        if (p == QStringLiteral("..") || p.contains(QChar(0)))
            return std::nullopt;
    const QString root = QDir::cleanPath(base);
    const QString path = parts.isEmpty() ? root : root + QLatin1Char('/') + parts.join(QLatin1Char('/'));
    // A link inside the set must not lead out of it.
    const QString realRoot = QFileInfo(root).canonicalFilePath();
    const QFileInfo info(path);
    if (info.exists()) {
        const QString real = info.canonicalFilePath();
        if (realRoot.isEmpty() || !(real == realRoot || real.startsWith(realRoot + QLatin1Char('/'))))
            return std::nullopt;
    }
    return path;
}

QByteArray dummyPicture(const QString& sysFile)
{
    const QString path = sysFile + QStringLiteral("DUMMY.JPG");
    QFile f(path);
    if (f.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = f.read(64LL * 1024 * 1024);
        if (!bytes.isEmpty())
            return bytes;
    }
    // Our own stand-in: a grey card with a crossed frame.
    QImage card(160, 120, QImage::Format_RGB888);
    card.fill(QColor(200, 200, 200));
    {
        QPainter p(&card);
        p.setPen(QPen(QColor(120, 120, 120), 3));
        p.drawRect(4, 4, 151, 111);
        p.drawLine(4, 4, 155, 115);
        p.drawLine(155, 4, 4, 115);
    }
    QByteArray jpeg;
    SilentMessages quiet;
    EncodeJpeg(card, jpeg, false, kDefaultJpegQuality, quiet);
    QDir().mkpath(sysFile);
    writeNewFile(path, jpeg, nullptr);
    return jpeg;
}

DeliveryImportResult importDelivery(const Folders& folders, const DeliveryImportOptions& options,
                                    Messages& messages, Progress& progress, const std::function<bool()>& release)
{
    DeliveryImportResult result;
    using Outcome = DeliveryImportResult::Outcome;
    const QString xmlFolder = QDir::cleanPath(options.folder);
    const QString xmlPath = xmlFolder + QStringLiteral("/PHOTO.XML");
    if (!QFileInfo(xmlPath).isFile()) {
        result.outcome = Outcome::NoXml;
        return result;
    }
    const JobPaths target{folders.dataFile, kXmlImportJob};
    auto failed = [&](const QString& why) {
        result.outcome = Outcome::Failed;
        result.error = kImportBuildFailed.arg(why);
        messages.error(result.error);
        return result;
    };

    // The target must be free: its table opened exclusively and closed again.
    if (!options.targetIsOpen) {
        TTableNetWork probe;
        try {
            QDir().mkpath(folders.dataFile);
            openOrCreatePhotoTable(target.table(), {&probe}, true);
            probe.closeTable();
        } catch (const engine::EngineError&) {
            probe.closeTable();
            messages.warning(QStringLiteral("この工事データは他のコンピューターで参照または編集中です。"));
            result.outcome = Outcome::InUse;
            return result;
        }
    }

    TXMLTreeView tree;
    tree.MSXML = options.libxml2;
    if (!tree.LoadFromFile(xmlPath, &messages)) {
        result.outcome = Outcome::BadXml;
        result.error = tree.errorText();
        return result;
    }

    // The new job is built in a folder of its own beside the jobs.
    QTemporaryDir aside(folders.dataFile + QStringLiteral(".xmlimport-XXXXXX"));
    if (!aside.isValid())
        return failed(aside.errorString());
    const JobPaths built{withSlash(aside.path()), kXmlImportJob};
    engine::Table table;
    PhotoFields fields;
    try {
        engine::Table::create(built.table(), photoTableFields(), QStringLiteral("RECORD"));
        table.open(built.table(), true);
        fields.lookUp(table);
    } catch (const engine::EngineError& e) {
        return failed(e.message());
    }

    const IniFile comn(folders.userFile + QStringLiteral("ZBCOMN.LST"));
    const QString section = QStringLiteral("ComnPrg_Env");
    JobHeader header = newJobHeader(comn.readString(section, QStringLiteral("JUkeoi")),
                                    comn.readString(section, QStringLiteral("JUkeoiCode")),
                                    comn.readString(section, QStringLiteral("JUkeoiBikou")));
    FolderBuild unclassified{kUnclassifiedCaption, {}, {}};
    FolderBuild photoRoot{kPhotoRootCaption, {}, {}};
    FolderBuild recycle{kRecycleCaption, {}, {}};

    QString photoFolder = xmlFolder, drawingFolder = xmlFolder;
    bool photoFolderOk = true, drawingFolderOk = true;
    int medium = 1, heldMedium = 1;
    RECORD next = 0;
    bool flagBad = false;
    QByteArray dummy, dummyThumbnail;
    PhotoGroup group;
    QString groupCaption;

    // Rows are planned while the tree is read (numbers, filing, the medium
    // question) and stored afterwards, their pictures read and thumbnailed
    // on worker threads a few rows ahead of the posting.
    struct PlannedRow {
        RECORD record = 0;
        QString path;  // empty: DUMMY.JPG
        QString name;  // as the file names it
        bool photo = false;
        PhotoGroup group;
        std::array<RECORD, 3> drawings{};
    };
    std::vector<PlannedRow> plan;
    auto resolve = [&](const QString& folder, bool folderOk, const QString& name) -> QString {
        std::optional<QString> path;
        if (folderOk)
            path = pathInside(folder, name);
        return path && QFileInfo(*path).isFile() ? *path : QString();
    };
    auto finishPhoto = [&] {
        if (!group.changed || group.fileName.isEmpty())
            return;
        QString path = resolve(photoFolder, photoFolderOk, group.fileName);
        if (heldMedium != medium && options.askMedia) {
            bool yes;
            do {
                yes = messages.confirm(mediumQuestion(heldMedium));
                if (yes)
                    path = resolve(photoFolder, photoFolderOk, group.fileName);
            } while (yes && path.isEmpty());
        }
        medium = heldMedium;
        PlannedRow row;
        row.record = ++next;
        row.path = path;
        row.name = group.fileName;
        row.photo = true;
        for (int n = 0; n < 3; ++n)
            if (!group.drawings[n].isEmpty())
                row.drawings[n] = ++next;
        row.group = group;
        const RECORD photo = row.record;
        const std::array<RECORD, 3> drawings = row.drawings;
        plan.push_back(std::move(row));
        ++result.photos;
        for (int n = 0; n < 3; ++n) {
            if (drawings[n] == 0)
                continue;
            PlannedRow d;
            d.record = drawings[n];
            d.path = resolve(drawingFolder, drawingFolderOk, group.drawings[n]);
            d.name = group.drawings[n];
            plan.push_back(std::move(d));
            ++result.drawings;
        }
        // Filed by its level captions, as far as they go.
        FolderBuild* at = &photoRoot;
        for (const QString& raw : group.levels) {
            const QString caption = sjis::cutToRoom(raw, 50);
            if (caption.isEmpty())
                break;
            FolderBuild* found = nullptr;
            for (const auto& c : at->children)
                if (c->caption == caption) {
                    found = c.get();
                    break;
                }
            if (!found) {
                at->children.push_back(std::make_unique<FolderBuild>(FolderBuild{caption, {}, {}}));
                found = at->children.back().get();
            }
            at = found;
        }
        at->photos << photo;
    };
    struct Loaded {
        bool ok = false;
        QByteArray bytes;
        QByteArray thumbnail;
    };
    auto load = [](const QString& path) {
        Loaded l;
        if (path.isEmpty())
            return l;
        QFile f(path);
        if (f.size() > kMaxPictureFileBytes || !f.open(QIODevice::ReadOnly))
            return l;
        l.bytes = f.readAll();
        if (f.error() != QFileDevice::NoError)
            return l;
        l.ok = true;
        SilentMessages quiet;
        l.thumbnail = MakeThumbnail(l.bytes, 0, quiet);
        return l;
    };
    auto postRow = [&](const PlannedRow& p, Loaded l) {
        QString fileName = QFileInfo(p.path).completeBaseName();
        auto needDummy = [&] {
            if (dummy.isEmpty()) {
                dummy = dummyPicture(folders.sysFile);
                SilentMessages quiet;
                dummyThumbnail = MakeThumbnail(dummy, 0, quiet);
            }
        };
        if (!l.ok) {
            result.missing << p.name;
            needDummy();
            l.bytes = dummy;
            l.thumbnail = dummyThumbnail;
            fileName = QStringLiteral("DUMMY");
        } else if (l.thumbnail.isEmpty()) {
            // Kept as it came; the list shows the stand-in picture for it.
            result.unreadable << p.name;
            needDummy();
            l.thumbnail = dummyThumbnail;
        }
        table.append();
        table.setValue(fields[F_RECORD], p.record);
        table.writeBlob(fields[F_IMAGE_ORG], l.bytes);
        if (!l.thumbnail.isEmpty())
            table.writeBlob(fields[F_THUMBNAIL], l.thumbnail);
        table.setValue(fields[F_FILENAME], fileName);
        const PhotoGroup& g = p.group;
        table.setValue(fields[F_FLAG], p.photo ? g.flag : 0);
        table.setValue(fields[F_FILMNUM], p.photo ? g.filmNumber : 0);
        if (p.photo)
            for (auto it = g.text.begin(); it != g.text.end(); ++it)
                table.setValue(fields[it.key()], it.value());
        table.setValue(fields[F_REC_DRA1], p.drawings[0]);
        table.setValue(fields[F_REC_DRA2], p.drawings[1]);
        table.setValue(fields[F_REC_DRA3], p.drawings[2]);
        table.post();
    };

    const std::vector<const XmlNode*> nodes = tree.allNodes();
    progress.start(int(std::min<size_t>(nodes.size(), size_t(INT_MAX))));
    try {
        for (size_t i = 0; i < nodes.size(); ++i) {
            if (!progress.step()) {
                progress.end();
                messages.information(kImportStopped);
                result.outcome = Outcome::Stopped;
                return result;
            }
            const XmlNode* node = nodes[i];
            if (node->level == 1) {
                groupCaption = node->caption.trimmed();
                if (same(groupCaption, QStringLiteral("写真情報")))
                    group = PhotoGroup{};
            } else if (node->level == 2) {
                const QString& name = node->caption;
                const QString& v = node->value;
                if (same(groupCaption, QStringLiteral("基礎情報"))) {
                    if (same(name, QStringLiteral("写真フォルダ名")))
                        photoFolder = setFolder(xmlFolder, v, &photoFolderOk);
                    else if (same(name, QStringLiteral("参考図フォルダ名")))
                        drawingFolder = setFolder(xmlFolder, v, &drawingFolderOk);
                } else if (same(groupCaption, QStringLiteral("工事情報"))) {
                    if (same(name, QStringLiteral("発注年度"))) {
                        header.fiscalYear = qint16(std::clamp(leadingInteger(v), 0, 32767));
                    } else {
                        for (const HeaderElement& e : kHeaderElements)
                            if (same(name, QString::fromUtf8(e.name)))
                                header.*e.member = sjis::cutToRoom(v, e.room);
                    }
                } else if (same(groupCaption, QStringLiteral("写真情報"))) {
                    bool used = true;
                    if (same(name, QStringLiteral("写真ファイル名"))) {
                        group.fileName = v.trimmed();
                    } else if (same(name, QStringLiteral("メディア番号"))) {
                        heldMedium = leadingInteger(v);
                    } else if (same(name, QStringLiteral("写真整理フラグ"))) {
                        const int f = leadingInteger(v);
                        if (f < -32768 || f > 32767) {
                            flagBad = true;
                            group.flag = 0;
                        } else {
                            group.flag = f;
                        }
                    } else if (same(name, QStringLiteral("フィルム番号"))) {
                        group.filmNumber = leadingInteger(v);
                    } else {
                        used = false;
                        for (int l = 0; l < 5 && !used; ++l)
                            if (same(name, levelElementNames()[l])) {
                                group.levels[l] = v;
                                used = true;
                            }
                        for (int n = 0; n < 3 && !used; ++n)
                            if (same(name, QStringLiteral("参考図%1").arg(n + 1))) {
                                group.drawings[n] = v.trimmed();
                                used = true;
                            }
                        if (!used)
                            for (auto it = photoTextElements().begin(); it != photoTextElements().end(); ++it)
                                if (same(name, it.key())) {
                                    // The two short fields keep 8 bytes; the memo fields the whole text.
                                    group.text[it.value()] = (it.value() == F_DATE || it.value() == F_NEGANUM)
                                                                 ? sjis::cutToRoom(v, 8)
                                                                 : v;
                                    used = true;
                                    break;
                                }
                    }
                    group.changed = group.changed || used;
                }
            }
            const bool groupEnds = i + 1 == nodes.size() || nodes[i + 1]->level <= 1;
            if (groupEnds && node->level >= 1) {
                if (same(groupCaption, QStringLiteral("写真情報")))
                    finishPhoto();
                group = PhotoGroup{};
            }
        }
        // The rows, the pictures of the next few loading meanwhile.
        const size_t ahead = size_t(std::max(2, QThread::idealThreadCount()));
        std::deque<std::future<Loaded>> loading;
        size_t queued = 0;
        table.beginBatch();
        for (size_t i = 0; i < plan.size(); ++i) {
            while (queued < plan.size() && queued < i + ahead)
                loading.push_back(std::async(std::launch::async, load, plan[queued++].path));
            Loaded l = loading.front().get();
            loading.pop_front();
            postRow(plan[i], std::move(l));
        }
        table.commitBatch();
    } catch (const engine::EngineError& e) {
        progress.end();
        return failed(e.message());
    }
    progress.end();

    TreeFile file;
    file.header = header;
    flatten(unclassified, 0, file.folders);
    flatten(photoRoot, 0, file.folders);
    flatten(recycle, 0, file.folders);
    try {
        table.flush();
        table.close();
    } catch (const engine::EngineError& e) {
        return failed(e.message());
    }
    QString error;
    if (!writeTreeFile(built.treeFile(), file, &error))
        return failed(error);

    // The new files take the place of the old ones.
    if (release && !release())
        return failed(QStringLiteral("工事データを閉じられませんでした。"));
    for (const char* side : {"-wal", "-shm", "-journal"})
        QFile::remove(target.table() + QString::fromLatin1(side));
    for (const auto& [from, to] : {std::pair{built.table(), target.table()}, std::pair{built.treeFile(), target.treeFile()}}) {
        std::error_code ec;
        std::filesystem::rename(QFile::encodeName(from).toStdString(), QFile::encodeName(to).toStdString(), ec);
        if (ec)
            return failed(QString::fromStdString(ec.message()));
    }
    QDir().mkpath(target.albumFolder());
    QDir().mkpath(target.backFolder());
    if (flagBad)
        messages.information(kImportFlagBad);
    if (!result.unreadable.isEmpty()) {
        QStringList names = result.unreadable.mid(0, 20);
        if (result.unreadable.size() > 20)
            names << QStringLiteral("…");
        messages.information(kImportNotJpeg.arg(names.join(QStringLiteral("\r\n"))));
    }
    result.outcome = Outcome::Imported;
    return result;
}

}  // namespace zb
