#include "core/RecordSet.h"

#include "core/OrvekError.h"

#include <QDate>
#include <QDateTime>
#include <QLocale>
#include <algorithm>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <sys/mman.h>

namespace {
// Text blocks grow from small (small sets stay small) to this many characters (8 MiB).
constexpr qsizetype kFirstBlock = 512;
constexpr qsizetype kLargestBlock = qsizetype(1) << 22;

// A large block is written once, text after text: the system is asked for huge pages for the
// whole 2 MiB pages inside it, so filling it costs one page fault per 2 MiB instead of one per
// 4 KiB (on a virtual machine each fault is dear). Only advice: nothing changes if the system
// keeps to small pages.
void adviseHugePages(const void *data, size_t bytes)
{
    constexpr uintptr_t kHugePage = uintptr_t(2) << 20;
    const uintptr_t from = (uintptr_t(data) + kHugePage - 1) & ~(kHugePage - 1);
    const uintptr_t to = (uintptr_t(data) + bytes) & ~(kHugePage - 1);
    if (to > from) madvise(reinterpret_cast<void *>(from), size_t(to - from), MADV_HUGEPAGE);
}
} // namespace

// ---- RecordRow ------------------------------------------------------------------------------

RecordRow::RecordRow(const RecordRow &other) : m_values(other.toVector()) {}

RecordRow &RecordRow::operator=(const RecordRow &other)
{
    if (this != &other) {
        QVector<QVariant> values = other.toVector();
        m_values = std::move(values);
        m_set = nullptr;
        m_row = -1;
    }
    return *this;
}

qsizetype RecordRow::size() const { return m_set ? m_set->fieldCount() : m_values.size(); }

bool RecordRow::textView(qsizetype i, QStringView &text) const
{
    if (m_set) return m_set->sourceTextView(m_row, int(i), text);
    if (i < 0 || i >= m_values.size() || m_values[i].typeId() != QMetaType::QString) return false;
    text = *static_cast<const QString *>(m_values[i].constData());
    return true;
}

QVariant RecordRow::at(qsizetype i) const
{
    if (m_set) return m_set->sourceValue(m_row, int(i));
    return m_values.at(i);
}

QVariant RecordRow::value(qsizetype i, const QVariant &fallback) const
{
    if (i < 0 || i >= size()) return fallback;
    return at(i);
}

QVector<QVariant> RecordRow::toVector() const
{
    if (!m_set) return m_values;
    QVector<QVariant> out;
    const int n = m_set->fieldCount();
    out.reserve(n);
    for (int c = 0; c < n; ++c) out.append(m_set->sourceValue(m_row, c));
    return out;
}

QVector<QVariant> &RecordRow::own()
{
    if (m_set) {
        m_values = toVector();
        m_set = nullptr;
        m_row = -1;
    }
    return m_values;
}

QVariant &RecordRow::operator[](qsizetype i) { return own()[i]; }

void RecordRow::resize(qsizetype n) { own().resize(n); }

bool operator==(const RecordRow &a, const RecordRow &b)
{
    const qsizetype n = a.size();
    if (n != b.size()) return false;
    for (qsizetype i = 0; i < n; ++i)
        if (a.at(i) != b.at(i)) return false;
    return true;
}

// ---- RecordSet: columns -----------------------------------------------------------------------

RecordSet::Column RecordSet::makeColumn(QMetaType::Type type)
{
    Column c;
    c.type = type;
    switch (type) {
    case QMetaType::QString:
        c.kind = Kind::Text;
        break;
    case QMetaType::QDate:
        c.kind = Kind::Date;
        break;
    case QMetaType::Double:
        c.kind = Kind::Double;
        break;
    default:
        c.kind = Kind::Generic;
        c.uniform = false;
        break;
    }
    return c;
}

void RecordSet::spreadOut(Column &c)
{
    if (!c.uniform) return;
    const size_t n = c.uniformCount;
    if (c.reserved > n) {
        c.tags.reserve(c.reserved);
        if (c.kind == Kind::Text) c.texts.reserve(c.reserved);
        if (c.kind == Kind::Date) c.days.reserve(c.reserved);
        if (c.kind == Kind::Double) c.numbers.reserve(c.reserved);
    }
    c.tags.assign(n, c.uniformTag);
    if (c.kind == Kind::Text) c.texts.resize(n);
    if (c.kind == Kind::Date) c.days.resize(n);
    if (c.kind == Kind::Double) c.numbers.resize(n);
    c.uniform = false;
    c.uniformCount = 0;
}

