#include "reports/ReportDataControl.h"

#include "core/RecordFilter.h"

ReportGridModel::ReportGridModel(const RecordSet *set, QObject *parent) : QAbstractTableModel(parent), m_set(set)
{
    m_rows = m_set->rowCount();
    m_columns = m_set->fieldCount();
}

void ReportGridModel::setHeaders(const QStringList &headers)
{
    m_headers = headers;
    if (m_columns > 0) emit headerDataChanged(Qt::Horizontal, 0, m_columns - 1);
}

void ReportGridModel::reset()
{
    beginResetModel();
    m_rows = m_set->rowCount();
    m_columns = m_set->fieldCount();
    endResetModel();
}

void ReportGridModel::catchUp()
{
    const int rows = m_set->rowCount();
    if (rows < m_rows || m_set->fieldCount() != m_columns) {
        reset();
        return;
    }
    if (rows == m_rows) return;
    beginInsertRows(QModelIndex(), m_rows, rows - 1);
    m_rows = rows;
    endInsertRows();
}

int ReportGridModel::rowCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : m_rows; }

int ReportGridModel::columnCount(const QModelIndex &parent) const { return parent.isValid() ? 0 : m_columns; }

QVariant ReportGridModel::data(const QModelIndex &index, int role) const
{
    if (role != Qt::DisplayRole || !index.isValid() || index.row() >= m_rows || index.column() >= m_columns ||
        index.row() >= m_set->rowCount() || index.column() >= m_set->fieldCount())
        return {};
    const QVariant v = m_set->value(index.row(), index.column());
    return v.isNull() ? QVariant(QString()) : v;
}

QVariant ReportGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole) return {};
    if (orientation == Qt::Vertical) return section + 1;
    if (section < 0 || section >= m_columns) return {};
    const QString title = m_headers.value(section);
    return title.isEmpty() ? m_set->field(section).name : title;
}

ReportDataControl::ReportDataControl(QObject *parent) : QObject(parent) {}

ReportGridModel *ReportDataControl::addGrid()
{
    auto *model = new ReportGridModel(&m_set, this);
    m_models.push_back(model);
    return model;
}

void ReportDataControl::replace(const QVector<RecordField> &fields)
{
    m_set = RecordSet(fields);
    resetGrids();
}

void ReportDataControl::append(RecordRow row) { m_set.addRow(std::move(row)); }

void ReportDataControl::catchUp()
{
    for (ReportGridModel *m : m_models) m->catchUp();
}

void ReportDataControl::setFilterText(const QString &text)
{
    SetFilterText(m_set, text);
    resetGrids();
}

void ReportDataControl::resetGrids()
{
    for (ReportGridModel *m : m_models) m->reset();
}
