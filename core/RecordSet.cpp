#include "core/RecordSet.h"

#include "core/OrvekError.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <iterator>

RecordSet::RecordSet(QVector<RecordField> fields) : m_fields(std::move(fields)) {}

void RecordSet::appendField(const QString &name, QMetaType::Type type, int size)
{
    m_fields.append(RecordField{name, type, size});
}

int RecordSet::fieldIndex(const QString &name) const
{
    for (int i = 0; i < m_fields.size(); ++i)
        if (m_fields[i].name.compare(name, Qt::CaseInsensitive) == 0) return i;
    return -1;
}

QStringList RecordSet::fieldNames() const
{
    QStringList names;
    for (const RecordField &f : m_fields) names << f.name;
    return names;
}

void RecordSet::checkSize(int column, const QVariant &v) const
{
    const RecordField &f = m_fields.at(column);
    if (f.size > 0 && !v.isNull() && v.toString().size() > f.size)
        throw OrvekError(QStringLiteral("%1 alanına en çok %2 karakter yazılabilir.").arg(f.name).arg(f.size));
}

void RecordSet::addRow(RecordRow values)
{
    if (values.size() > m_fields.size()) throw OrvekError(QStringLiteral("Satırda alan sayısından fazla değer var."));
    for (int i = 0; i < values.size(); ++i) checkSize(i, values[i]);
    values.resize(m_fields.size());
    m_rows.push_back(std::move(values));
    if (m_filtered && m_predicate(m_rows.back())) m_visible.push_back(int(m_rows.size()) - 1);
}

void RecordSet::insertRows(int sourcePos, QVector<RecordRow> rows)
{
    if (sourcePos < 0 || sourcePos > int(m_rows.size())) throw OrvekError(QStringLiteral("Geçersiz satır konumu."));
    for (RecordRow &values : rows) {
        if (values.size() > m_fields.size())
            throw OrvekError(QStringLiteral("Satırda alan sayısından fazla değer var."));
        for (int i = 0; i < values.size(); ++i) checkSize(i, values[i]);
        values.resize(m_fields.size());
    }
    const int n = int(rows.size());
    m_rows.insert(m_rows.begin() + sourcePos, std::make_move_iterator(rows.begin()),
                  std::make_move_iterator(rows.end()));
    if (!m_filtered) return;
    std::vector<int> visible;
    visible.reserve(m_visible.size() + size_t(n));
    size_t k = 0;
    for (; k < m_visible.size() && m_visible[k] < sourcePos; ++k) visible.push_back(m_visible[k]);
    for (int i = sourcePos; i < sourcePos + n; ++i)
        if (m_predicate(m_rows[size_t(i)])) visible.push_back(i);
    for (; k < m_visible.size(); ++k) visible.push_back(m_visible[k] + n);
    m_visible = std::move(visible);
}

QVariant RecordSet::value(int visibleRow, const QString &fieldName) const
{
    const int c = fieldIndex(fieldName);
    if (c < 0) throw OrvekError(QStringLiteral("Alan bulunamadı: %1").arg(fieldName));
    return value(visibleRow, c);
}

void RecordSet::setValue(int visibleRow, int column, const QVariant &v)
{
    checkSize(column, v);
    m_rows[size_t(sourceRow(visibleRow))][column] = v;
}

void RecordSet::removeRow(int visibleRow)
{
    const int src = sourceRow(visibleRow);
    m_rows.erase(m_rows.begin() + src);
    if (m_filtered) {
        m_visible.erase(m_visible.begin() + visibleRow);
        for (int &i : m_visible)
            if (i > src) --i;
    }
}

void RecordSet::clear()
{
    m_rows.clear();
    m_visible.clear();
}

void RecordSet::setFilter(Predicate predicate)
{
    std::vector<int> visible;
    visible.reserve(m_rows.size());
    for (size_t i = 0; i < m_rows.size(); ++i)
        if (predicate(m_rows[i])) visible.push_back(int(i));
    m_predicate = std::move(predicate);
    m_visible = std::move(visible);
    m_filtered = true;
}

void RecordSet::clearFilter()
{
    m_predicate = nullptr;
    m_visible.clear();
    m_filtered = false;
}

RecordSetModel::RecordSetModel(QObject *parent) : QAbstractTableModel(parent) {}

void RecordSetModel::setRecordSet(const RecordSet *set)
{
    beginResetModel();
    m_set = set;
    endResetModel();
}

void RecordSetModel::reset()
{
    beginResetModel();
    endResetModel();
}

void RecordSetModel::setColumnCaptions(const QStringList &captions)
{
    m_captions = captions;
    if (columnCount() > 0) emit headerDataChanged(Qt::Horizontal, 0, columnCount() - 1);
}

int RecordSetModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_set ? 0 : m_set->rowCount();
}

int RecordSetModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_set ? 0 : m_set->fieldCount();
}

QVariant RecordSetModel::data(const QModelIndex &index, int role) const
{
    if (!m_set || !index.isValid() || role != Qt::DisplayRole) return {};
    const QVariant v = m_set->value(index.row(), index.column());
    if (v.isNull()) return QString();
    switch (v.typeId()) {
    case QMetaType::QDate:
        return v.toDate().toString(QStringLiteral("dd.MM.yyyy"));
    case QMetaType::QDateTime:
        return v.toDateTime().toString(QStringLiteral("dd.MM.yyyy HH:mm:ss"));
    case QMetaType::Double:
        return QLocale(QLocale::Turkish, QLocale::Turkey).toString(v.toDouble(), 'f', 2);
    default:
        return v;
    }
}

QVariant RecordSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || !m_set) return {};
    if (orientation == Qt::Horizontal && section < m_set->fieldCount())
        return section < m_captions.size() && !m_captions[section].isEmpty() ? m_captions[section]
                                                                             : m_set->field(section).name;
    if (orientation == Qt::Vertical) return section + 1;
    return {};
}