void RecordSet::pushTag(Column &c, Tag t)
{
    if (c.uniform) {
        if (c.uniformCount == 0) c.uniformTag = t;
        if (c.uniformTag == t) {
            ++c.uniformCount;
            return;
        }
        spreadOut(c);
    }
    c.tags.push_back(t);
    switch (c.kind) {
    case Kind::Text:
        c.texts.push_back(TextRef{0, 0, 0});
        break;
    case Kind::Date:
        c.days.push_back(0);
        break;
    case Kind::Double:
        c.numbers.push_back(0);
        break;
    case Kind::Generic:
        break;
    }
}

RecordSet::RecordSet(QVector<RecordField> fields) : m_fields(std::move(fields))
{
    m_columns.reserve(size_t(m_fields.size()));
    for (const RecordField &f : m_fields) m_columns.push_back(makeColumn(f.type));
}

RecordSet::RecordSet(const RecordSet &other)
    : m_fields(other.m_fields), m_columns(other.m_columns), m_blocks(other.m_blocks), m_held(other.m_held),
      m_blockUsed(other.m_blockUsed), m_blockSealed(true), m_rowCount(other.m_rowCount), m_visible(other.m_visible),
      m_predicate(other.m_predicate), m_filtered(other.m_filtered)
{}

RecordSet &RecordSet::operator=(const RecordSet &other)
{
    if (this != &other) {
        RecordSet copy(other);
        *this = std::move(copy);
    }
    return *this;
}

RecordSet::RecordSet(RecordSet &&other) noexcept { swap(other); }

RecordSet &RecordSet::operator=(RecordSet &&other) noexcept
{
    if (this != &other) {
        RecordSet taken;
        taken.swap(other);
        swap(taken);
    }
    return *this;
}

void RecordSet::swap(RecordSet &other) noexcept
{
    std::swap(m_fields, other.m_fields);
    std::swap(m_columns, other.m_columns);
    std::swap(m_blocks, other.m_blocks);
    std::swap(m_held, other.m_held);
    std::swap(m_spareBlocks, other.m_spareBlocks);
    std::swap(m_blockUsed, other.m_blockUsed);
    std::swap(m_blockSealed, other.m_blockSealed);
    std::swap(m_rowCount, other.m_rowCount);
    std::swap(m_visible, other.m_visible);
    std::swap(m_predicate, other.m_predicate);
    std::swap(m_filtered, other.m_filtered);
}

RecordSet::~RecordSet() = default;

void RecordSet::appendField(const QString &name, QMetaType::Type type, int size)
{
    m_fields.append(RecordField{name, type, size});
    Column c = makeColumn(type);
    // The rows already held have no value in it.
    if (c.kind == Kind::Generic)
        c.values.resize(size_t(m_rowCount));
    else
        c.uniformCount = size_t(m_rowCount);
    m_columns.push_back(std::move(c));
}

RecordSet::TextRef RecordSet::storeText(QStringView text)
{
    const qsizetype need = text.size() + 1; // with the terminating zero QString expects
    qsizetype capacity = m_blocks.empty() ? 0 : m_blocks.back().size();
    if (m_blocks.empty() || m_blockSealed || m_blockUsed + need > capacity) {
        qsizetype next = m_blocks.empty() ? kFirstBlock : qMin(capacity * 2, kLargestBlock);
        if (next < need) next = need;
        // The smallest spare block of at least that size, else a new one.
        const auto spare =
            std::lower_bound(m_spareBlocks.begin(), m_spareBlocks.end(), next,
                             [](const QString &block, qsizetype size) { return block.size() < size; });
        if (spare != m_spareBlocks.end()) {
            next = spare->size();
            m_blocks.push_back(std::move(*spare));
            m_spareBlocks.erase(spare);
        } else {
            m_blocks.emplace_back(next, Qt::Uninitialized);
            adviseHugePages(m_blocks.back().constData(), size_t(next) * sizeof(char16_t));
        }
        m_blockUsed = 0;
        m_blockSealed = false;
        capacity = next;
    }
    // The block's characters past m_blockUsed belong to no text yet, so writing them does not
    // change a text that shares the block.
    auto *base = const_cast<char16_t *>(reinterpret_cast<const char16_t *>(m_blocks.back().constData()));
    char16_t *at = base + m_blockUsed;
    if (!text.isEmpty()) memcpy(at, text.utf16(), size_t(text.size()) * sizeof(char16_t));
    at[text.size()] = u'\0';
    const TextRef r{quint32(m_blocks.size() - 1), quint32(m_blockUsed), quint32(text.size())};
    m_blockUsed += need;
    return r;
}

