#pragma once

// In-memory record set: typed fields, QVariant rows, an optional filter predicate over the
// rows. The basket of the gateway client, the send list, the recipient grids and the
// spreadsheet export all work on it.

#include <QAbstractTableModel>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <functional>
#include <vector>

struct RecordField {
    QString name;
    QMetaType::Type type = QMetaType::QString;
    int size = 0; // longest text a QString field takes; 0 = no limit
};

using RecordRow = QVector<QVariant>;

class RecordSet {
public:
    using Predicate = std::function<bool(const RecordRow &)>;

    RecordSet() = default;
    explicit RecordSet(QVector<RecordField> fields);

    void appendField(const QString &name, QMetaType::Type type = QMetaType::QString, int size = 0);
    int fieldCount() const { return int(m_fields.size()); }
    const RecordField &field(int i) const { return m_fields.at(i); }
    const QVector<RecordField> &fields() const { return m_fields; }
    // Case-insensitive, like field names in the original record sets; -1 when absent.
    int fieldIndex(const QString &name) const;
    QStringList fieldNames() const;

    // Adds a row; a text longer than its field's size is refused with OrvekError and nothing
    // is added. Missing trailing values are Null.
    void addRow(RecordRow values);
    // Inserts rows before the row at sourcePos of the unfiltered rows (totalRowCount() appends),
    // with the checks of addRow; a filter keeps the rows it lets through.
    void insertRows(int sourcePos, QVector<RecordRow> rows);
    void reserve(int rows) { m_rows.reserve(size_t(rows)); }

    // Rows seen through the filter.
    int rowCount() const { return m_filtered ? int(m_visible.size()) : int(m_rows.size()); }
    int totalRowCount() const { return int(m_rows.size()); }
    const RecordRow &row(int visibleRow) const { return m_rows[size_t(sourceRow(visibleRow))]; }
    QVariant value(int visibleRow, int column) const { return row(visibleRow).value(column); }
    QVariant value(int visibleRow, const QString &fieldName) const;
    void setValue(int visibleRow, int column, const QVariant &v);
    void removeRow(int visibleRow);
    void clear();

    void setFilter(Predicate predicate);
    void clearFilter();
    bool isFiltered() const { return m_filtered; }

    int sourceRow(int visibleRow) const { return m_filtered ? m_visible[size_t(visibleRow)] : visibleRow; }

private:
    void checkSize(int column, const QVariant &v) const;

    QVector<RecordField> m_fields;
    std::vector<RecordRow> m_rows;
    std::vector<int> m_visible;
    Predicate m_predicate;
    bool m_filtered = false;
};

// A read-only table model over a RecordSet for grids. Call reset() after the set changes.
class RecordSetModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit RecordSetModel(QObject *parent = nullptr);
    void setRecordSet(const RecordSet *set);
    const RecordSet *recordSet() const { return m_set; }
    void reset();
    // Column titles shown instead of the field names; a missing or empty title shows the name.
    void setColumnCaptions(const QStringList &captions);
    // Around a change that adds `count` rows before visible row `first`, so the views keep
    // their current row and selection instead of being reset.
    void beginInsert(int first, int count) { beginInsertRows(QModelIndex(), first, first + count - 1); }
    void endInsert() { endInsertRows(); }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    const RecordSet *m_set = nullptr;
    QStringList m_captions;
};
