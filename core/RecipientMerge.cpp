#include "core/RecipientMerge.h"

#include "core/AppState.h"
#include "core/Normalizers.h"
#include "core/OrvekError.h"
#include "core/ValueText.h"

#include <QVarLengthArray>

#include <cstring>
#include <exception>
#include <limits>

namespace {
const QString kOpen = QStringLiteral("[##");
const QString kClose = QStringLiteral("##]");

int fieldIndexOf(const QStringList &names, const QString &name)
{
    for (int i = 0; i < names.size(); ++i)
        if (names[i].compare(name, Qt::CaseInsensitive) == 0) return i;
    return -1;
}
} // namespace

MergeText MergeText::compile(const QString &text, const QVector<RecordField> &fields)
{
    QStringList names;
    names.reserve(fields.size());
    for (const RecordField &f : fields) names << f.name;
    return compile(text, names);
}

MergeText MergeText::compile(const QString &text, const QStringList &fieldNames)
{
    MergeText m;
    m.m_text = text;
    qsizetype p = text.indexOf(kOpen);
    qsizetype q = text.indexOf(kClose);
    if (p < 0 || q < 0) {
        m.m_literals = {text};
        m.m_literalLength = int(text.size());
        return m;
    }

    // Positions are searched in the rest of the text after each placeholder, so a "##]"
    // before the next "[##" is found first, as the reading above says.
    qsizetype restStart = 0;
    m.m_literals.append(text.mid(0, p));
    while (p >= 0) {
        // p and q are relative to restStart.
        if (q < 0) throw OrvekError(QStringLiteral("Mesajdaki \"[##\" işaretinden sonra \"##]\" işareti yok."));
        const qsizetype nameLength = q - p - 3;
        if (nameLength < 0)
            throw OrvekError(QStringLiteral("Mesajdaki \"##]\" işareti, \"[##\" işaretinden önce geliyor."));
        if (nameLength == 0) throw OrvekError(QStringLiteral("Mesajda adı boş bir alan var: \"[####]\"."));
        const QString name = text.mid(restStart + p + 3, nameLength);
        const int field = fieldIndexOf(fieldNames, name);
        if (field < 0) throw OrvekError(QStringLiteral("Alan bulunamadı: %1").arg(name));
        m.m_fields.append(field);

        restStart += q + 3;
        const QStringView rest = QStringView(text).mid(restStart);
        p = rest.indexOf(kOpen);
        m.m_literals.append(p < 0 ? rest.toString() : rest.left(p).toString());
        q = rest.indexOf(kClose);
    }
    for (const QString &l : m.m_literals) m.m_literalLength += int(l.size());
    return m;
}

QString MergeText::apply(const RecordRow &row) const
{
    QString out;
    applyWithin(row, std::numeric_limits<qsizetype>::max(), out);
    return out;
}

qsizetype MergeText::applyWithin(const RecordRow &row, qsizetype limit, QString &out) const
{
    if (m_fields.isEmpty()) {
        if (m_text.size() <= limit) out = m_text;
        return m_text.size();
    }
    // The values' texts first, so the result is written once, at its length.
    const qsizetype count = m_fields.size();
    QVarLengthArray<QStringView, 8> values(count, QStringView());
    QVarLengthArray<QString, 8> written; // texts of values that are no QString
    written.reserve(count);              // no reallocation: the views stay valid
    qsizetype length = m_literalLength;
    for (qsizetype i = 0; i < count; ++i) {
        // A text cell is read in place; any other value is written out and kept here, so
        // every view points at characters that outlive the loop.
        if (!row.textView(m_fields[i], values[i])) {
            const QVariant v = row.at(m_fields[i]);
            if (v.isNull()) continue;
            written.append(v.typeId() == QMetaType::QString ? *static_cast<const QString *>(v.constData())
                                                            : ValueText(v));
            values[i] = written.last();
        }
        length += values[i].size();
    }
    if (length > limit) return length;
    out.resize(length);
    QChar *to = out.data();
    auto put = [&to](QStringView part) {
        if (part.isEmpty()) return;
        std::memcpy(static_cast<void *>(to), part.data(), size_t(part.size()) * sizeof(QChar));
        to += part.size();
    };
    for (qsizetype i = 0; i < count; ++i) {
        put(m_literals[i]);
        put(values[i]);
    }
    put(m_literals.last());
    return length;
}

