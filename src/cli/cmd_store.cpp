// Commands over the job files: tree files and tables.
#include "cli/cli.h"
#include "store/engine/table.h"
#include "store/tree_file.h"

#include <QFileInfo>
#include <QJsonArray>
#include <QJsonObject>

namespace {

using namespace zb;
using zb::cli::Context;
using zb::cli::Failure;

QString absolute(const Context& ctx, const QString& path)
{
    return QFileInfo(path).isAbsolute() ? path : QFileInfo(ctx.root + QLatin1Char('/') + path).absoluteFilePath();
}

QJsonObject headerJson(const JobHeader& h)
{
    static const char* const labels[] = {
        "工事データ作成者", "事業種別", "事業名", "施工担当者", "工事番号", "河川路線名等", "工事名称", "工事箇所",
        "工期開始日", "工期終了日", "発注者－大分類", "発注者－中分類", "発注者－小分類", "発注者コード", "請負者名",
        "請負者コード", "発注者備考", "請負者備考"};
    QJsonObject o;
    o.insert(QStringLiteral("formatNumber"), h.formatNumber);
    o.insert(QStringLiteral("工事データ進捗状況"), h.progress);
    o.insert(QStringLiteral("発注年度"), h.fiscalYear);
    int i = 0;
    for (const HeaderTextField& f : headerTextFields())
        o.insert(QString::fromUtf8(labels[i++]), h.*(f.member));
    return o;
}

int tree(Context& ctx)
{
    const QString path = absolute(ctx, cli::positional(ctx.args, 0, "FILE.ZBD"));
    ReadReport report;
    auto tf = readTreeFile(path, &report);
    if (!tf)
        throw Failure(QStringLiteral("cannot read ") + path + QStringLiteral(": ") + report.problems.value(0));
    QJsonArray folders;
    for (const TreeFolder& f : tf->folders) {
        QJsonArray photos;
        for (RECORD r : f.photos)
            photos.append(r);
        folders.append(QJsonObject{{"caption", f.caption}, {"depth", f.depth}, {"photos", photos}});
    }
    QJsonObject out{{"header", headerJson(tf->header)}, {"folders", folders}};
    if (report.damaged)
        out.insert(QStringLiteral("damaged"), QJsonArray::fromStringList(report.problems));
    cli::printJson(out);
    return 0;
}

int rows(Context& ctx)
{
    const QString path = absolute(ctx, cli::positional(ctx.args, 0, "FILE.DB"));
    engine::Table t;
    try {
        t.open(path, false);
    } catch (const engine::EngineError& e) {
        throw Failure(e.message());
    }
    QJsonArray out;
    const auto& fields = t.fields();
    for (bool ok = t.first(); ok; ok = t.next()) {
        QJsonObject row;
        for (int i = 0; i < fields.size(); ++i) {
            if (fields[i].type == engine::FieldType::Blob) {
                const qint64 size = t.blobSize(i);
                row.insert(fields[i].name, size < 0 ? QJsonValue() : QJsonValue(size));
            } else {
                row.insert(fields[i].name, QJsonValue::fromVariant(t.value(i)));
            }
        }
        out.append(row);
    }
    cli::printJson(out);
    return 0;
}

int verify(Context& ctx)
{
    const QString path = absolute(ctx, cli::positional(ctx.args, 0, "FILE.DB"));
    if (!QFileInfo::exists(path))
        throw Failure(QStringLiteral("no such file: ") + path);
    try {
        switch (engine::Table::verify(path)) {
        case engine::VerifyStatus::Sound:
            cli::printLine(QStringLiteral("sound"));
            return 0;
        case engine::VerifyStatus::Rebuildable:
            cli::printLine(QStringLiteral("damaged (rebuildable)"));
            return 3;
        case engine::VerifyStatus::NotRebuildable:
            cli::printLine(QStringLiteral("damaged (not rebuildable)"));
            return 4;
        }
    } catch (const engine::EngineError& e) {
        throw Failure(e.message());
    }
    return 1;
}

ZB_CLI_COMMAND("tree", "FILE.ZBD", tree);
ZB_CLI_COMMAND("rows", "FILE.DB", rows);
ZB_CLI_COMMAND("verify", "FILE.DB   (exit 0 sound, 3 damaged but rebuildable, 4 not rebuildable)", verify);

}  // namespace
