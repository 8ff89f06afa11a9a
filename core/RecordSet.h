#pragma once

// In-memory record set: typed fields, rows of QVariant values, an optional filter predicate
// over the rows. The basket of the gateway client, the send list, the recipient grids and the
// spreadsheet export all work on it.
//
// The values are held by column: dates as day numbers, numbers as doubles, texts as the
// QStrings they came as or, when loaded cell by cell, in shared text blocks; each cell has a
// small tag (value, null of the field's type, no value). A value of another type than its
// field's makes that one column hold QVariants. Reading a cell gives the QVariant that was
// stored (a text from a block shares the block's memory, without copying it).

#include <QAbstractTableModel>
#include <QDate>
#include <QMetaType>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QVariant>
#include <QVector>
#include <deque>
#include <functional>
#include <initializer_list>
#include <iterator>
#include <vector>

struct RecordField {
    QString name;
    QMetaType::Type type = QMetaType::QString;
    int size = 0; // longest text a QString field takes; 0 = no limit
};

class RecordSet;

// A row of values, used like QVector<QVariant>. RecordSet::row() gives a view of one row of
// the set (read cell by cell, valid while the set keeps its rows); a copy of a view, and any
// change through it, holds values of its own, so the set never changes through a row.
class RecordRow {
public:
    RecordRow() = default;
    explicit RecordRow(qsizetype n) : m_values(n) {}
    RecordRow(std::initializer_list<QVariant> values) : m_values(values) {}
    RecordRow(QVector<QVariant> values) : m_values(std::move(values)) {}
    RecordRow(const RecordRow &other);
    RecordRow(RecordRow &&other) noexcept = default;
    RecordRow &operator=(const RecordRow &other);
    RecordRow &operator=(RecordRow &&other) noexcept = default;

    qsizetype size() const;
    qsizetype count() const { return size(); }
    bool isEmpty() const { return size() == 0; }
    QVariant at(qsizetype i) const;
    QVariant operator[](qsizetype i) const { return at(i); }
    QVariant &operator[](qsizetype i);
    QVariant value(qsizetype i, const QVariant &fallback = QVariant()) const;

    void resize(qsizetype n);
    void reserve(qsizetype n) { own().reserve(n); }
    void append(const QVariant &v) { own().append(v); }
    void push_back(const QVariant &v) { own().append(v); }
    RecordRow &operator<<(const QVariant &v)
    {
        own().append(v);
        return *this;
    }
    QVector<QVariant> toVector() const;
    // The characters of cell i when it is a text held where a view can point (see
    // RecordSet::sourceTextView): true with `text` set, else false (read it with at()).
    bool textView(qsizetype i, QStringView &text) const;

    class const_iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = QVariant;
        using difference_type = qsizetype;
        using pointer = void;
        using reference = QVariant;
        const_iterator(const RecordRow *row, qsizetype i) : m_row(row), m_i(i) {}
        QVariant operator*() const { return m_row->at(m_i); }
        const_iterator &operator++()
        {
            ++m_i;
            return *this;
        }
        bool operator==(const const_iterator &o) const { return m_i == o.m_i; }
        bool operator!=(const const_iterator &o) const { return m_i != o.m_i; }

    private:
        const RecordRow *m_row;
        qsizetype m_i;
    };
    const_iterator begin() const { return const_iterator(this, 0); }
    const_iterator end() const { return const_iterator(this, size()); }

private:
    friend class RecordSet;
    RecordRow(const RecordSet *set, int sourceRow) : m_set(set), m_row(sourceRow) {}
    QVector<QVariant> &own();

    QVector<QVariant> m_values;
    const RecordSet *m_set = nullptr; // a view of this set's row m_row
    int m_row = -1;
};

bool operator==(const RecordRow &a, const RecordRow &b);
inline bool operator!=(const RecordRow &a, const RecordRow &b) { return !(a == b); }

class RecordSet {
public:
    using Predicate = std::function<bool(const RecordRow &)>;

    RecordSet() = default;
    explicit RecordSet(QVector<RecordField> fields);
    // A copy holds the same values and writes new texts into blocks of its own.
    RecordSet(const RecordSet &other);
    RecordSet &operator=(const RecordSet &other);
    // The moved-from set is empty.
    RecordSet(RecordSet &&other) noexcept;
    RecordSet &operator=(RecordSet &&other) noexcept;
    ~RecordSet();

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
    void reserve(int rows);

