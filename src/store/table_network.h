#pragma once
// Table classes of the application on top of the engine: TTableEnhanced adds
// the open rules, index switching with recovery, flushing and packing with the
// application's messages; TTableNetWork adds change notification through the
// process-wide TNetTimer, so that a shared master changed by another computer
// is refreshed and its owner told.
#include "store/engine/table.h"

#include <QObject>
#include <QTimer>
#include <array>
#include <functional>
#include <stdexcept>

namespace zb {

class Messages;

class EEnhDBError : public std::runtime_error {
public:
    explicit EEnhDBError(const QString& message) : std::runtime_error(message.toStdString()) {}
    QString message() const { return QString::fromUtf8(what()); }
};
class EEnhDBTblNotOpen : public EEnhDBError {
public:
    using EEnhDBError::EEnhDBError;
};
class EEnhDBIncorrectType : public EEnhDBError {
public:
    using EEnhDBError::EEnhDBError;
};

inline const QString kFlushFailed = QStringLiteral("テーブルのBufferをディスクに保存するのに失敗しました｡");
inline const QString kIndexFailed = QStringLiteral(
    "テーブルのインデックスの更新に失敗しました｡\r\n一度プログラムを終了してから「データ保守/保守作業」を実行してください。");
inline const QString kEmptyConflict = QStringLiteral("他のユーザーと衝突しました 作業をもう一度繰り返して下さい。");
inline const QString kPackNotOpen = QStringLiteral("テーブルはパックするためにオープンされなければなりません");
inline const QString kPackWrongType = QStringLiteral("不正なテーブルの種類: ");
inline const QString kPackDBasePassword = QStringLiteral("DBaseテーブルのパスワードは現在サポートされていません");

class TTableEnhanced : public engine::Table {
public:
    enum class TableType { Paradox, DBase, Ascii, None };

    // Messages go to `messages` (must outlive the table); nullptr keeps them quiet.
    explicit TTableEnhanced(Messages* messages = nullptr);
    void setMessages(Messages* messages) { messages_ = messages; }

    // Closes the table and opens it again with the given exclusive flag on the
    // primary index.
    virtual void openTable(const QString& path, bool exclusive);
    virtual void closeTable();

    // Paradox for every open table (the engine's one format); when closed,
    // decided by the file extension.
    TableType tableType() const;
    QString driverName() const;

    // Switches to an index (empty: the primary index). On failure the table is
    // reopened once and the switch tried again; a second failure shows the
    // index message. Returns whether the index is in use.
    bool switchIndex(const QString& name);
    // Writes committed rows to the disk; a failure shows the flush message.
    bool flushBuffers();
    // Packs the table, protected by the password when one is given. Throws
    // EEnhDBTblNotOpen / EEnhDBIncorrectType for the cases the caller must
    // handle; returns false when packing itself failed.
    bool packTable(const QString& password = {});
    // Deletes every row; when rows remain, says that another user interfered.
    bool emptyTable();

protected:
    Messages& messages() const;
    Messages* messages_ = nullptr;
};

class TTableNetWork;

// One per process: every 5 seconds it walks its 1000 slots and lets each
// registered table check for changes made by others.
class TNetTimer : public QObject {
public:
    static constexpr int kSlots = 1000;
    static constexpr int kInterval = 5000;

    static TNetTimer& instance();
    // Slot number for a table, -1 when all slots are taken.
    int take(TTableNetWork* table);
    void release(int slot);
    int usedSlots() const;
    // One walk over the slots (what the timer does every interval).
    void tick();
    bool isActive() const { return timer_.isActive(); }
    // True while a handler runs: handlers do not re-enter.
    bool busy = false;

private:
    TNetTimer();
    QTimer timer_;
    std::array<TTableNetWork*, kSlots> slots_{};
};

class TTableNetWork : public TTableEnhanced {
public:
    explicit TTableNetWork(Messages* messages = nullptr);
    ~TTableNetWork() override;

    void openTable(const QString& path, bool exclusive) override;
    void closeTable() override;

    int slot() const { return slot_; }
    // Raised after the table was refreshed because another connection changed it.
    std::function<void()> OnNetworkChenged;

    // The timer's handler: polls for changes and refreshes.
    void checkChanged();

private:
    int slot_ = -1;
    bool changed_ = false;
};

}  // namespace zb
