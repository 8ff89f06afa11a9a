#include "bench/BenchMemory.h"
#include "core/AppState.h"
#include "core/ErpQueries.h"
#include "core/LocalDb.h"
#include "tests/support/ErpStandIn.h"

#include <QCoreApplication>
#include <QDate>
#include <QSqlDatabase>
#include <QSqlDriver>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <sqlite3.h>

#include <vector>

// Loading the contact persons, the account cards and the balances of a stand-in company
// (100,000 rows; ORVEK_BENCH_ROWS sets another count, for a growth run in a process of its
// own) against the floor: a plain sqlite3_step loop over the same SQL text on the same
// connection, reading every column into the value the load gives (QString, QDate, double).

namespace {
int benchRows()
{
    bool ok = false;
    const int n = qEnvironmentVariableIntValue("ORVEK_BENCH_ROWS", &ok);
    return ok && n > 0 ? n : 100000;
}

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

BigErp &bigErp()
{
    static BigErp *erp = new BigErp(benchRows()); // lives until the process ends
    return *erp;
}

// "yyyy-MM-dd..." from the stand-in's DATEADD.
QDate floorDate(const unsigned char *s, int len)
{
    if (!s || len < 10) return QDate();
    const auto num = [s](int at, int n) {
        int v = 0;
        for (int i = at; i < at + n; ++i) v = v * 10 + (s[i] - '0');
        return v;
    };
    return QDate(num(0, 4), num(5, 2), num(8, 2));
}

// The floor: the kind's statement stepped on the ERP connection, each column read into the
// QVariant of the column's type; returns the rows read.
int plainStepLoop(const QString &kind)
{
    QVariant handle = ErpDb().driver()->handle();
    sqlite3 *db = *static_cast<sqlite3 *const *>(handle.data());
    const QByteArray sql = ErpSqlText(GetErpQuery(kind)).toUtf8();
    const QVector<RecordField> fields = ErpColumns(kind);
    const int n = int(fields.size());
    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &stmt, nullptr) != SQLITE_OK) return -1;
    std::vector<QVariant> row(static_cast<size_t>(n));
    int rows = 0;
    while (sqlite3_step(stmt) == SQLITE_ROW) {
        for (int c = 0; c < n; ++c) {
            const QMetaType::Type type = fields[c].type;
            if (sqlite3_column_type(stmt, c) == SQLITE_NULL) {
                row[size_t(c)] = QVariant(QMetaType(type));
            } else if (type == QMetaType::QDate) {
                row[size_t(c)] = QVariant(floorDate(sqlite3_column_text(stmt, c), sqlite3_column_bytes(stmt, c)));
            } else if (type == QMetaType::Double) {
                row[size_t(c)] = QVariant(sqlite3_column_double(stmt, c));
            } else {
                const auto *text = static_cast<const QChar *>(sqlite3_column_text16(stmt, c));
                row[size_t(c)] = QVariant(QString(text, sqlite3_column_bytes16(stmt, c) / 2));
            }
        }
        benchmark::DoNotOptimize(row.data());
        ++rows;
    }
    sqlite3_finalize(stmt);
    return rows;
}
} // namespace

static void BM_LoadErpRecordSet(benchmark::State &state, const char *kind)
{
    bigErp();
    int rows = 0;
    for (auto _ : state) {
        RecordSet rs = LoadErpRecordSet(QString::fromLatin1(kind));
        rows = rs.rowCount();
        benchmark::DoNotOptimize(rows);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * rows);
    state.counters["rows"] = rows;
    state.counters["peak_rss_MB"] = PeakRssMb();
}

static void BM_PlainStepFloor(benchmark::State &state, const char *kind)
{
    bigErp();
    int rows = 0;
    for (auto _ : state) {
        rows = plainStepLoop(QString::fromLatin1(kind));
        benchmark::DoNotOptimize(rows);
    }
    if (rows < 0) state.SkipWithError("the statement did not prepare");
    state.SetItemsProcessed(int64_t(state.iterations()) * rows);
    state.counters["rows"] = rows;
}

BENCHMARK_CAPTURE(BM_PlainStepFloor, YetkiliMesaj, "YetkiliMesaj")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadErpRecordSet, YetkiliMesaj, "YetkiliMesaj")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PlainStepFloor, ChkMesaj, "ChkMesaj")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadErpRecordSet, ChkMesaj, "ChkMesaj")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_PlainStepFloor, BakiyeMesaj, "BakiyeMesaj")->Unit(benchmark::kMillisecond);
BENCHMARK_CAPTURE(BM_LoadErpRecordSet, BakiyeMesaj, "BakiyeMesaj")->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