    // Rows seen through the filter.
    int rowCount() const { return m_filtered ? int(m_visible.size()) : m_rowCount; }
    int totalRowCount() const { return m_rowCount; }
    // A view of the row (see RecordRow); a copy of it keeps its values.
    RecordRow row(int visibleRow) const { return RecordRow(this, sourceRow(visibleRow)); }
    QVariant value(int visibleRow, int column) const;
    QVariant value(int visibleRow, const QString &fieldName) const;
    // value(visibleRow, column).toString() without a QVariant for a cell of a text column
    // (a text from a block shares the block).
    QString text(int visibleRow, int column) const;
    void setValue(int visibleRow, int column, const QVariant &v);
    void removeRow(int visibleRow);
    void clear();
    // Empties the set as clear() does (a filter stays) and keeps its storage for the rows that
    // follow: the room of its columns, and every text block that no text handed out shares any
    // more (a shared one is let go, so a text read before never changes). A set filled again
    // and again writes into memory it already has instead of fresh pages.
    void clearKeepingStorage();
    // Rows the columns have room for (reserve() or rows held before).
    size_t rowCapacity() const;

    void setFilter(Predicate predicate);
    void clearFilter();
    bool isFiltered() const { return m_filtered; }

    int sourceRow(int visibleRow) const { return m_filtered ? m_visible[size_t(visibleRow)] : visibleRow; }

    // The value at an unfiltered row; a column past the fields gives a null QVariant.
    QVariant sourceValue(int sourceRow, int column) const;
    // The characters of a text cell at an unfiltered row, without a QVariant or a reference
    // count: true with `text` set (empty for a Null or empty text) when the column holds only
    // texts, false when the cell must be read through sourceValue. The view is valid while the
    // set keeps the row.
    bool sourceTextView(int sourceRow, int column, QStringView &text) const;

    // Adding many rows cell by cell, without a QVariant per cell (loaders): the cells of one
    // row in field order, then endRow(). A text longer than its field's size throws OrvekError
    // and drops the cells of the unfinished row.
    void appendText(int column, QStringView text);        // copied into the set's text blocks
    void appendHeldText(int column, const QString &text); // kept as it is (shared)
    void appendNull(int column);                          // null of the field's type
    void appendValue(int column, const QVariant &v);
    void endRow();

private:
    enum class Kind : quint8 { Text, Date, Double, Generic };
    enum Tag : quint8 { TagValue, TagTypedNull, TagInvalid, TagNullText };
    // A text in m_blocks, or (block kHeld) the QString m_held[offset].
    struct TextRef {
        quint32 block, offset, length;
    };
    static constexpr quint32 kHeld = 0xFFFFFFFFu;
    struct Column {
        Kind kind = Kind::Generic;
        QMetaType::Type type = QMetaType::QString;
        std::vector<quint8> tags;     // all but Generic
        std::vector<TextRef> texts;   // Text
        std::vector<qint64> days;     // Date (Julian day)
        std::vector<double> numbers;  // Double
        std::vector<QVariant> values; // Generic
        // A column whose cells so far are all one tag other than TagValue holds only their
        // count (fields no row fills take no memory); the first other cell spreads it out.
        bool uniform = true;
        Tag uniformTag = TagInvalid;
        size_t uniformCount = 0;
        size_t reserved = 0; // rows reserve() asked room for while the column was uniform
        size_t size() const
        {
            if (kind == Kind::Generic) return values.size();
            return uniform ? uniformCount : tags.size();
        }
    };

    static Column makeColumn(QMetaType::Type type);
    void checkSize(int column, const QVariant &v) const;
    void checkTextSize(int column, qsizetype length); // drops the unfinished row when too long
    void abandonRow();                                // drops the cells of the unfinished row
    void checkRow(const RecordRow &values) const;
    QVariant cell(const Column &c, size_t row) const;
    void pushCell(int column, const QVariant &v);
    void putCell(int column, size_t row, const QVariant &v);
    bool fitsNatively(const Column &c, const QVariant &v) const;
    void makeGeneric(Column &c);
    static void spreadOut(Column &c);
    static void pushTag(Column &c, Tag t);
    TextRef storeText(QStringView text);
    TextRef holdText(const QString &text, const TextRef *previous = nullptr);
    QString textOf(const TextRef &r) const;
    QStringView blockText(const TextRef &r) const; // r in m_blocks
    void popCells(int fromRow);
    void forgetRows(); // the rows' texts and counts, for clear() and clearKeepingStorage()
    void appendRowValues(const RecordRow &values);
    // Whether rows of `other` fit here cell for cell (the same types and limits, in order).
    bool sameCells(const RecordSet &other) const;
    void copyRowOf(const RecordSet &source, size_t row);
    void swap(RecordSet &other) noexcept;

    QVector<RecordField> m_fields;
    std::vector<Column> m_columns;
    std::vector<QString> m_blocks; // text storage, shared with the texts handed out
    std::deque<QString> m_held;    // texts added as QStrings, held as they came (kHeld)
    // Emptied blocks of this set's own (clearKeepingStorage), by growing size: a new block is
    // one of them when one is large enough. Never shared, never copied with the set.
    std::vector<QString> m_spareBlocks;
    qsizetype m_blockUsed = 0;     // characters used in the last block
    bool m_blockSealed = false;    // the last block is shared with a copy: write a new one
    int m_rowCount = 0;
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