namespace {
bool allDigits(QStringView s)
{
    for (const QChar c : s)
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
    return true;
}

// NormalizeGsmNumber of a + b when both are plain digit strings: nothing to trim or remove,
// so only the length, the last ten digits and the prefix decide. The number goes into `ten`
// (into its own buffer when that is not shared); false when a + b is no usable number (`ten`
// is left as it is then).
bool digitNumber(QStringView a, QStringView b, QString &ten)
{
    const qsizetype n = a.size() + b.size();
    if (n < 10) return false;
    const QChar first = b.size() >= 10 ? b[b.size() - 10] : a[a.size() - (10 - b.size())];
    const QChar second = b.size() >= 9 ? b[b.size() - 9] : a[a.size() - (9 - b.size())];
    if (first != QLatin1Char('5')) return false;
    if (second != QLatin1Char('0') && second != QLatin1Char('3') && second != QLatin1Char('4') &&
        second != QLatin1Char('5'))
        return false;
    ten.resize(10);
    QChar *to = ten.data();
    if (b.size() >= 10) {
        std::memcpy(static_cast<void *>(to), b.data() + (b.size() - 10), 10 * sizeof(QChar));
    } else {
        const qsizetype fromA = 10 - b.size();
        std::memcpy(static_cast<void *>(to), a.data() + (a.size() - fromA), size_t(fromA) * sizeof(QChar));
        if (!b.isEmpty()) std::memcpy(static_cast<void *>(to + fromA), b.data(), size_t(b.size()) * sizeof(QChar));
    }
    return true;
}

// The number of one recipient row into `number`; false when it has none.
// Texts of digits are read where the set holds them; any other value goes the long way.
bool rowNumber(const RecordRow &values, int prefixColumn, int subscriberColumn, QString &number)
{
    QStringView a;
    QStringView b;
    if (values.textView(prefixColumn, a) && values.textView(subscriberColumn, b) && allDigits(a) && allDigits(b))
        return digitNumber(a, b, number);
    number = RecipientNumber(values.at(prefixColumn), values.at(subscriberColumn));
    return !number.isEmpty();
}
} // namespace

QString RecipientNumber(const QVariant &prefix, const QVariant &subscriber)
{
    if (!prefix.isValid() || prefix.isNull() || !subscriber.isValid() || subscriber.isNull()) return QString();
    if (prefix.typeId() == QMetaType::QString && subscriber.typeId() == QMetaType::QString) {
        const QString &a = *static_cast<const QString *>(prefix.constData());
        const QString &b = *static_cast<const QString *>(subscriber.constData());
        if (allDigits(a) && allDigits(b)) {
            QString number;
            return digitNumber(a, b, number) ? number : QString();
        }
    }
    return NormalizeGsmNumber(ValueText(prefix) + ValueText(subscriber));
}

namespace {
// A normalised number is ten ASCII digits: its value identifies it.
quint64 numberKey(const QString &number)
{
    quint64 key = 0;
    for (const QChar c : number) key = key * 10 + quint64(c.unicode() - '0');
    return key;
}
} // namespace

namespace {
constexpr quint64 kMobileFirst = 5000000000ULL;
constexpr quint64 kMobileEnd = 6000000000ULL;

// Fibonacci hashing: consecutive numbers land far apart, so runs of them do not cluster.
inline qsizetype slotOf(quint32 key, int shift) { return qsizetype((key * 0x9E3779B1u) >> shift); }
} // namespace

UsedNumbers::UsedNumbers()
{
    std::vector<quint32> &spare = spareSlots();
    if (spare.capacity() > 0) std::swap(m_slots, spare);
    m_slots.assign(16, kEmpty);
    m_shift = 28;
    add(QString::fromLatin1(kUsedNumberSentinel));
}

UsedNumbers::~UsedNumbers()
{
    // Only the larger room is kept: one thread's spare is that of its longest list.
    std::vector<quint32> &spare = spareSlots();
    if (m_slots.capacity() > spare.capacity()) std::swap(m_slots, spare);
}

std::vector<quint32> &UsedNumbers::spareSlots()
{
    thread_local std::vector<quint32> spare;
    return spare;
}

void UsedNumbers::reserve(int count)
{
    if (qsizetype(count) + 1 > qsizetype(m_slots.size()) / 2) grow(2 * (qsizetype(count) + 1));
}

void UsedNumbers::grow(qsizetype capacity)
{
    qsizetype size = 16;
    int shift = 28;
    while (size < capacity) {
        size *= 2;
        --shift;
    }
    if (size <= qsizetype(m_slots.size())) return;
    // The keys are set aside and the slots written anew in the room the table has (a table
    // that took a spare's room grows without a fresh one).
    std::vector<quint32> keys;
    keys.reserve(size_t(m_count));
    for (const quint32 key : m_slots)
        if (key != kEmpty) keys.push_back(key);
    m_slots.assign(size_t(size), kEmpty);
    m_shift = shift;
    m_count = 0;
    for (const quint32 key : keys) addMobile(key);
}