RecordSet::TextRef RecordSet::holdText(const QString &text, const TextRef *previous)
{
    // A text that comes as a QString is kept as it is (shared, not copied); a cell that held
    // one reuses its place.
    if (previous && previous->block == kHeld) {
        m_held[previous->offset] = text;
        return *previous;
    }
    m_held.push_back(text);
    return TextRef{kHeld, quint32(m_held.size() - 1), quint32(text.size())};
}

QStringView RecordSet::blockText(const TextRef &r) const
{
    return QStringView(reinterpret_cast<const char16_t *>(m_blocks[r.block].constData()) + r.offset,
                       qsizetype(r.length));
}

QString RecordSet::textOf(const TextRef &r) const
{
    if (r.block == kHeld) return m_held[r.offset];
    // A QString over the block's characters, sharing (and keeping) the block; changing it
    // makes it copy them first, as with any shared QString.
    QString::DataPointer d = m_blocks[r.block].data_ptr();
    d.setBegin(d.data() + r.offset);
    d.size = qsizetype(r.length);
    return QString(std::move(d));
}

QVariant RecordSet::cell(const Column &c, size_t row) const
{
    if (c.kind == Kind::Generic) return c.values[row];
    switch (c.uniform ? c.uniformTag : Tag(c.tags[row])) {
    case TagInvalid:
        return QVariant();
    case TagTypedNull:
        return QVariant(QMetaType(c.type));
    case TagNullText:
        return QVariant(QString());
    default:
        break;
    }
    switch (c.kind) {
    case Kind::Text:
        return QVariant(textOf(c.texts[row]));
    case Kind::Date:
        return QVariant(QDate::fromJulianDay(c.days[row]));
    case Kind::Double:
        return QVariant(c.numbers[row]);
    case Kind::Generic:
        break;
    }
    return QVariant();
}

bool RecordSet::fitsNatively(const Column &c, const QVariant &v) const
{
    if (c.kind == Kind::Generic) return false;
    return !v.isValid() || v.typeId() == int(c.type);
}

void RecordSet::makeGeneric(Column &c)
{
    if (c.kind == Kind::Generic) return;
    std::vector<QVariant> values;
    const size_t n = c.size();
    values.reserve(std::max({c.tags.capacity(), c.reserved, n}));
    for (size_t i = 0; i < n; ++i) values.push_back(cell(c, i));
    c.values = std::move(values);
    c.kind = Kind::Generic;
    c.uniform = false;
    c.uniformCount = 0;
    c.tags = {};
    c.texts = {};
    c.days = {};
    c.numbers = {};
}

void RecordSet::pushCell(int column, const QVariant &v)
{
    Column &c = m_columns[size_t(column)];
    if (!fitsNatively(c, v)) makeGeneric(c);
    if (c.kind == Kind::Generic) {
        c.values.push_back(v);
        return;
    }
    if (!v.isValid()) return pushTag(c, TagInvalid);
    if (v.isNull()) return pushTag(c, TagTypedNull);
    spreadOut(c);
    switch (c.kind) {
    case Kind::Text: {
        const QString &s = *static_cast<const QString *>(v.constData());
        if (s.isNull()) return pushTag(c, TagNullText);
        const TextRef r = holdText(s);
        c.texts.push_back(r);
        c.tags.push_back(TagValue);
        return;
    }
    case Kind::Date:
        c.days.push_back(static_cast<const QDate *>(v.constData())->toJulianDay());
        c.tags.push_back(TagValue);
        return;
    case Kind::Double:
        c.numbers.push_back(*static_cast<const double *>(v.constData()));
        c.tags.push_back(TagValue);
        return;
    case Kind::Generic:
        break;
    }
}

