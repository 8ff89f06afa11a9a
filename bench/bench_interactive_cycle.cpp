// One interactive cycle of 10,000 fetched messages in answer mode "2": half answered by the
// sender's number, half by the account code after the keyword, over a company of 100,000
// contact persons, every answer accepted by the fake gateway. The floor, measured in the same
// run on the same gateway and database, is what the cycle cannot avoid: one one-row send per
// answer and one two-row log transaction per answer.
//
// Report the medians of cycle_ms, floor_ms and ratio.

#include "core/AppState.h"
#include "core/Base64.h"
#include "core/Gathwin.h"
#include "core/LocalDb.h"
#include "kovaset/InteractiveCycle.h"
#include "tests/support/ErpStandIn.h"
#include "tests/support/FakeGateway.h"
#include "tests/support/FakeGathwin.h"
#include "tests/support/Fixtures.h"

#include <QCoreApplication>
#include <QTemporaryDir>
#include <benchmark/benchmark.h>
#include <chrono>
#include <functional>

namespace {
constexpr int kMessages = 10000;
constexpr int kContacts = 100000;

QString accountCode(int i) { return QStringLiteral("120.%1").arg(i, 6, 10, QLatin1Char('0')); }

struct Rig {
    ProgramFolderFixture fx;
    QTemporaryDir erpDir;
    FakeGathwin service;
    FakeGateway gateway;
    Gateway client;
    InteractiveContext ctx;
    QStringList log;

    Rig()
    {
        ErpStandIn erp(erpDir.path());
        erp.addCompany("01", QStringLiteral("Merkez Ticaret"));
        erp.begin("01");
        for (int i = 0; i < kContacts; ++i) {
            erp.addAccount("01", {{"HesapKodu", accountCode(i)},
                                  {"Unvan1", QStringLiteral("Çağlar Gıda %1").arg(i)},
                                  {"KartTip", 0},
                                  {"GrupKod", "G01"},
                                  {"CiroB", 1000.5 + i}});
            erp.addContact("01", {{"Sirket", accountCode(i)},
                                  {"Adi", QStringLiteral("Ayşe")},
                                  {"Soyadi", QStringLiteral("Yılmaz")},
                                  {"CepTelBKod", "532"},
                                  {"CepTel", QString::number(1000000 + i)}});
        }
        erp.commit("01");
        // Indexed as an ERP is: account code and the phone columns.
        erp.exec("HAVLEN401", "CREATE INDEX ix_chk_hesap ON CHK (HesapKodu)");
        erp.exec("HAVLEN401", "CREATE INDEX ix_ytk_sirket ON YTK (Sirket)");
        erp.exec("HAVLEN401", "CREATE INDEX ix_ytk_tel ON YTK (CepTelBKod, CepTel)");
        erp.configure();

        const base64 codec;
        for (const auto &p : {QPair<QString, QString>{"flg_interaktif", "1"},
                              {"IntKullanici", codec.Encode("intuser")},
                              {"IntParola", codec.Encode("intpass")},
                              {"IntDonusTip", "2"}})
            fx.exec("UPDATE tbl_param SET deger = ? WHERE parametre = ?", {p.second, p.first});
        fx.exec("INSERT INTO tbl_int_parametre VALUES ('BAKIYE','0','BakiyeMesaj','','Metin',"
                "'Sayin[##YetkiliAdi##] bakiyeniz:[##Bakiye##] TL','1','Kayit yok','01')");
        fx.exec("INSERT INTO tbl_int_parametre VALUES ('HESAP','1','BakiyeMesaj','HesapKodu','Metin',"
                "'[##Unvan1##] bakiye:[##Bakiye##] TL','1','Hesap yok','01')");

        SetKovasetGathwinAddress(service.url());
        client.setUrl(gateway.url());
        ctx = InteractiveContextFromSettings(client);
        ctx.gatewayKind = GatewayKind::Brenvik;
        ctx.userName = QStringLiteral("gwuser");
        ctx.password = QStringLiteral("gwpass");
        ctx.ckey = QStringLiteral("C1");
        ctx.log = [this](const QString &line) { log << line; };
    }

    void queueMessages()
    {
        for (int i = 0; i < kMessages; ++i) {
            const QString number = QStringLiteral("90532%1").arg(1000000 + i);
            service.queueUnread(number, i % 2 ? QStringLiteral("HESAP ") + accountCode(i * 7 % kContacts)
                                              : QStringLiteral("BAKIYE"));
        }
    }
};

Rig &rig()
{
    static Rig *r = new Rig;
    return *r;
}
} // namespace

namespace {
// What the cycle cannot avoid: per answer one one-row send and one two-row log transaction.
void runFloor(Rig &r)
{
    OpenLocalDb();
    QSqlDatabase db = LocalDb();
    for (int i = 0; i < kMessages; ++i) {
        r.client.clearsmsbasket();
        r.client.addtosmsbasket(QStringLiteral("Sayin Ayse bakiyeniz: 1000,5 TL"),
                                QStringLiteral("532%1").arg(1000000 + i));
        const QString reply = r.client.sendsms("gwuser-C1", "gwpass", QString(), QString());
        r.client.clearsmsbasket();
        SqlExec(db, "BEGIN IMMEDIATE");
        SqlExec(db,
                "INSERT INTO tbl_giden (msgid,msg_tip,gateway,paket_boyut,mesaj,originator,tarih,gtarih,"
                "sirket_kod) VALUES (?,?,?,1,?,'',?,?,?)",
                {reply.mid(3), "Interaktif SMS", "Brenvik", "Sayin Ayse bakiyeniz: 1000,5 TL", "2026-12-10 10:20:30",
                 "2026-12-10 10:20:30", "01"});
        SqlExec(db, "INSERT INTO tbl_int_donus (gelenid,donusmesaj) VALUES (?,?)",
                {i + 1, "Sayin Ayse bakiyeniz: 1000,5 TL"});
        SqlExec(db, "COMMIT");
    }
}

double secondsOf(const std::function<void()> &work)
{
    const auto start = std::chrono::steady_clock::now();
    work();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}
} // namespace

// Each repetition runs the floor and then the cycle back to back, so both meet the same load
// on the machine; the reported time is the cycle's, "ratio" is cycle / floor.
static void BM_InteractiveCycle(benchmark::State &state)
{
    Rig &r = rig();
    for (auto _ : state) {
        const double floor = secondsOf([&] { runFloor(r); });
        r.queueMessages();
        CycleOutcome out;
        const double cycle = secondsOf([&] { out = InteractiveStart(r.ctx); });
        if (out.accepted != kMessages) {
            state.SkipWithError(qPrintable(QStringLiteral("%1 of %2 answers accepted: %3")
                                               .arg(out.accepted)
                                               .arg(kMessages)
                                               .arg(r.log.join(QLatin1Char('\n')).left(500))));
            break;
        }
        state.SetIterationTime(cycle);
        state.counters["floor_ms"] = floor * 1000;
        state.counters["cycle_ms"] = cycle * 1000;
        state.counters["ratio"] = cycle / floor;
    }
}
BENCHMARK(BM_InteractiveCycle)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1)->Repetitions(5);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    for (const char *name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
        qunsetenv(name);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
