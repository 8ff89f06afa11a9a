#include "core/SendList.h"

RecordSet MakeSendList()
{
    RecordSet list;
    list.appendField(QStringLiteral("GsmNo"), QMetaType::QString, kSendListNumberSize);
    list.appendField(QStringLiteral("Mesaj"), QMetaType::QString, kSendListMessageSize);
    return list;
}

SendListModel::SendListModel(QObject *parent) : QAbstractTableModel(parent), m_list(MakeSendList()) {}

void SendListModel::appendRow(const QString &gsmNo, const QString &mesaj)
{
    // Checked before the views hear of a row, so a refused row leaves no trace in them.
    if (gsmNo.size() > kSendListNumberSize || mesaj.size() > kSendListMessageSize) {
        m_list.addRow({gsmNo, mesaj}); // refused: throws the record set's own description
        return;
    }
    const int at = m_list.rowCount();
    beginInsertRows(QModelIndex(), at, at);
    m_list.addRow({gsmNo, mesaj});
    endInsertRows();
}

void SendListModel::removeRow(int row)
{
    if (row < 0 || row >= m_list.rowCount()) return;
    beginRemoveRows(QModelIndex(), row, row);
    m_list.removeRow(row);
    endRemoveRows();
}

void SendListModel::clear()
{
    beginResetModel();
    m_list.clear();
    endResetModel();
}

int SendListModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_list.rowCount();
}

int SendListModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_list.fieldCount();
}

QVariant SendListModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole)) return {};
    return m_list.value(index.row(), index.column()).toString();
}

QVariant SendListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Horizontal) return section < m_list.fieldCount() ? m_list.field(section).name : QVariant();
    return section + 1;
}
