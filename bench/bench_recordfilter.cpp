// Applying the filter builder's lines to a recipient grid of 100,000 contact persons
// (the 23 columns and types of the contact person list).

#include "core/ErpQueries.h"
#include "core/RecordSet.h"
#include "messaging/FilterBuilder.h"

#include <QDate>
#include <benchmark/benchmark.h>
#include <cstdlib>
#include <random>

namespace {

const RecordSet &contactPersons()
{
    static const RecordSet set = [] {
        RecordSet s(ErpColumns(QStringLiteral("YetkiliMesaj")));
        if (s.fieldCount() != 23) std::abort();
        const QStringList first = {"Ayşe", "İsmail", "Irmak", "Çiğdem", "Ümit", "Gülşen", "Şükrü", "Ahmet",
                                   "Işıl", "Ömer",   "Deniz", "Ağah",   "Can",  "Elif",   "Oğuz",  "Zeynep"};
        const QStringList last = {"Yılmaz", "Öztürk", "Çelik", "Ağaoğlu", "Işık",
                                  "Ilgaz",  "Şen",    "Kaya",  "Demir",   "Aydın"};
        const QStringList firms = {"Gıda Ltd. Şti.", "Tekstil A.Ş.", "İnşaat", "Otomotiv", "Kırtasiye", "Yapı Market"};
        const QStringList cities = {"İSTANBUL", "ANKARA", "İZMİR", "BURSA", "ISPARTA", "ÇORUM"};
        const QStringList prefixes = {"532", "505", "542", "533", "554", "535", "555", "506"};
        std::mt19937 rng(20240611);
        auto pick = [&rng](const QStringList &l) { return l[int(rng() % unsigned(l.size()))]; };
        s.reserve(100000);
        for (int i = 0; i < 100000; ++i) {
            RecordRow r;
            r.reserve(23);
            r << QStringLiteral("120.%1").arg(i / 3, 5, 10, QChar('0')) << pick(last) + ' ' + pick(firms) << QString()
              << pick(first) << (rng() % 4 == 0 ? pick(first) : QString()) << pick(last) << (rng() % 2 ? "E" : "K")
              << QDate(1950, 1, 1).addDays(rng() % 20000) << QString::number(rng() % 3)
              << (rng() % 3 ? QVariant(QDate(1975, 1, 1).addDays(rng() % 15000))
                            : QVariant(QMetaType::fromType<QDate>()))
              << pick(cities);
            for (int k = 1; k < 11; ++k) r << QStringLiteral("K%1-%2").arg(k).arg(rng() % 50);
            r << pick(prefixes) << QString::number(1000000 + rng() % 9000000);
            s.addRow(r);
        }
        return s;
    }();
    return set;
}

void applyLines(benchmark::State &state, const QStringList &lines)
{
    RecordSet set = contactPersons();
    int shown = 0;
    for (auto _ : state) {
        set.clearFilter();
        const FilterApplyResult r = ApplyFilterLines(set, lines);
        if (r.status != FilterApplyResult::Status::Applied) state.SkipWithError("filter refused");
        shown = set.rowCount();
        benchmark::DoNotOptimize(shown);
    }
    state.counters["rows"] = set.totalRowCount();
    state.counters["shown"] = shown;
}

// Text prefix, date range and text equality (the usual three-condition filter).
void BM_FilterThreeConditions(benchmark::State &state)
{
    applyLines(state, {"YetkiliAdi like 'a*'", "DogumTarihi >= #01/01/1970#", "Kod1 = 'istanbul'"});
}

// The slower text forms: a contains pattern, Turkish alphabet order, a number on a text column.
void BM_FilterThreeConditionsContainsOrder(benchmark::State &state)
{
    applyLines(state, {"Unvan1 like '*TEKSTİL*'", "YetkiliSoyadi >= 'ç'", "MedeniHali = 1"});
}

} // namespace

BENCHMARK(BM_FilterThreeConditions)->Unit(benchmark::kMillisecond)->Repetitions(15)->ReportAggregatesOnly(true);
BENCHMARK(BM_FilterThreeConditionsContainsOrder)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);

BENCHMARK_MAIN();