void RecordSet::putCell(int column, size_t row, const QVariant &v)
{
    Column &c = m_columns[size_t(column)];
    if (!fitsNatively(c, v)) makeGeneric(c);
    if (c.kind == Kind::Generic) {
        c.values[row] = v;
        return;
    }
    spreadOut(c);
    if (!v.isValid()) {
        c.tags[row] = TagInvalid;
        return;
    }
    if (v.isNull()) {
        c.tags[row] = TagTypedNull;
        return;
    }
    switch (c.kind) {
    case Kind::Text: {
        const QString &s = *static_cast<const QString *>(v.constData());
        if (s.isNull()) {
            c.tags[row] = TagNullText;
            return;
        }
        c.texts[row] = holdText(s, c.tags[row] == TagValue ? &c.texts[row] : nullptr);
        break;
    }
    case Kind::Date:
        c.days[row] = static_cast<const QDate *>(v.constData())->toJulianDay();
        break;
    case Kind::Double:
        c.numbers[row] = *static_cast<const double *>(v.constData());
        break;
    case Kind::Generic:
        break;
    }
    c.tags[row] = TagValue;
}

void RecordSet::popCells(int fromRow)
{
    for (Column &c : m_columns) {
        const size_t n = size_t(fromRow);
        if (c.kind == Kind::Generic) {
            if (c.values.size() > n) c.values.resize(n);
            continue;
        }
        if (c.uniform) c.uniformCount = std::min(c.uniformCount, n);
        if (c.tags.size() > n) c.tags.resize(n);
        if (c.texts.size() > n) c.texts.resize(n);
        if (c.days.size() > n) c.days.resize(n);
        if (c.numbers.size() > n) c.numbers.resize(n);
    }
}

bool RecordSet::sourceTextView(int sourceRow, int column, QStringView &text) const
{
    if (column < 0 || column >= int(m_columns.size())) return false;
    const Column &c = m_columns[size_t(column)];
    if (c.kind != Kind::Text) return false;
    const size_t row = size_t(sourceRow);
    const Tag tag = c.uniform ? c.uniformTag : Tag(c.tags[row]);
    if (tag == TagInvalid || tag == TagTypedNull) return false;
    if (tag == TagNullText) {
        text = QStringView();
        return true;
    }
    const TextRef &r = c.texts[row];
    text = r.block == kHeld ? QStringView(m_held[r.offset]) : blockText(r);
    return true;
}

QVariant RecordSet::sourceValue(int sourceRow, int column) const
{
    if (column < 0 || column >= int(m_columns.size())) return QVariant();
    return cell(m_columns[size_t(column)], size_t(sourceRow));
}

// ---- RecordSet: rows ------------------------------------------------------------------------

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

void RecordSet::checkRow(const RecordRow &values) const
{
    if (values.size() > m_fields.size()) throw OrvekError(QStringLiteral("Satırda alan sayısından fazla değer var."));
    for (int i = 0; i < values.size(); ++i)
        if (m_fields.at(i).size > 0) checkSize(i, values.at(i));
}

void RecordSet::appendRowValues(const RecordRow &values)
{
    const int n = int(values.size());
    for (int c = 0; c < int(m_columns.size()); ++c) pushCell(c, c < n ? values.at(c) : QVariant());
    ++m_rowCount;
}

void RecordSet::addRow(RecordRow values)
{
    if (values.m_set && values.m_set != this && sameCells(*values.m_set)) {
        copyRowOf(*values.m_set, size_t(values.m_row));
    } else {
        // A row of this very set is read before the set grows.
        if (values.m_set == this) values.own();
        checkRow(values);
        appendRowValues(values);
    }
    if (m_filtered && m_predicate(RecordRow(this, m_rowCount - 1))) m_visible.push_back(m_rowCount - 1);
}

bool RecordSet::sameCells(const RecordSet &other) const
{
    if (other.m_fields.size() != m_fields.size()) return false;
    for (qsizetype i = 0; i < m_fields.size(); ++i)
        if (other.m_fields[i].type != m_fields[i].type || other.m_fields[i].size != m_fields[i].size) return false;
    return true;
}

