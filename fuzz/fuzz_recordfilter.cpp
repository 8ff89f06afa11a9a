// libFuzzer target: filter texts and filter builder lines against a small record set. Besides
// the sanitizers it checks that the evaluator agrees with itself: a filter and the same filter
// in parentheses pass the same rows, and applying lines either filters exactly like their
// joined text or leaves the previous filter in force.

#include "core/OrvekError.h"
#include "core/RecordFilter.h"
#include "core/RecordSet.h"
#include "messaging/FilterBuilder.h"

#include <QDate>
#include <QDateTime>
#include <cstdint>
#include <cstdlib>
#include <vector>

namespace {

const RecordSet &fixture()
{
    static const RecordSet set = [] {
        RecordSet s;
        s.appendField("Adi");
        s.appendField("Unvan 1");
        s.appendField("Bakiye", QMetaType::Double);
        s.appendField("Adet", QMetaType::Int);
        s.appendField("Tarih", QMetaType::QDateTime);
        s.appendField("Gun", QMetaType::QDate);
        const QVariant nullText(QMetaType::fromType<QString>());
        s.addRow(
            {"Ayşe", "O'Brien *Ltd* %", 1250.75, 3, QDateTime(QDate(1980, 3, 15), QTime(0, 0)), QDate(2020, 1, 1)});
        s.addRow({"IŞIK", "İNCİ ışık   ", -0.0, -7, QDateTime(QDate(1980, 3, 15), QTime(10, 30)), QDate(1, 1, 1)});
        s.addRow({nullText, "", QVariant(QMetaType::fromType<double>()), QVariant(QMetaType::fromType<int>()),
                  QVariant(QMetaType::fromType<QDateTime>()), QVariant(QMetaType::fromType<QDate>())});
        s.addRow({QString(1000, u'ı'), QString::fromUtf8("\xF0\x9D\x90\x80 emoji \xF0\x9F\x98\x80"), 1e308, 2147483647,
                  QDateTime(), QDate()});
        // Values of another type than their field's.
        s.addRow(
            {42, QDate(2020, 2, 2), "12", "abc", "2020-01-01 00:00:00", QDateTime(QDate(2020, 1, 1), QTime(1, 0))});
        s.addRow(
            {"ς Σ ß ẞ", "İi Iı", qQNaN(), 0, QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59)), QDate(1899, 12, 30)});
        return s;
    }();
    return set;
}

std::vector<bool> evaluate(const RecordFilter &f, const RecordSet &set)
{
    std::vector<bool> out;
    for (int i = 0; i < set.totalRowCount(); ++i) out.push_back(f.matches(set.row(i)));
    return out;
}

void check(bool condition)
{
    if (!condition) std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size > 4096) return 0;
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const RecordSet &set = fixture();

    check(TurkishFold(text).size() == text.size());

    try {
        const RecordFilter f = RecordFilter::compile(text, set.fields());
        const std::vector<bool> plain = evaluate(f, set);
        const RecordSet::Predicate p = f.predicate();
        for (int i = 0; i < set.totalRowCount(); ++i) check(p(set.row(i)) == plain[size_t(i)]);
        if (!f.isEmpty()) {
            try {
                const RecordFilter wrapped = RecordFilter::compile("(" + text + ")", set.fields());
                check(evaluate(wrapped, set) == plain);
            } catch (const OrvekError &) {
                // Only the nesting limit may refuse the wrapped form.
            }
        }
    } catch (const OrvekError &e) {
        check(!e.description().isEmpty());
    }

    // The same input as filter builder lines, applied over a filter already in force.
    const QStringList lines = text.split(u'\n');
    RecordSet copy = set;
    SetFilterText(copy, "Adet > 0");
    const int before = copy.rowCount();
    const FilterApplyResult r = ApplyFilterLines(copy, lines);
    if (r.status == FilterApplyResult::Status::Refused) {
        check(r.badLine >= 1 && r.badLine <= lines.size());
        check(copy.rowCount() == before);
        check(!r.message().isEmpty());
    } else {
        check(r.status == FilterApplyResult::Status::Applied);
        const RecordFilter joined = RecordFilter::compile(r.filterText, set.fields());
        int expected = 0;
        for (bool b : evaluate(joined, set)) expected += b ? 1 : 0;
        check(copy.rowCount() == expected);
    }
    return 0;
}
