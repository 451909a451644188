#include "maintenance/table_repair.h"

#include "core/busy.h"
#include "core/ports.h"
#include "store/data_module.h"
#include "store/job_files.h"
#include "store/job_life.h"
#include "store/table_network.h"

#include <QDateTime>
#include <QDir>
#include <QRegularExpression>
#include <QFile>
#include <QFileInfo>
#include <QHash>

namespace zb {

// --- the table utility ---

QString TTutil::scratch(const QString& name) const
{
    if (name.contains(QLatin1Char('/')))
        return name;
    return withSlash(scratchFolder) + name;
}

void TTutil::report(const QString& text) const
{
    if (onProgress)
        onProgress(0, text, TableName, 0, 0);
}

int TTutil::verify()
{
    if (!QFileInfo::exists(TableName))
        return 0;
    report(QStringLiteral("検査中"));
    try {
        switch (engine::Table::verify(TableName)) {
        case engine::VerifyStatus::Sound: return 0;
        case engine::VerifyStatus::Rebuildable: return 1;
        case engine::VerifyStatus::NotRebuildable: return 3;
        }
    } catch (const engine::EngineError&) {
    }
    return 0;
}

int TTutil::rebuild()
{
    if (!QFileInfo::exists(TableName))
        return -1;
    verify();
    report(QStringLiteral("修復中"));
    QDir().mkpath(scratchFolder);
    // The damaged table is kept beside the scratch tables, named by the
    // table and the time of the rebuild, until the next repair that ends well.
    const QString copy = scratch(QFileInfo(TableName).completeBaseName() + QLatin1Char('.')
                                 + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")) + QStringLiteral(".DB"));
    losses = {};
    if (!engine::Table::rebuild(TableName, copy, &losses))
        return 1;
    keptCopy = copy;
    return reprotect() ? 0 : 1;
}

void TTutil::dropOlderCopies() const
{
    // Job names hold no dot, so the pattern finds this table's copies only.
    QDir dir(scratchFolder);
    const QString pattern = QRegularExpression::escape(QFileInfo(TableName).completeBaseName())
                            + QStringLiteral(R"(\.\d{8}-\d{6}\.DB)");
    const QRegularExpression name(QRegularExpression::anchoredPattern(pattern));
    for (const QString& file : dir.entryList(QDir::Files))
        if (name.match(file).hasMatch() && dir.filePath(file) != QFileInfo(keptCopy).filePath())
            dir.remove(file);
}

bool TTutil::rebuildIndexes()
{
    if (!QFileInfo::exists(TableName))
        return false;
    report(QStringLiteral("ｲﾝﾃﾞｯｸｽ再構築中"));
    try {
        engine::Table t;
        t.open(TableName, true);
        t.reindex();
        t.close();
    } catch (const engine::EngineError&) {
        return false;
    }
    return true;
}

bool TTutil::reprotect()
{
    if (Password.isEmpty())
        return true;
    report(QStringLiteral("最終処理"));
    try {
        engine::Table t;
        t.open(TableName, true);
        t.pack(Password);
        t.close();
    } catch (const engine::EngineError&) {
        return false;
    }
    return true;
}

void TTutil::cleanUp()
{
    for (const QString& name : {BackupName, VerifyName, RebuildName, KeyViolName, ProblemName}) {
        const QFileInfo fi(scratch(name));
        QDir dir(fi.absolutePath());
        const QStringList files =
            dir.entryList({fi.completeBaseName() + QStringLiteral(".*")}, QDir::Files | QDir::Hidden, QDir::Name);
        for (int i = 0; i < files.size() && i < 100; ++i)
            dir.remove(files[i]);
    }
}

TableRepair checkTable(const QString& tablePath, const QString& scratchFolder, const QString& password)
{
    TableRepair r;
    TTutil util;
    util.TableName = tablePath;
    util.scratchFolder = scratchFolder;
    util.Password = password;
    if (QFileInfo::exists(tablePath)) {
        switch (util.verify()) {
        case 0:
            r.indexError = !util.rebuildIndexes();
            break;
        case 1:
        case 2:
            r.repairError = util.rebuild() != 0;
            r.rebuilt = !r.repairError;
            if (!r.repairError)
                r.indexError = !util.rebuildIndexes();
            break;
        case 3:
        case 4:
            r.notRepairable = true;
            break;
        default:
            break;
        }
    }
    util.cleanUp();
    r.losses = util.losses;
    r.keptCopy = util.keptCopy;
    if (!r.marked())
        util.dropOlderCopies();
    if (r.repairError) {
        r.boxText = kRepairFailed;
    } else if (r.indexError) {
        r.boxText = kIndexRebuildFailed;
    } else if (r.notRepairable) {
        const QFileInfo fi(tablePath);
        r.boxText = kNotRepairable + fi.path() + QLatin1Char('/') + fi.completeBaseName() + QStringLiteral(".*");
        r.warningBox = true;
    }
    return r;
}

// --- reconciliation ---

LinkCounts reconcileTreeAndTable(engine::Table& t, const PhotoFields& f, Hierarchy& folders)
{
    LinkCounts counts;
    if (f[F_CHECK] < 0 || f[F_RECORD] < 0 || folders.isEmpty())
        return counts;
    struct Row {
        RECORD record;
        bool storedCheck;
        std::array<int, 3> drawings;
        bool drawingsChanged = false;
        bool check = false;
    };
    QList<Row> rows;
    QHash<RECORD, qsizetype> byRecord;
    // A drawing field the table lacks is scanned as RECORD and read as 0.
    const int links[3] = {f[F_REC_DRA1], f[F_REC_DRA2], f[F_REC_DRA3]};
    QList<int> scan = {f[F_RECORD], f[F_CHECK]};
    for (int p : links)
        scan << (p < 0 ? f[F_RECORD] : p);
    t.scanFields(scan, [&](const engine::RowView& v) {
        Row r{RECORD(v.integer(0)), !v.isNull(1) && v.integer(1) != 0, {}};
        for (int k = 0; k < 3; ++k)
            r.drawings[k] = links[k] < 0 || v.isNull(2 + k) ? 0 : int(v.integer(2 + k));
        if (!byRecord.contains(r.record))
            byRecord.insert(r.record, rows.size());
        rows << r;
    });
    // A photo's drawing links: an existing drawing is marked, a missing one
    // counted and cleared.
    auto checkDrawings = [&](Row& row) {
        for (int& d : row.drawings) {
            if (d <= 0)
                continue;
            if (auto it = byRecord.constFind(d); it != byRecord.constEnd()) {
                rows[*it].check = true;
            } else {
                ++counts.brokenLinks;
                d = 0;
                row.drawingsChanged = true;
            }
        }
    };
    for (TreeFolder& folder : folders)
        for (qsizetype i = folder.photos.size() - 1; i >= 0; --i) {
            auto it = byRecord.constFind(folder.photos[i]);
            if (it == byRecord.constEnd()) {
                ++counts.brokenLinks;
                folder.photos.removeAt(i);
                continue;
            }
            Row& row = rows[*it];
            row.check = true;
            checkDrawings(row);
        }
    for (Row& row : rows)
        if (!row.check)
            checkDrawings(row);
    for (Row& row : rows)
        if (!row.check) {
            ++counts.unfiled;
            folders[0].photos << row.record;
        }

    // Only rows whose mark or links changed are written.
    bool batch = false;
    try {
        for (const Row& row : rows) {
            if (row.check == row.storedCheck && !row.drawingsChanged)
                continue;
            if (!t.locate(row.record))
                continue;
            if (!batch) {
                t.beginBatch();
                batch = true;
            }
            t.edit();
            t.setValue(f[F_CHECK], row.check);
            if (row.drawingsChanged) {
                const PhotoField links[3] = {F_REC_DRA1, F_REC_DRA2, F_REC_DRA3};
                for (int k = 0; k < 3; ++k)
                    if (f[links[k]] >= 0)
                        t.setValue(f[links[k]], row.drawings[k]);
            }
            t.post();
        }
        if (batch)
            t.commitBatch();
        t.flush();
    } catch (...) {
        if (batch)
            t.rollbackBatch();
        throw;
    }
    return counts;
}

QString linkReport(const LinkCounts& c)
{
    QString text;
    if (c.brokenLinks > 0)
        text = QStringLiteral("工事階層不明データが ") + QString::number(c.brokenLinks) + QStringLiteral(" 件ありました。")
               + QStringLiteral("\r\n") + QStringLiteral(">工事階層を修正しました。");
    if (c.unfiled > 0) {
        if (!text.isEmpty())
            text += QStringLiteral("\r\n\r\n");
        text += QStringLiteral("写真不明データが ") + QString::number(c.unfiled) + QStringLiteral(" 件ありました。")
                + QStringLiteral("\r\n") + QStringLiteral(">未分類に戻しました。");
    }
    return text.isEmpty() ? kNoProblem : text;
}

QString repairReport(const TableRepair& r, const LinkCounts& counts)
{
    QStringList parts;
    auto records = [](QList<qint64> keys) {
        std::sort(keys.begin(), keys.end());
        keys.erase(std::unique(keys.begin(), keys.end()), keys.end());
        QStringList numbers;
        for (qint64 k : keys)
            numbers << QString::number(k);
        return numbers.isEmpty() ? QString() : QStringLiteral("\r\n>写真番号 ") + numbers.join(QStringLiteral(", "));
    };
    if (r.losses.rows > 0)
        parts << QStringLiteral("読み取れない写真データが ") + QString::number(r.losses.rows) + QStringLiteral(" 件ありました。")
                     + records(r.losses.rowKeys);
    if (!r.losses.pictureKeys.isEmpty())
        parts << QStringLiteral("読み取れない画像が ") + QString::number(r.losses.pictureKeys.size())
                     + QStringLiteral(" 件ありました。") + records(r.losses.pictureKeys);
    if (!r.keptCopy.isEmpty())
        parts << QStringLiteral("修復前のデータを残しました。\r\n>") + r.keptCopy;
    const QString links = linkReport(counts);
    // After a rebuild there was a problem, even when the tree agrees.
    if (links != kNoProblem || (!r.losses.any() && !r.rebuilt))
        parts << links;
    return parts.join(QStringLiteral("\r\n\r\n"));
}

namespace {

void showRepairBox(const TableRepair& r, Messages& messages)
{
    if (r.boxText.isEmpty())
        return;
    if (r.warningBox)
        messages.warning(r.boxText);
    else
        messages.error(r.boxText);
}

}  // namespace

bool RunLinkRepair(JobLife& job, TDataModule_Main& data, Messages& messages, const std::function<void()>& reloaded)
{
    if (!job.isOpen() || !messages.ask(kLinkRepairQuestion))
        return false;
    const BusyMark::Scope mark;
    if (job.save() == SaveResult::Failed)
        return false;
    const QString path = JobPaths{job.folders().dataFile, job.name()}.table();
    // No lock of this program may remain on the table while it is checked.
    data.photoTable().closeTable();
    data.reopenSession();
    TableRepair r;
    try {
        r = checkTable(path, data.scratchFolder(), kSessionPassword);
    } catch (...) {
        data.reopenSession();
        openOrCreatePhotoTable(path, {&data.photoTable()}, true);
        throw;
    }
    showRepairBox(r, messages);
    data.reopenSession();
    PhotoFields fields;
    try {
        fields = openOrCreatePhotoTable(path, {&data.photoTable()}, true);
    } catch (const engine::EngineError& e) {
        messages.error(kRepairFailed + QStringLiteral("\r\n") + e.message());
        return true;
    }
    if (!r.marked() && fields[F_CHECK] >= 0) {
        LinkCounts counts;
        try {
            counts = reconcileTreeAndTable(data.photoTable(), fields, job.file().folders);
        } catch (const engine::EngineError& e) {
            messages.error(kRepairFailed + QStringLiteral("\r\n") + e.message());
            return true;
        }
        if (counts.any()) {
            job.setChanged();
            if (reloaded)
                reloaded();
        }
        messages.information(repairReport(r, counts));
    }
    job.save();
    return true;
}

JobRepairOutcome RepairJobFiles(const QString& dataFile, const QString& name, const QString& scratchFolder,
                                const QString& password)
{
    JobRepairOutcome out;
    const JobPaths paths{dataFile, name};
    if (!QFileInfo::exists(paths.table())) {
        out.failed = true;
        out.lines << QStringLiteral("no such job: ") + name;
        return out;
    }
    // Another process's job is not touched at all.
    try {
        engine::Table probe;
        probe.open(paths.table(), true);
    } catch (const engine::EngineError& e) {
        if (e.kind() == engine::EngineError::Kind::InUse) {
            out.failed = true;
            out.lines << kJobInUse;
            return out;
        }
    }
    const TableRepair r = checkTable(paths.table(), scratchFolder, password);
    out.mended = r.rebuilt;
    if (!r.boxText.isEmpty()) {
        out.lines << r.boxText.split(QStringLiteral("\r\n"));
        out.failed = true;
        return out;
    }
    ReadReport report;
    std::optional<TreeFile> tree = readTreeFile(paths.treeFile(), &report);
    if (!tree) {
        out.failed = true;
        out.lines << QStringLiteral("cannot read ") + paths.treeFile();
        return out;
    }
    try {
        TTableNetWork t;
        const PhotoFields fields = openOrCreatePhotoTable(paths.table(), {&t}, true);
        if (fields[F_CHECK] < 0) {
            out.lines << repairReport(r, {}).split(QStringLiteral("\r\n"));
            return out;
        }
        const LinkCounts counts = reconcileTreeAndTable(t, fields, tree->folders);
        t.closeTable();
        if (counts.any()) {
            out.mended = true;
            QString error;
            if (!writeTreeFile(paths.treeFile(), *tree, &error)) {
                out.failed = true;
                out.lines << kTreeSaveFailed.arg(error).split(QStringLiteral("\r\n"));
                return out;
            }
        }
        out.lines << repairReport(r, counts).split(QStringLiteral("\r\n"));
    } catch (const engine::EngineError& e) {
        out.failed = true;
        out.lines << e.message();
    }
    return out;
}

bool RunPack(TTableEnhanced& table, Messages& messages, const QString& password)
{
    if (!messages.ask(kPackQuestion))
        return false;
    const BusyMark::Scope mark;
    try {
        table.packTable(password);
    } catch (const EEnhDBError&) {
        // The pack's own result is not reported.
    }
    messages.information(kPackDone);
    return true;
}

}  // namespace zb
