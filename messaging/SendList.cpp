#include "messaging/SendList.h"

#include <utility>

RecordSet MakeSendList()
{
    RecordSet list;
    list.appendField(QStringLiteral("GsmNo"), QMetaType::QString, kSendListNumberSize);
    list.appendField(QStringLiteral("Mesaj"), QMetaType::QString, kSendListMessageSize);
    return list;
}

namespace {
// The emptied storage of the last send list its thread let go. One model at a time takes it:
// a second model open meanwhile starts with storage of its own.
RecordSet &spareList()
{
    thread_local RecordSet spare = MakeSendList();
    return spare;
}
} // namespace

SendListModel::SendListModel(QObject *parent) : QAbstractTableModel(parent), m_list(MakeSendList())
{
    RecordSet &spare = spareList();
    if (spare.rowCapacity() > 0) std::swap(m_list, spare);
    m_flushTimer.setSingleShot(true);
    m_flushTimer.setInterval(kFlushIntervalMs);
    connect(&m_flushTimer, &QTimer::timeout, this, &SendListModel::flush);
}

SendListModel::~SendListModel()
{
    RecordSet &spare = spareList();
    if (m_list.rowCapacity() > spare.rowCapacity()) {
        m_list.clearKeepingStorage();
        std::swap(m_list, spare);
    }
}

void SendListModel::setDeferred(bool deferred)
{
    m_deferred = deferred;
    if (!deferred) flush();
}

void SendListModel::flush()
{
    m_flushTimer.stop();
    const int total = m_list.rowCount();
    if (total <= m_shown) return;
    beginInsertRows(QModelIndex(), m_shown, total - 1);
    m_shown = total;
    endInsertRows();
}

void SendListModel::appendRow(QStringView gsmNo, QStringView mesaj)
{
    // A refused row throws (the record set's own description) before the views hear of it,
    // so it leaves no trace in them.
    if (m_deferred || gsmNo.size() > kSendListNumberSize || mesaj.size() > kSendListMessageSize) {
        pushRow(gsmNo, mesaj);
        if (!m_flushTimer.isActive()) m_flushTimer.start();
        return;
    }
    flush();
    const int at = m_list.rowCount();
    beginInsertRows(QModelIndex(), at, at);
    pushRow(gsmNo, mesaj);
    m_shown = at + 1;
    endInsertRows();
}

void SendListModel::pushRow(QStringView gsmNo, QStringView mesaj)
{
    m_list.appendText(0, gsmNo);
    m_list.appendText(1, mesaj);
    m_list.endRow();
}

void SendListModel::removeRow(int row)
{
    flush();
    if (row < 0 || row >= m_list.rowCount()) return;
    beginRemoveRows(QModelIndex(), row, row);
    m_list.removeRow(row);
    m_shown = m_list.rowCount();
    endRemoveRows();
}

void SendListModel::clear()
{
    m_flushTimer.stop();
    beginResetModel();
    m_list.clear();
    m_shown = 0;
    endResetModel();
}

int SendListModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : m_shown; }

int SendListModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : m_list.fieldCount(); }

QVariant SendListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_shown || (role != Qt::DisplayRole && role != Qt::ToolTipRole)) return {};
    return m_list.value(index.row(), index.column()).toString();
}

QVariant SendListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal) return section < m_list.fieldCount() ? m_list.field(section).name : QVariant();
    return section + 1;
}
