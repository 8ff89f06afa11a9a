// The daily greetings of the automatic program for one company of 100,000 contact persons,
// 10,000 of them with their birthday and 1,000 with their wedding anniversary today, against
// the loopback fake gateway; beside it the floor: the same ERP text read through (every
// column of every row) and two sends of the same baskets.
//
// After the benchmarks the peak memory of one run is measured in two child processes: the
// whole company, and a company of only the 11,000 persons greeted.
#include "core/AppState.h"
#include "core/Base64.h"
#include "core/Gateway.h"
#include "core/LocalDb.h"
#include "core/RecipientMerge.h"
#include "kovaset/KovasetEngine.h"
#include "kovaset/KovasetErp.h"
#include "kovaset/KovasetLog.h"
#include "kovaset/KovasetSettings.h"
#include "tests/support/ErpStandIn.h"
#include "tests/support/FakeGateway.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlQuery>
#include <QSqlRecord>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>

#include <cstdio>
#include <memory>

namespace {
const QDate kToday(2026, 12, 10);
const QString kBirthdayText = QStringLiteral("Sevgili [##Adi##] [##Soyadi##], doğum gününüzü kutlarız. Orvek Ticaret");
const QString kAnniversaryText =
    QStringLiteral("Sevgili [##Adi##] [##Soyadi##], evlilik yıldönümünüz kutlu olsun. Orvek Ticaret");

// A program folder (database copy) and an ERP stand-in with company 01.
//   all = true:  100,000 persons, every 10th born today, every 100th married today;
//   all = false: only the 11,000 greeted ones (10,000 born today, 1,000 of them married today).
void BuildFolder(const QString &folder, bool all, const QString &shippedDb)
{
    QDir().mkpath(folder);
    QFile::copy(shippedDb, QDir(folder).filePath(QStringLiteral("orvekdata.db")));
    QFile::setPermissions(QDir(folder).filePath(QStringLiteral("orvekdata.db")), QFile::ReadOwner | QFile::WriteOwner);
    const QString erpFolder = QDir(folder).filePath(QStringLiteral("erp"));
    {
        ErpStandIn erp(erpFolder);
        erp.addCompany(QStringLiteral("01"), QStringLiteral("Merkez"));
        erp.addAccount(QStringLiteral("01"),
                       {{QStringLiteral("HesapKodu"), QStringLiteral("120.001")}, {QStringLiteral("KartTip"), 0}});
        const int today = ErpStandIn::dayNumber(1980, kToday.month(), kToday.day());
        const int married = ErpStandIn::dayNumber(2004, kToday.month(), kToday.day());
        erp.begin(QStringLiteral("01"));
        for (int i = 0; i < 100000; ++i) {
            const bool born = i % 10 == 0, wed = i % 100 == 0;
            if (!all && !born) continue;
            erp.exec(QStringLiteral("HAVLEN401"),
                     QStringLiteral("INSERT INTO YTK (Sirket, Adi, Adi2, Soyadi, CepTelBKod, CepTel, DogumTar, "
                                    "EvlTarih) VALUES ('120.001', ?, ?, ?, '532', ?, ?, ?)"),
                     {QStringLiteral("Ayşe%1").arg(i), QStringLiteral("Nur"), QStringLiteral("Yılmazoğlu"),
                      QStringLiteral("%1").arg(i, 7, 10, QLatin1Char('0')), born ? today : today + 1 + i % 300,
                      wed ? married : (i % 3 == 0 ? 0 : married + 1 + i % 200)});
        }
        erp.commit(QStringLiteral("01"));
    }
    const QString name = QStringLiteral("bench-setup");
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), name);
        db.setDatabaseName(QDir(folder).filePath(QStringLiteral("orvekdata.db")));
        db.open();
        QSqlQuery q(db);
        q.exec(QStringLiteral("UPDATE tbl_ayarlar SET kullanici_adi_i = 'demo', parola_i = 'demo', "
                              "flg_kaydet_i = '1', flg_gw = '1'"));
        base64 codec;
        const QList<QPair<QString, QString>> params{
            {QStringLiteral("OrvekServer"), QStringLiteral("sqlite:") + erpFolder},
            {QStringLiteral("OrvekDatabase"), QStringLiteral("ORVEK")},
            {QStringLiteral("OrvekUser"), QStringLiteral("sa")},
            {QStringLiteral("OrvekPassword"), QStringLiteral("x")}};
        for (const auto &p : params) {
            q.prepare(QStringLiteral("UPDATE tbl_param SET deger = ? WHERE parametre = ?"));
            q.addBindValue(codec.Encode(p.second));
            q.addBindValue(p.first);
            q.exec();
        }
        q.exec(QStringLiteral("UPDATE tbl_param SET deger = '00:00:00' WHERE parametre = 'KovasetBasla'"));
        q.exec(QStringLiteral("UPDATE tbl_param SET deger = '23:59:59' WHERE parametre = 'KovasetBitir'"));
        q.prepare(QStringLiteral("INSERT INTO tbl_kovaset_ayar (sirket_kod, flg_dgun_mesaj, dgun_mesaj, dgun_gonderen, "
                                 "flg_evyil_mesaj, evyil_mesaj, evyil_gonderen) VALUES ('01', '1', ?, 'ORVEK', '1', ?, "
                                 "'TALVANE')"));
        q.addBindValue(kBirthdayText);
        q.addBindValue(kAnniversaryText);
        q.exec();
    }
    QSqlDatabase::removeDatabase(name);
}