bool UsedNumbers::containsMobile(quint32 key) const
{
    const qsizetype mask = qsizetype(m_slots.size()) - 1;
    for (qsizetype i = slotOf(key, m_shift);; i = (i + 1) & mask) {
        const quint32 at = m_slots[size_t(i)];
        if (at == key) return true;
        if (at == kEmpty) return false;
    }
}

void UsedNumbers::addMobile(quint32 key)
{
    if (2 * (m_count + 1) > qsizetype(m_slots.size())) grow(2 * qsizetype(m_slots.size()));
    const qsizetype mask = qsizetype(m_slots.size()) - 1;
    for (qsizetype i = slotOf(key, m_shift);; i = (i + 1) & mask) {
        quint32 &at = m_slots[size_t(i)];
        if (at == key) return;
        if (at == kEmpty) {
            at = key;
            ++m_count;
            return;
        }
    }
}

bool UsedNumbers::contains(const QString &number) const
{
    const quint64 key = numberKey(number);
    if (key >= kMobileFirst && key < kMobileEnd && number.size() == 10)
        return containsMobile(quint32(key - kMobileFirst));
    return m_others.contains(key);
}

void UsedNumbers::add(const QString &number)
{
    const quint64 key = numberKey(number);
    if (key >= kMobileFirst && key < kMobileEnd && number.size() == 10)
        addMobile(quint32(key - kMobileFirst));
    else
        m_others.insert(key);
}

RecordSet MakeOverLimitList(const RecordSet &recipients)
{
    RecordSet list;
    for (const RecordField &f : recipients.fields()) list.appendField(f.name, f.type, f.size);
    return list;
}

RecipientMergeResult RunRecipientMerge(const RecordSet &recipients, const MergeText &text, RecordSet &overLimit,
                                       const RecipientMergeHooks &hooks)
{
    RecipientMergeResult result;
    // Until the first row has yielded, a failure ends the run; afterwards it skips its step.
    bool ignoreErrors = false;
    const bool withDuplicateTest = bool(hooks.duplicateTest);
    UsedNumbers used;
    if (withDuplicateTest) used.reserve(recipients.rowCount());

    int prefixColumn = -1;
    int subscriberColumn = -1;
    int row = 0;
    try {
        overLimit = MakeOverLimitList(recipients);
        prefixColumn = recipients.fieldIndex(QStringLiteral("CepTelBKod"));
        subscriberColumn = recipients.fieldIndex(QStringLiteral("CepTel"));
    } catch (const std::exception &e) {
        result.end = MergeEnd::Failed;
        result.error = QString::fromStdString(e.what());
        return result;
    }

    // The number and the merged text of every row are written into the same two buffers (the
    // send list copies them).
    QString number;
    QString merged;
    merged.reserve(kMergeTextLimit);
    for (; row < recipients.rowCount(); ++row) {
        if (gCancelRequested) {
            result.end = MergeEnd::Cancelled;
            return result;
        }
        qsizetype mergedLength = 0;
        bool usable = false;
        bool duplicateTestOn = false;
        try {
            if (prefixColumn < 0 || subscriberColumn < 0)
                throw OrvekError(QStringLiteral("Alan bulunamadı: %1")
                                     .arg(prefixColumn < 0 ? QStringLiteral("CepTelBKod") : QStringLiteral("CepTel")));
            const RecordRow &values = recipients.row(row);
            usable = rowNumber(values, prefixColumn, subscriberColumn, number);
            if (usable && withDuplicateTest) {
                duplicateTestOn = hooks.duplicateTest();
                if (duplicateTestOn && used.contains(number)) usable = false;
            }
            // The text was read once for all rows, so the merge cannot fail here; a dropped
            // row needs none, a row over the limit only its length.
            if (usable) mergedLength = text.applyWithin(values, kMergeTextLimit, merged);
        } catch (const std::exception &e) {
            if (!ignoreErrors) {
                result.end = MergeEnd::Failed;
                result.error = QString::fromStdString(e.what());
                return result;
            }
            usable = false;
        }

        if (usable) {
            ignoreErrors = true;
            if (hooks.yield && hooks.yield()) {
                result.end = MergeEnd::Stopped;
                return result;
            }
            if (mergedLength > kMergeTextLimit) {
                try {
                    overLimit.addRow(recipients.row(row));
                    ++result.overLimit;
                } catch (const std::exception &) {}
            } else {
                ++result.taken;
                try {
                    if (hooks.take) hooks.take(number, merged, result.taken);
                } catch (const std::exception &) {}
                if (duplicateTestOn) used.add(number);
            }
        }
        ++gProgressDone;
    }
    return result;
}