void RecordSet::copyRowOf(const RecordSet &source, size_t row)
{
    // The source's cells met these very limits when they went in, so they are not checked
    // again; each is copied as it is held, without a QVariant. A text from a block is copied
    // into this set's blocks (sharing the block would keep all of it alive with this row).
    for (size_t i = 0; i < m_columns.size(); ++i) {
        const Column &from = source.m_columns[i];
        Column &to = m_columns[i];
        if (from.kind == Kind::Generic || to.kind != from.kind) {
            pushCell(int(i), source.cell(from, row));
            continue;
        }
        const Tag tag = from.uniform ? from.uniformTag : Tag(from.tags[row]);
        if (tag != TagValue) {
            pushTag(to, tag);
            continue;
        }
        spreadOut(to);
        switch (to.kind) {
        case Kind::Text: {
            const TextRef &r = from.texts[row];
            to.texts.push_back(r.block == kHeld ? holdText(source.m_held[r.offset]) : storeText(source.blockText(r)));
            break;
        }
        case Kind::Date:
            to.days.push_back(from.days[row]);
            break;
        case Kind::Double:
            to.numbers.push_back(from.numbers[row]);
            break;
        case Kind::Generic:
            break;
        }
        to.tags.push_back(TagValue);
    }
    ++m_rowCount;
}

void RecordSet::insertRows(int sourcePos, QVector<RecordRow> rows)
{
    if (sourcePos < 0 || sourcePos > m_rowCount) throw OrvekError(QStringLiteral("Geçersiz satır konumu."));
    for (RecordRow &values : rows) {
        if (values.m_set == this) values.own();
        checkRow(values);
    }
    const int n = int(rows.size());
    const int oldCount = m_rowCount;
    for (const RecordRow &values : rows) appendRowValues(values);
    // The new rows were added at the end; turn them to their place.
    for (Column &c : m_columns) {
        const auto turn = [&](auto &v) {
            if (v.size() == size_t(m_rowCount)) std::rotate(v.begin() + sourcePos, v.begin() + oldCount, v.end());
        };
        turn(c.tags);
        turn(c.texts);
        turn(c.days);
        turn(c.numbers);
        turn(c.values);
    }
    if (!m_filtered) return;
    std::vector<int> visible;
    visible.reserve(m_visible.size() + size_t(n));
    size_t k = 0;
    for (; k < m_visible.size() && m_visible[k] < sourcePos; ++k) visible.push_back(m_visible[k]);
    for (int i = sourcePos; i < sourcePos + n; ++i)
        if (m_predicate(RecordRow(this, i))) visible.push_back(i);
    for (; k < m_visible.size(); ++k) visible.push_back(m_visible[k] + n);
    m_visible = std::move(visible);
}

void RecordSet::reserve(int rows)
{
    for (Column &c : m_columns) {
        const size_t n = size_t(rows);
        if (c.kind == Kind::Generic) {
            c.values.reserve(n);
            continue;
        }
        if (c.uniform) {
            c.reserved = n; // the room is taken when a cell spreads the column out
            continue;
        }
        c.tags.reserve(n);
        if (c.kind == Kind::Text) c.texts.reserve(n);
        if (c.kind == Kind::Date) c.days.reserve(n);
        if (c.kind == Kind::Double) c.numbers.reserve(n);
    }
}

QVariant RecordSet::value(int visibleRow, int column) const
{
    if (column < 0 || column >= int(m_columns.size())) return QVariant();
    return cell(m_columns[size_t(column)], size_t(sourceRow(visibleRow)));
}

QString RecordSet::text(int visibleRow, int column) const
{
    if (column >= 0 && column < int(m_columns.size())) {
        const Column &c = m_columns[size_t(column)];
        if (c.kind == Kind::Text) {
            const size_t row = size_t(sourceRow(visibleRow));
            // Every other tag of a text column reads as a null text.
            return (c.uniform ? c.uniformTag : Tag(c.tags[row])) == TagValue ? textOf(c.texts[row]) : QString();
        }
    }
    return value(visibleRow, column).toString();
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
    if (column < 0 || column >= int(m_columns.size()))
        throw OrvekError(QStringLiteral("Geçersiz alan: %1").arg(column));
    putCell(column, size_t(sourceRow(visibleRow)), v);
}