void PointAt(const QString &folder, const FakeGateway &gateway)
{
    SetProgramFolder(folder);
    OpenLocalDb();
    SqlExec(LocalDb(), QStringLiteral("UPDATE tbl_ayarlar SET url_ambrel = ?"), {gateway.url()});
}

void ResetDay()
{
    for (const char *t : {"tbl_kovaset", "tbl_kovaset_parca", "tbl_giden"})
        SqlExec(LocalDb(), QStringLiteral("DELETE FROM ") + QLatin1String(t));
}

struct Shared {
    QTemporaryDir dir;
    QString folder;
    std::unique_ptr<FakeGateway> gateway;
};

Shared &shared()
{
    static Shared s;
    if (!s.gateway) {
        s.folder = s.dir.filePath(QStringLiteral("all"));
        BuildFolder(s.folder, true, QStringLiteral(ORVEK_SHIPPED_DB));
        s.gateway = std::make_unique<FakeGateway>();
        PointAt(s.folder, *s.gateway);
    }
    return s;
}
} // namespace

// Each run starts a new day: the day's rows deleted and a new engine, whose list of the day's
// parts would otherwise keep the first run's. A fault ends the loop while the clock runs: an
// error raised while paused aborts at the next ResumeTiming.
static void BM_GreetingRun(benchmark::State &state)
{
    Shared &s = shared();
    if (!KovasetLoadSettings()) {
        state.SkipWithError("settings");
        return;
    }
    std::unique_ptr<KovasetLog> log;
    std::unique_ptr<KovasetEngine> engine;
    for (auto _ : state) {
        state.PauseTiming();
        engine.reset();
        ResetDay();
        s.gateway->clearRequests();
        log = std::make_unique<KovasetLog>();
        log->setEchoToStderr(false);
        engine = std::make_unique<KovasetEngine>(*log, [] { return QDateTime(kToday, QTime(12, 0, 0)); });
        state.ResumeTiming();
        engine->Kovaset();
        if (s.gateway->requestCount() != 2) {
            state.SkipWithError("expected two sends");
            break;
        }
    }
    engine.reset();
    ResetDay();
    s.gateway->clearRequests();
    state.SetItemsProcessed(int64_t(state.iterations()) * 100000);
}
BENCHMARK(BM_GreetingRun)->Unit(benchmark::kMillisecond)->UseRealTime();

