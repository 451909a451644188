#pragma once
// Space reclaim (領域の確保): the open job rebuilt through a compressed backup
// package into the job "圧縮済工事データ", which becomes the open job.
#include <QString>

namespace zb {

class JobLife;
class Messages;
class Progress;
class TDataModule_Main;

inline const QString kReclaimJobName = QStringLiteral("圧縮済工事データ");
inline const QString kReclaimQuestion = QStringLiteral(
    "現在の工事データの領域不足を改善します。\r\n"
    "この作業は写真の変更履歴を破棄したり工事写真に再度圧縮を\r\n"
    "かけた後に「圧縮済工事データ」という工事データ名を作成します。\r\n"
    "「圧縮済工事データ」という工事データ名が既に存在する場合は上書きされます。\r\n"
    "この作業は処理に時間がかかりますのでご注意ください。\r\n\r\n実行してもよろしいですか？");
inline const QString kReclaimFailed = QStringLiteral("処理に失敗しました。");

// The package file of the reclaim in TEMPFILE/.
QString reclaimPackagePath(const QString& tempFile);

// Asks, writes the package, restores it over 圧縮済工事データ without asking,
// marks the new job compressed and opens it; the package is deleted in every
// case. Returns whether it ran (false when the user declined or no job is open).
bool RunReclaim(JobLife& job, TDataModule_Main& data, Messages& messages, Progress& progress);

}  // namespace zb
