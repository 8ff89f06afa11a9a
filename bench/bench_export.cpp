// Spreadsheet export of 200,000 rows x 10 columns (four sheets) against writing the same
// cells with plain libxlsxwriter calls, the same at 10,000, 100,000 and 1,000,000 rows for
// the growth, plus the peak memory of the export at those row counts, each measured in a
// fresh process.
//
//   bench_export                      both benchmarks, their medians and ratio, then memory
//   bench_export --rss-child ROWS     (internal) one export in this process, prints memory

#include "core/RecordSet.h"
#include "core/Services.h"
#include "core/SpreadsheetExport.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>

#include <benchmark/benchmark.h>
#include <xlsxwriter.h>

#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <string>
#include <vector>

namespace {

constexpr int kRows = 200000;

const char *const kNames[] = {"No", "GsmNo", "Ad", "Soyad", "Durum", "Tutar", "Tarih", "Zaman", "MesajId", "Mesaj"};

struct Columns {
    std::vector<double> no, amount, date, stamp, id;
    std::vector<std::string> gsm, name, surname, status, message;
};

RecordSet makeRecords(int rows)
{
    RecordSet rs;
    const QMetaType::Type types[] = {QMetaType::Int,      QMetaType::QString, QMetaType::QString, QMetaType::QString,
                                     QMetaType::QString,  QMetaType::Double,  QMetaType::QDate,   QMetaType::QDateTime,
                                     QMetaType::LongLong, QMetaType::QString};
    for (int c = 0; c < 10; ++c) rs.appendField(QString::fromLatin1(kNames[c]), types[c]);
    const QStringList names{"Ayşe", "Mehmet", "Gülşen", "İsmail", "Çağrı", "Özlem"};
    const QStringList surnames{"Yılmaz", "Şahin", "Öztürk", "Çelik", "Doğan", "Kılıç"};
    const QStringList statuses{"İletildi", "Beklemede", "Zaman aşımı", "Hatalı numara"};
    const QDate day(2024, 1, 1);
    rs.reserve(rows);
    for (int i = 0; i < rows; ++i) {
        rs.addRow({i + 1, QStringLiteral("53%1").arg(i, 8, 10, QLatin1Char('0')), names[i % names.size()],
                   surnames[(i / 7) % surnames.size()], statuses[i % statuses.size()], (i % 1000) * 1.25,
                   day.addDays(i % 366), QDateTime(day.addDays(i % 30), QTime(8, 0).addSecs(i % 36000)),
                   qint64(1000000000) + i,
                   QStringLiteral("Sayın müşterimiz, %1 numaralı faturanızın son ödeme günü yaklaşmaktadır.").arg(i)});
    }
    return rs;
}

// The same cells, ready for libxlsxwriter: numbers and day numbers, UTF-8 texts.
Columns makeColumns(const RecordSet &rs)
{
    Columns c;
    const QDate epoch(1899, 12, 30);
    for (int i = 0; i < rs.rowCount(); ++i) {
        const RecordRow &r = rs.row(i);
        c.no.push_back(r[0].toInt());
        c.gsm.push_back(r[1].toString().toStdString());
        c.name.push_back(r[2].toString().toStdString());
        c.surname.push_back(r[3].toString().toStdString());
        c.status.push_back(r[4].toString().toStdString());
        c.amount.push_back(r[5].toDouble());
        c.date.push_back(double(epoch.daysTo(r[6].toDate())));
        const QDateTime dt = r[7].toDateTime();
        c.stamp.push_back(double(epoch.daysTo(dt.date())) + dt.time().msecsSinceStartOfDay() / 86400000.0);
        c.id.push_back(double(r[8].toLongLong()));
        c.message.push_back(r[9].toString().toStdString());
    }
    return c;
}

void rawWrite(const Columns &c, const std::string &path)
{
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    lxw_workbook *wb = workbook_new_opt(path.c_str(), &options);
    lxw_format *date = workbook_add_format(wb);
    format_set_num_format(date, "dd.mm.yyyy");
    lxw_format *stamp = workbook_add_format(wb);
    format_set_num_format(stamp, "dd.mm.yyyy hh:mm:ss");
    const size_t rows = c.no.size();
    size_t next = 0;
    for (int page = 1; next < rows || page == 1; ++page) {
        lxw_worksheet *ws = workbook_add_worksheet(wb, ("Sayfa" + std::to_string(page)).c_str());
        for (lxw_col_t col = 0; col < 10; ++col) worksheet_write_string(ws, 0, col, kNames[col], nullptr);
        const size_t end = std::min(rows, next + size_t(kExportRowsPerSheet));
        for (lxw_row_t row = 1; next < end; ++next, ++row) {
            worksheet_write_number(ws, row, 0, c.no[next], nullptr);
            worksheet_write_string(ws, row, 1, c.gsm[next].c_str(), nullptr);
            worksheet_write_string(ws, row, 2, c.name[next].c_str(), nullptr);
            worksheet_write_string(ws, row, 3, c.surname[next].c_str(), nullptr);
            worksheet_write_string(ws, row, 4, c.status[next].c_str(), nullptr);
            worksheet_write_number(ws, row, 5, c.amount[next], nullptr);
            worksheet_write_number(ws, row, 6, c.date[next], date);
            worksheet_write_number(ws, row, 7, c.stamp[next], stamp);
            worksheet_write_number(ws, row, 8, c.id[next], nullptr);
            worksheet_write_string(ws, row, 9, c.message[next].c_str(), nullptr);
        }
    }
    if (workbook_close(wb) != LXW_NO_ERROR) std::fprintf(stderr, "raw write failed\n");
}

void quietServices()
{
    Prompt::setHandler([](const QString &, PromptIcon, const QString &, PromptButtons) { return PromptAnswer::Ok; });
    Shell::Handlers h;
    h.openFile = [](const QString &, const Shell::Declined &) { return true; };
    Shell::setHandlers(h);
}

// Times of each run, by benchmark (0 export, 1 raw) and row count.
std::vector<double> &seconds(int which, int rows = kRows)
{
    static std::map<std::pair<int, int>, std::vector<double>> times;
    return times[{which, rows}];
}

const RecordSet &records(int rows = kRows)
{
    static std::map<int, RecordSet> sets;
    auto it = sets.find(rows);
    if (it == sets.end()) it = sets.emplace(rows, makeRecords(rows)).first;
    return it->second;
}

QTemporaryDir &outDir()
{
    static QTemporaryDir dir;
    return dir;
}

void BM_ExportToExcel(benchmark::State &state)
{
    const int rows = int(state.range(0));
    const RecordSet &rs = records(rows);
    const QString path = outDir().filePath(QStringLiteral("export.xlsx"));
    const QStringList headers = rs.fieldNames() << QString();
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        ExportToExcel(rs, path, headers);
        seconds(0, rows).push_back(t.nsecsElapsed() / 1e9);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * rs.rowCount());
}