void RecordSet::removeRow(int visibleRow)
{
    const int src = sourceRow(visibleRow);
    for (Column &c : m_columns) {
        if (c.kind == Kind::Text && !c.uniform && c.tags[size_t(src)] == TagValue &&
            c.texts[size_t(src)].block == kHeld)
            m_held[c.texts[size_t(src)].offset] = QString();
        if (c.uniform) --c.uniformCount;
        const auto drop = [src](auto &v) {
            if (size_t(src) < v.size()) v.erase(v.begin() + src);
        };
        drop(c.tags);
        drop(c.texts);
        drop(c.days);
        drop(c.numbers);
        drop(c.values);
    }
    --m_rowCount;
    if (m_filtered) {
        m_visible.erase(m_visible.begin() + visibleRow);
        for (int &i : m_visible)
            if (i > src) --i;
    }
}

void RecordSet::clear()
{
    for (Column &c : m_columns) c = makeColumn(c.type);
    m_blocks.clear();
    m_spareBlocks.clear();
    forgetRows();
}

void RecordSet::forgetRows()
{
    m_held.clear();
    m_blockUsed = 0;
    m_blockSealed = false;
    m_rowCount = 0;
    m_visible.clear();
}

void RecordSet::clearKeepingStorage()
{
    for (Column &c : m_columns) {
        const Column fresh = makeColumn(c.type);
        c.kind = fresh.kind;
        c.uniform = fresh.uniform;
        c.uniformTag = fresh.uniformTag;
        c.uniformCount = 0;
        c.reserved = std::max(c.tags.capacity(), c.values.capacity());
        c.tags.clear();
        c.texts.clear();
        c.days.clear();
        c.numbers.clear();
        c.values.clear();
    }
    // A block a text handed out still shares keeps that text's characters: it goes with it.
    for (QString &block : m_blocks)
        if (block.isDetached()) m_spareBlocks.push_back(std::move(block));
    std::stable_sort(m_spareBlocks.begin(), m_spareBlocks.end(),
                     [](const QString &a, const QString &b) { return a.size() < b.size(); });
    m_blocks.clear();
    forgetRows();
}

size_t RecordSet::rowCapacity() const
{
    size_t rows = 0;
    for (const Column &c : m_columns)
        rows = std::max({rows, c.reserved, c.tags.capacity(), c.values.capacity()});
    return rows;
}

// ---- RecordSet: loading cell by cell --------------------------------------------------------

void RecordSet::checkTextSize(int column, qsizetype length)
{
    const RecordField &f = m_fields.at(column);
    if (f.size > 0 && length > f.size) {
        abandonRow();
        throw OrvekError(QStringLiteral("%1 alanına en çok %2 karakter yazılabilir.").arg(f.name).arg(f.size));
    }
}

void RecordSet::appendText(int column, QStringView text)
{
    checkTextSize(column, text.size());
    Column &c = m_columns[size_t(column)];
    if (c.kind != Kind::Text || text.isNull()) {
        pushCell(column, QVariant(text.toString()));
        return;
    }
    spreadOut(c);
    c.texts.push_back(storeText(text));
    c.tags.push_back(TagValue);
}

void RecordSet::appendHeldText(int column, const QString &text)
{
    checkTextSize(column, text.size());
    Column &c = m_columns[size_t(column)];
    if (c.kind != Kind::Text || text.isNull()) {
        pushCell(column, QVariant(text));
        return;
    }
    spreadOut(c);
    c.texts.push_back(holdText(text));
    c.tags.push_back(TagValue);
}

void RecordSet::appendNull(int column)
{
    Column &c = m_columns[size_t(column)];
    if (c.kind == Kind::Generic)
        c.values.push_back(QVariant(QMetaType(c.type)));
    else
        pushTag(c, TagTypedNull);
}

void RecordSet::appendValue(int column, const QVariant &v)
{
    try {
        checkSize(column, v);
    } catch (...) {
        abandonRow();
        throw;
    }
    pushCell(column, v);
}

void RecordSet::endRow()
{
    ++m_rowCount;
    if (m_filtered && m_predicate(RecordRow(this, m_rowCount - 1))) m_visible.push_back(m_rowCount - 1);
}

void RecordSet::abandonRow() { popCells(m_rowCount); }

void RecordSet::setFilter(Predicate predicate)
{
    std::vector<int> visible;
    visible.reserve(size_t(m_rowCount));
    for (int i = 0; i < m_rowCount; ++i)
        if (predicate(RecordRow(this, i))) visible.push_back(i);
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
