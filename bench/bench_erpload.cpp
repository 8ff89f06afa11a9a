#include "core/AppState.h"
#include "core/ErpQueries.h"
#include "core/LocalDb.h"
#include "tests/support/ErpStandIn.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

namespace {
// A stand-in company "01" with n accounts of one contact person each.
struct BigErp {
    QTemporaryDir dir;
    ErpStandIn erp{dir.path() + "/erp"};
    explicit BigErp(int n)
    {
        erp.addCompany("01", QStringLiteral("Merkez Ticaret"));
        erp.begin("01");
        for (int i = 0; i < n; ++i) {
            const QString kod = QStringLiteral("120.%1").arg(i, 6, 10, QLatin1Char('0'));
            erp.addAccount("01", {{"HesapKodu", kod},
                                  {"Unvan1", QStringLiteral("Çağlar Gıda %1").arg(i)},
                                  {"KartTip", 0},
                                  {"Kod1", QStringLiteral("İSTANBUL")},
                                  {"GrupKod", "G01"},
                                  {"CiroB", 1000.5 + i}});
            erp.addContact("01", {{"Sirket", kod},
                                  {"Adi", QStringLiteral("Ayşe")},
                                  {"Soyadi", QStringLiteral("Yılmaz")},
                                  {"Cinsiyet", "K"},
                                  {"DogumTar", 29000 + i % 5000},
                                  {"MedHal", "Evli"},
                                  {"EvlTarih", 38000 + i % 3000},
                                  {"Kod1", "Y1"},
                                  {"CepTelBKod", "532"},
                                  {"CepTel", QString::number(1000000 + i)}});
        }
        erp.commit("01");
        erp.configure();
        gCompanyCode = "01";
        OpenErpDb();
    }
};
} // namespace

static void BM_LoadErpRecordSet(benchmark::State &state, const char *kind)
{
    static BigErp *erp = nullptr;
    if (!erp) erp = new BigErp(100000);
    for (auto _ : state) {
        RecordSet rs = LoadErpRecordSet(QString::fromLatin1(kind));
        benchmark::DoNotOptimize(rs.rowCount());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * 100000);
}
BENCHMARK_CAPTURE(BM_LoadErpRecordSet, YetkiliMesaj, "YetkiliMesaj")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadErpRecordSet, ChkMesaj, "ChkMesaj")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadErpRecordSet, BakiyeMesaj, "BakiyeMesaj")->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