// The floor: the ERP text read through, every column, and two sends of baskets of the same
// texts and numbers.
static void BM_GreetingFloor(benchmark::State &state)
{
    Shared &s = shared();
    if (!KovasetLoadSettings()) {
        state.SkipWithError("settings");
        return;
    }
    OpenErpDb();
    const QString sql = ErpSqlText(KovasetErpQueryFor(QStringLiteral("Kovaset"), QStringLiteral("01")));
    // The same messages as the run sends.
    QStringList birthdayTexts, anniversaryTexts, birthdayNumbers, anniversaryNumbers;
    for (int i = 0; i < 100000; i += 10) {
        birthdayTexts << GreetingText(kBirthdayText, QStringLiteral("Ayşe%1").arg(i), QStringLiteral("Yılmazoğlu"));
        birthdayNumbers << QStringLiteral("532%1").arg(i, 7, 10, QLatin1Char('0'));
        if (i % 100 == 0) {
            anniversaryTexts << GreetingText(kAnniversaryText, QStringLiteral("Ayşe%1").arg(i),
                                             QStringLiteral("Yılmazoğlu"));
            anniversaryNumbers << birthdayNumbers.last();
        }
    }
    Gateway gw;
    for (auto _ : state) {
        QSqlQuery q(ErpDb());
        q.setForwardOnly(true);
        q.exec(sql);
        const int columns = q.record().count();
        qint64 rows = 0;
        while (q.next()) {
            for (int c = 0; c < columns; ++c) benchmark::DoNotOptimize(q.value(c));
            ++rows;
        }
        if (rows != 100000) {
            state.SkipWithError("wrong row count");
            break;
        }
        gw.reserveBasket(int(birthdayTexts.size()));
        for (int i = 0; i < birthdayTexts.size(); ++i) gw.addtosmsbasket(birthdayTexts[i], birthdayNumbers[i]);
        benchmark::DoNotOptimize(
            gw.sendsms(QStringLiteral("demo"), QStringLiteral("demo"), QStringLiteral("ORVEK"), {}));
        for (int i = 0; i < anniversaryTexts.size(); ++i) gw.addtosmsbasket(anniversaryTexts[i], anniversaryNumbers[i]);
        benchmark::DoNotOptimize(
            gw.sendsms(QStringLiteral("demo"), QStringLiteral("demo"), QStringLiteral("TALVANE"), {}));
        state.PauseTiming();
        s.gateway->clearRequests();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * 100000);
}
BENCHMARK(BM_GreetingFloor)->Unit(benchmark::kMillisecond)->UseRealTime();

namespace {
// One run in this process on a prepared folder; prints the peak resident size in KiB.
int RssRun(const QString &folder)
{
    FakeGateway gateway;
    PointAt(folder, gateway);
    KovasetLog log;
    log.setEchoToStderr(false);
    KovasetEngine engine(log, [] { return QDateTime(kToday, QTime(12, 0, 0)); });
    if (!KovasetLoadSettings()) return 1;
    engine.Kovaset();
    if (gateway.requestCount() != 2) return 1;
    // VmHWM, not getrusage: its maximum survives exec and would carry the parent's size.
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly)) return 1;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmHWM:")) std::printf("%s\n", line.mid(6).trimmed().split(' ').value(0).constData());
    return 0;
}

void ReportRss(const char *self)
{
    QTemporaryDir dir;
    const QString all = dir.filePath(QStringLiteral("all")), greeted = dir.filePath(QStringLiteral("greeted"));
    BuildFolder(all, true, QStringLiteral(ORVEK_SHIPPED_DB));
    BuildFolder(greeted, false, QStringLiteral(ORVEK_SHIPPED_DB));
    long kib[2] = {0, 0};
    for (int i = 0; i < 2; ++i) {
        QProcess child;
        child.start(QString::fromLocal8Bit(self), {QStringLiteral("--rss-run"), i == 0 ? all : greeted});
        child.waitForFinished(600000);
        kib[i] = QString::fromLatin1(child.readAllStandardOutput()).trimmed().toLong();
        if (child.exitStatus() != QProcess::NormalExit || child.exitCode() != 0 || kib[i] == 0) {
            std::printf("Peak RSS: the measuring run failed: %s\n", child.readAllStandardError().constData());
            return;
        }
    }
    std::printf("Peak RSS of one run: 100,000 contacts %ld KiB, the 11,000 greeted only %ld KiB, difference %ld KiB "
                "(limit 16384 KiB)\n",
                kib[0], kib[1], kib[0] - kib[1]);
}
} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    if (argc == 3 && qstrcmp(argv[1], "--rss-run") == 0) return RssRun(QString::fromLocal8Bit(argv[2]));
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    ReportRss(argv[0]);
    return 0;
}
