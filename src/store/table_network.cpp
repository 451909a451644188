#include "store/table_network.h"

#include "core/ports.h"

#include <QFileInfo>

namespace zb {

namespace {
SilentMessages& quiet()
{
    static SilentMessages m;
    return m;
}
}  // namespace

TTableEnhanced::TTableEnhanced(Messages* messages) : messages_(messages) {}

Messages& TTableEnhanced::messages() const { return messages_ ? *messages_ : quiet(); }

void TTableEnhanced::openTable(const QString& path, bool exclusive)
{
    close();
    open(path, exclusive);
}

void TTableEnhanced::closeTable() { close(); }

TTableEnhanced::TableType TTableEnhanced::tableType() const
{
    const QString suffix = QFileInfo(path()).suffix().toUpper();
    if (suffix == QLatin1String("DBF"))
        return TableType::DBase;
    if (suffix == QLatin1String("TXT"))
        return TableType::Ascii;
    if (isOpen() || suffix == QLatin1String("DB"))
        return TableType::Paradox;
    return TableType::None;
}

QString TTableEnhanced::driverName() const
{
    switch (tableType()) {
    case TableType::Paradox:
        return QStringLiteral("PARADOX");
    case TableType::DBase:
        return QStringLiteral("DBASE");
    case TableType::Ascii:
        return QStringLiteral("ASCIIDRV");
    default:
        return QString();
    }
}

bool TTableEnhanced::switchIndex(const QString& name)
{
    // The engine orders rows by the primary index only; other indexes do not exist.
    auto usable = [&] { return name.isEmpty() || name.compare(primaryKey(), Qt::CaseInsensitive) == 0; };
    if (isOpen() && usable())
        return true;
    if (isOpen()) {
        const QString p = path();
        const bool ex = isExclusive();
        try {
            openTable(p, ex);
        } catch (const engine::EngineError&) {
        }
        if (isOpen() && usable())
            return true;
    }
    messages().warning(kIndexFailed);
    return false;
}

bool TTableEnhanced::flushBuffers()
{
    if (!isOpen())
        return true;
    try {
        flush();
        return true;
    } catch (const engine::EngineError&) {
        messages().warning(kFlushFailed);
        return false;
    }
}

bool TTableEnhanced::packTable(const QString& password)
{
    if (!isOpen())
        throw EEnhDBTblNotOpen(kPackNotOpen);
    const TableType type = tableType();
    if (type != TableType::Paradox && type != TableType::DBase)
        throw EEnhDBIncorrectType(kPackWrongType + driverName());
    if (type == TableType::DBase && !password.isEmpty())
        throw EEnhDBTblNotOpen(kPackDBasePassword);
    try {
        pack(password);
        return true;
    } catch (const engine::EngineError&) {
        return false;
    }
}

bool TTableEnhanced::emptyTable()
{
    if (!isOpen())
        return false;
    try {
        if (rowCount() > 0)
            empty();
    } catch (const engine::EngineError&) {
        // Row by row, as far as it goes.
        try {
            while (first())
                remove();
        } catch (const engine::EngineError&) {
        }
    }
    bool left = true;
    try {
        left = rowCount() > 0;
    } catch (const engine::EngineError&) {
    }
    if (left)
        messages().information(kEmptyConflict);
    return !left;
}

// --- TNetTimer ---

TNetTimer::TNetTimer()
{
    timer_.setInterval(kInterval);
    QObject::connect(&timer_, &QTimer::timeout, this, [this] { tick(); });
}

TNetTimer& TNetTimer::instance()
{
    static TNetTimer* t = new TNetTimer;  // lives as long as the process
    return *t;
}

int TNetTimer::take(TTableNetWork* table)
{
    for (int i = 0; i < kSlots; ++i)
        if (!slots_[i]) {
            slots_[i] = table;
            if (!timer_.isActive())
                timer_.start();
            return i;
        }
    return -1;
}

void TNetTimer::release(int slot)
{
    if (slot >= 0 && slot < kSlots)
        slots_[slot] = nullptr;
}

int TNetTimer::usedSlots() const
{
    int n = 0;
    for (TTableNetWork* t : slots_)
        n += t ? 1 : 0;
    return n;
}

void TNetTimer::tick()
{
    for (int i = 0; i < kSlots; ++i)
        if (slots_[i])
            slots_[i]->checkChanged();
}

// --- TTableNetWork ---

TTableNetWork::TTableNetWork(Messages* messages) : TTableEnhanced(messages) {}

TTableNetWork::~TTableNetWork() { closeTable(); }

void TTableNetWork::openTable(const QString& path, bool exclusive)
{
    closeTable();
    TTableEnhanced::openTable(path, exclusive);
    slot_ = TNetTimer::instance().take(this);
    if (slot_ < 0)
        messages().beep();  // works on, without notification
    changed_ = false;
    pollChanged();  // start from the current version
}

void TTableNetWork::closeTable()
{
    TNetTimer::instance().release(slot_);
    slot_ = -1;
    TTableEnhanced::closeTable();
}

void TTableNetWork::checkChanged()
{
    TNetTimer& timer = TNetTimer::instance();
    if (timer.busy || !isOpen())
        return;
    timer.busy = true;
    try {
        if (pollChanged())
            changed_ = true;
        if (changed_) {
            refresh();
            if (OnNetworkChenged)
                OnNetworkChenged();
        }
        changed_ = false;
    } catch (...) {
        // Tried again on the next tick.
    }
    timer.busy = false;
}

}  // namespace zb