void BM_RawLibxlsxwriter(benchmark::State &state)
{
    const int rows = int(state.range(0));
    static std::map<int, Columns> columns;
    if (!columns.count(rows)) columns.emplace(rows, makeColumns(records(rows)));
    const Columns &cols = columns.at(rows);
    const std::string path = QFile::encodeName(outDir().filePath(QStringLiteral("raw.xlsx"))).toStdString();
    for (auto _ : state) {
        QElapsedTimer t;
        t.start();
        rawWrite(cols, path);
        seconds(1, rows).push_back(t.nsecsElapsed() / 1e9);
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * int64_t(cols.no.size()));
}

// The figure is 200,000 rows; 10,000, 100,000 and 1,000,000 show how the time grows.
void sizes(benchmark::internal::Benchmark *b)
{
    for (int rows : {kRows, 10000, 100000, 1000000}) b->Arg(rows);
}
BENCHMARK(BM_ExportToExcel)
    ->Apply(sizes)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
BENCHMARK(BM_RawLibxlsxwriter)
    ->Apply(sizes)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);

double median(std::vector<double> v)
{
    if (v.empty()) return 0;
    std::sort(v.begin(), v.end());
    const size_t n = v.size();
    return n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2;
}

// Peak resident memory of this process image (VmHWM; unlike getrusage it does not carry
// the parent's peak over fork and exec).
long maxRssKb()
{
    FILE *f = std::fopen("/proc/self/status", "r");
    if (!f) return -1;
    char line[256];
    long kb = -1;
    while (std::fgets(line, sizeof line, f))
        if (std::sscanf(line, "VmHWM: %ld kB", &kb) == 1) break;
    std::fclose(f);
    return kb;
}

// One export in this process: peak memory before and after it.
int rssChild(int rows)
{
    quietServices();
    const RecordSet rs = makeRecords(rows);
    QTemporaryDir dir;
    const long before = maxRssKb();
    ExportToExcel(rs, dir.filePath(QStringLiteral("rss.xlsx")), rs.fieldNames() << QString());
    const long after = maxRssKb();
    std::printf("%d %ld %ld\n", rows, before, after);
    return 0;
}

void reportMemory(const char *self)
{
    std::printf("\nPeak RSS of one export, each in a fresh process (KiB):\n");
    std::printf("%10s %14s %14s %14s\n", "rows", "before export", "after export", "export adds");
    for (int rows : {10000, 100000, 1000000}) {
        int fds[2];
        if (pipe(fds) != 0) return;
        const pid_t pid = fork();
        if (pid == 0) {
            dup2(fds[1], STDOUT_FILENO);
            close(fds[0]);
            const std::string n = std::to_string(rows);
            execl(self, self, "--rss-child", n.c_str(), static_cast<char *>(nullptr));
            _exit(127);
        }
        close(fds[1]);
        char buf[256] = {};
        const ssize_t got = read(fds[0], buf, sizeof buf - 1);
        close(fds[0]);
        waitpid(pid, nullptr, 0);
        int r = 0;
        long before = 0, after = 0;
        if (got > 0 && std::sscanf(buf, "%d %ld %ld", &r, &before, &after) == 3)
            std::printf("%10d %14ld %14ld %14ld\n", r, before, after, after - before);
    }
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && std::strcmp(argv[1], "--rss-child") == 0) return rssChild(std::atoi(argv[2]));

    quietServices();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();

    std::printf("\n%10s %12s %12s %8s\n", "rows", "export (s)", "raw (s)", "ratio");
    for (int rows : {10000, 100000, kRows, 1000000}) {
        const double exportMedian = median(seconds(0, rows));
        const double rawMedian = median(seconds(1, rows));
        if (exportMedian > 0 && rawMedian > 0)
            std::printf("%10d %12.3f %12.3f %8.3f%s\n", rows, exportMedian, rawMedian, exportMedian / rawMedian,
                        rows == kRows ? "  (target <= 1.1)" : "");
    }
    const double at100k = median(seconds(0, 100000));
    const double at1m = median(seconds(0, 1000000));
    if (at100k > 0 && at1m > 0) std::printf("1,000,000 rows / 100,000 rows: %.2fx (target <= 11)\n", at1m / at100k);
    reportMemory("/proc/self/exe");
    return 0;
}
