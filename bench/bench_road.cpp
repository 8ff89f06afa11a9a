// The send at the speed of its parts, at 10,000, 100,000 and 1,000,000 rows, every figure next
// to its floor in the same run. The windows run offscreen; the gateway is the loopback fake,
// whose send reply is fixed, so it keeps no state between iterations.
//
//   BM_RawPostFloor  the physical floor: the road's request bytes, made beforehand, written
//                    over loopback to a sink that only counts them, up to its reply.
//   BM_RawPostFakeGateway  the same bytes to the fake gateway, which parses and keeps them.
//   BM_GonderFloor   the core's basket of the send list's rows (their texts as the basket
//                    takes them) built and sent: from the first row put in to the whole
//                    request at the fake gateway.
//   BM_GonderFloorRows  the same from the send list's rows through the core's FillSendBasket.
//   BM_Gonder        "Gönder" on the shown send screen holding those rows, its confirmation
//                    answered Yes: from the click to the whole request at the fake gateway.
//                    The click is waited for to its end (reply, log row, boxes) untimed.
//   BM_RoadFloor     the core's build, POST and reading of the reply of the very basket the
//                    road sends (the contact persons merged with the text beforehand).
//   BM_Road          the operator's road over an ERP stand-in of that many contact persons:
//                    "İleri >>" in the contact person window (send screen shown, its account
//                    request, the merge filling it), then "Gönder" confirmed, up to the box
//                    that tells the send was accepted and logged.
//
// Each case reports peakRssMB, the process's peak so far; BM_Road also its own peak, ownPeakMB
// (from the memory before the first road of that size: storage kept between sends counts),
// against allowedMB, twice its request (requestMB) and the recipient list the window loaded
// (recipientsMB). Run one size per process to read the memory of that size, e.g.
//
//   QT_QPA_PLATFORM=offscreen bench_road --benchmark_filter=/100000 --benchmark_repetitions=5
//       --benchmark_report_aggregates_only=true

#include "bench/BenchMemory.h"
#include "bench/BenchSupport.h"
#include "bench/RawPost.h"
#include "bench/RecipientScene.h"
#include "core/AppState.h"
#include "core/Gateway.h"
#include "core/LocalDb.h"
#include "core/Normalizers.h"
#include "core/RecipientMerge.h"
#include "core/Services.h"
#include "messaging/RecipientHandOver.h"
#include "messaging/RecipientWindows.h"
#include "messaging/SendList.h"
#include "messaging/SendSteps.h"
#include "messaging/frmSonEkran.h"
#include "shell/WorkArea.h"
#include "shell/frmAna.h"
#include "shell/frmMDI.h"
#include "tests/support/Controls.h"
#include "tests/support/ErpStandIn.h"
#include "tests/support/FakeGateway.h"
#include "tests/support/MainWindowFixture.h"

#include <QApplication>
#include <QCoreApplication>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTreeWidget>

#include <benchmark/benchmark.h>

#include <chrono>
#include <map>
#include <memory>
#include <random>
#include <utility>

namespace {
using namespace bench;

qint64 steadyNs()
{
    return std::chrono::duration_cast<std::chrono::nanoseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The loopback gateway: a large credit, and a fixed accepted reply to every send.
struct Gateway0 {
    FakeGateway fake;
    Gateway0()
    {
        fake.setCredit(100000000);
        fake.setReply(QStringLiteral("1"), QStringLiteral("ID:100001"));
    }
    // When the last request had come whole (0: none).
    qint64 lastArrival()
    {
        const QVector<FakeRequest> r = fake.server().requests();
        return r.isEmpty() ? 0 : r.last().arrivedNs;
    }
};
// The objects the cases share live until main() lets them go, before the application ends.
std::unique_ptr<Gateway0> g_loopback;
Gateway0 &loopback()
{
    if (!g_loopback) g_loopback = std::make_unique<Gateway0>();
    return *g_loopback;
}

// One untimed send of a basket of that size first, so that the timed runs find the
// connection's and the fake server's buffers as a program that has sent before finds them.
// Returns the request as it came.
FakeRequest warmUp(const QVector<QString> &numbers, const QVector<QString> &texts)
{
    Gateway0 &gw0 = loopback();
    gGatewayUrl = gw0.fake.url();
    Gateway gw;
    gw.reserveBasket(int(numbers.size()));
    for (qsizetype i = 0; i < numbers.size(); ++i) gw.addtosmsbasket(texts[i], numbers[i]);
    gw.sendsms(QStringLiteral("demo-B001"), QStringLiteral("parola"), "ORVEK", QString());
    const QVector<FakeRequest> sent = gw0.fake.server().requests();
    FakeRequest last = sent.isEmpty() ? FakeRequest() : sent.last();
    gw0.fake.clearRequests();
    return last;
}

// ---- Send screen ------------------------------------------------------------------------

QString number(int i) { return QStringLiteral("53%1").arg(i % 100000000, 8, 10, QLatin1Char('0')); }
QString text(int i)
{
    return QStringLiteral("Sayın müşterimiz, %1 numaralı faturanızın son ödeme günü yaklaşmaktadır.").arg(i);
}

// The numbers and the basket texts (cut to 160 characters and normalised, as the core fills
// them) of `rows` messages, after one send of them has warmed the loopback gateway up.
struct SendTexts {
    QVector<QString> numbers, texts;
    explicit SendTexts(int rows)
    {
        numbers.reserve(rows);
        texts.reserve(rows);
        for (int i = 0; i < rows; ++i) {
            numbers << number(i);
            texts << NormalizeGsmText(text(i).left(Gateway::kMessageSize));
        }
        warmUp(numbers, texts);
    }
};

// Times fill (the basket built in a fresh gateway object) and the send, up to the whole
// request arriving at the loopback gateway, from memory given back each run.
template <class Fill>
void TimeBasketSend(benchmark::State &state, Gateway0 &gw0, int rows, const Fill &fill)
{
    for (auto _ : state) {
        ColdMemory();
        const qint64 start = steadyNs();
        Gateway gw;
        fill(gw);
        const QString reply = gw.sendsms(QStringLiteral("demo-B001"), QStringLiteral("parola"), "ORVEK", QString());
        const qint64 arrived = gw0.lastArrival();
        if (!ParseSendReply(reply).accepted || arrived < start) {
            state.SkipWithError("send refused");
            break;
        }
        state.SetIterationTime(double(arrived - start) / 1e9);
        gw0.fake.clearRequests();
    }
    state.counters["rows"] = rows;
    state.counters["peakRssMB"] = PeakRssMb();
}

void BM_GonderFloor(benchmark::State &state)
{
    const int rows = int(state.range(0));
    Gateway0 &gw0 = loopback();
    gGatewayUrl = gw0.fake.url();
    const SendTexts sent(rows);
    TimeBasketSend(state, gw0, rows, [&](Gateway &gw) {
        gw.reserveBasket(rows);
        for (int i = 0; i < rows; ++i) gw.addtosmsbasket(sent.texts[i], sent.numbers[i]);
    });
}

// The same with the core's own step from the send list's rows (FillSendBasket: each text cut
// to 160 characters and normalised) instead of texts made beforehand.
void BM_GonderFloorRows(benchmark::State &state)
{
    const int rows = int(state.range(0));
    Gateway0 &gw0 = loopback();
    RecordSet list = MakeSendList();
    list.reserve(rows);
    for (int i = 0; i < rows; ++i) list.addRow({number(i), text(i)});
    const SendTexts warm(rows);
    TimeBasketSend(state, gw0, rows, [&](Gateway &gw) { FillSendBasket(gw, list); });
}

void BM_Gonder(benchmark::State &state)
{
    const int rows = int(state.range(0));
    Gateway0 &gw0 = loopback();
    QTemporaryDir docs;
    SetDocumentsFolder(docs.path());
    gOverLimitRecipients = RecordSet();
    SendTexts{rows}; // only warms the gateway up: its texts go at once
    for (auto _ : state) {
        auto fx = std::make_unique<MainWindowFixture>();
        fx->mdi()->resize(1280, 900);
        gGatewayUrl = gw0.fake.url();
        frmSonEkran *screen = WorkForms::get<frmSonEkran>();
        screen->frmMDIForm = fx->mdi();
        screen->Show();
        QCoreApplication::processEvents();
        screen->beginFilling();
        screen->reserveRows(rows);
        for (int i = 0; i < rows; ++i) {
            screen->appendRecipient(number(i), text(i));
            screen->setAddedCount(i + 1);
        }
        screen->endFilling();
        QCoreApplication::processEvents();
        gw0.fake.clearRequests();

        Prompt::setHandler([](const QString &, PromptIcon, const QString &, PromptButtons buttons) {
            return buttons == PromptButtons::YesNo ? PromptAnswer::Yes : PromptAnswer::Ok;
        });
        QPushButton *send = Control<QPushButton>(screen, "cmdGonder");
        ColdMemory();
        const qint64 start = steadyNs();
        send->click();
        Prompt::setHandler(nullptr);
        const qint64 arrived = gw0.lastArrival();
        if (arrived < start || WorkForms::find<frmSonEkran>()) {
            state.SkipWithError("the send did not go out");
            break;
        }
        state.SetIterationTime(double(arrived - start) / 1e9);

        UnloadWorkForms();
        MainWindowFixture::flushDeletes();
        fx.reset();
        gw0.fake.clearRequests();
    }
    SetDocumentsFolder(QString());
    state.counters["rows"] = rows;
    state.counters["peakRssMB"] = PeakRssMb();
}

// ---- The road -------------------------------------------------------------------------

// An ERP stand-in of `rows` accounts with one contact person each.
struct RoadScene {
    QTemporaryDir dir;
    std::unique_ptr<ErpStandIn> erp;

    explicit RoadScene(int rows)
    {
        erp = std::make_unique<ErpStandIn>(dir.path() + QStringLiteral("/erp"));
        erp->addCompany("01", QStringLiteral("Merkez Ticaret"));
        std::mt19937 rng(20240611);
        auto pick = [&rng](const QStringList &l) { return l[int(rng() % unsigned(l.size()))]; };
        erp->begin("01");
        for (int i = 0; i < rows; ++i) {
            const QString kod = QStringLiteral("120.%1").arg(i, 7, 10, QLatin1Char('0'));
            const QString last = pick(kLast);
            erp->addAccount("01",
                            {{"HesapKodu", kod}, {"Unvan1", accountName(i, last)}, {"KartTip", 0}, {"GrupKod", "G01"}});
            erp->addContact("01", {{"Sirket", kod},
                                   {"Adi", pick(kFirst)},
                                   {"Soyadi", pick(kLast)},
                                   {"DogumTar", ErpStandIn::dayNumber(1950, 1, 1) + int(rng() % 20000)},
                                   {"CepTelBKod", "532"},
                                   {"CepTel", subscriber(i)}});
        }
        erp->commit("01");
    }

    static std::map<int, std::unique_ptr<RoadScene>> &scenes()
    {
        static std::map<int, std::unique_ptr<RoadScene>> all;
        return all;
    }
    static RoadScene &of(int rows)
    {
        auto &s = scenes()[rows];
        if (!s) s = std::make_unique<RoadScene>(rows);
        return *s;
    }
};

// The main window with the contact person window open over the scene and the text typed.
struct RoadWindows {
    std::unique_ptr<MainWindowFixture> fx;
    frmYetkiliMesaj *window = nullptr;

    RoadWindows(RoadScene &scene, int rows)
    {
        fx = std::make_unique<MainWindowFixture>();
        fx->mdi()->resize(1280, 900);
        // The program has its database open from its start on (the settings are read from it);
        // the fixture's fresh folder has not opened it yet.
        OpenLocalDb();
        scene.erp->configure();
        gCompanyCode = QStringLiteral("01");
        gGatewayUrl = loopback().fake.url();
        InstallRecipientHandOver();
        Control<QTreeWidget>(fx->ana(), "TreeView1")->expandAll();
        fx->clickNode(QStringLiteral("YetkiliMesaj"));
        window = WorkForms::find<frmYetkiliMesaj>();
        if (!window || window->recordSet().rowCount() != rows) {
            window = nullptr;
            return;
        }
        QString plain = kText;
        plain.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
        Control<QPlainTextEdit>(window, "txtMesaj")->setPlainText(plain);
        QCoreApplication::processEvents();
    }
    ~RoadWindows()
    {
        UnloadWorkForms();
        MainWindowFixture::flushDeletes();
        RecipientWindow::setSendHandler(nullptr);
        fx.reset();
    }
};

// The basket the road sends at `rows` rows: the window's rows merged beforehand, as the
// gateway takes them. False when the window did not load.
bool roadBasket(int rows, QVector<QString> &numbers, QVector<QString> &texts)
{
    RoadWindows windows(RoadScene::of(rows), rows);
    if (!windows.window) return false;
    RecordSet overLimit;
    gCancelRequested = false;
    RecipientMergeHooks hooks;
    hooks.duplicateTest = [] { return true; };
    hooks.take = [&](QStringView gsmNo, QStringView mesaj, int) {
        numbers << gsmNo.toString();
        texts << NormalizeGsmText(mesaj.left(Gateway::kMessageSize).toString());
    };
    hooks.yield = [] { return false; };
    const MergeText merge = MergeText::compile(windows.window->messageText(), windows.window->recordSet().fields());
    RunRecipientMerge(windows.window->recordSet(), merge, overLimit, hooks);
    return true;
}

// The request of the road's basket as it reached the fake gateway, sent as plain bytes to
// `port` with plain socket calls: the whole way from the first byte written to the reply read.
void TimeRawPost(benchmark::State &state, int rows, quint16 port, CountingSink *sink)
{
    QByteArray request;
    {
        QVector<QString> numbers, texts;
        if (!roadBasket(rows, numbers, texts)) {
            state.SkipWithError("recipient window not loaded");
            return;
        }
        request = RawHttpRequest(warmUp(numbers, texts));
    }
    if (sink) sink->expect(request.size());
    RawPost(port, request); // the warm-up of this way
    loopback().fake.clearRequests();
    for (auto _ : state) {
        ColdMemory();
        const qint64 start = steadyNs();
        const bool answered = RawPost(port, request);
        const qint64 end = steadyNs();
        if (!answered || (sink && sink->counted() != request.size())) {
            state.SkipWithError("the raw request was not taken whole");
            break;
        }
        state.SetIterationTime(double(end - start) / 1e9);
        loopback().fake.clearRequests();
    }
    state.counters["rows"] = rows;
    state.counters["requestMB"] = double(request.size()) / (1024.0 * 1024.0);
}

void BM_RawPostFloor(benchmark::State &state)
{
    CountingSink sink;
    TimeRawPost(state, int(state.range(0)), sink.port(), &sink);
}

// The same bytes to the fake gateway: what the test gateway adds to every send figure.
void BM_RawPostFakeGateway(benchmark::State &state)
{
    TimeRawPost(state, int(state.range(0)), loopback().fake.port(), nullptr);
}

void BM_RoadFloor(benchmark::State &state)
{
    const int rows = int(state.range(0));
    Gateway0 &gw0 = loopback();
    QVector<QString> numbers, texts;
    if (!roadBasket(rows, numbers, texts)) {
        state.SkipWithError("recipient window not loaded");
        return;
    }
    warmUp(numbers, texts);
    for (auto _ : state) {
        ColdMemory();
        const qint64 start = steadyNs();
        Gateway gw;
        gw.reserveBasket(int(numbers.size()));
        for (qsizetype i = 0; i < numbers.size(); ++i) gw.addtosmsbasket(texts[i], numbers[i]);
        const GatewaySendReply reply =
            ParseSendReply(gw.sendsms(QStringLiteral("demo-B001"), QStringLiteral("parola"), "ORVEK", QString()));
        if (!reply.accepted) {
            state.SkipWithError("send refused");
            break;
        }
        benchmark::DoNotOptimize(reply.messageId.data());
        state.SetIterationTime(double(steadyNs() - start) / 1e9);
        gw0.fake.clearRequests();
    }
    state.counters["rows"] = rows;
    state.counters["basket"] = double(numbers.size());
    state.counters["peakRssMB"] = PeakRssMb();
}

// The resident memory of the process at the first road of each size, before anything of the
// road exists: what every road's memory is counted from, so that storage the road keeps from
// one send to the next counts as its own.
double roadMemoryBase(int rows)
{
    static std::map<int, double> bases;
    const auto found = bases.find(rows);
    if (found != bases.end()) return found->second;
    ColdMemory();
    return bases[rows] = CurrentRssMb();
}

void BM_Road(benchmark::State &state)
{
    const int rows = int(state.range(0));
    RoadScene &scene = RoadScene::of(rows);
    Gateway0 &gw0 = loopback();
    QTemporaryDir docs;
    SetDocumentsFolder(docs.path());
    SendTexts{rows}; // only warms the gateway up: its texts go at once
    const double base = roadMemoryBase(rows);
    double ownPeak = 0, recipients = 0, request = 0;
    for (auto _ : state) {
        // The peak is read from the opening of the contact person window, which loads the
        // recipient list, to the box after the send.
        ColdMemory();
        const double beforeWindows = CurrentRssMb();
        const bool peakReset = ResetPeakRss();
        RoadWindows windows(scene, rows);
        if (!windows.window) {
            state.SkipWithError("recipient window not loaded");
            break;
        }
        recipients = CurrentRssMb() - beforeWindows;
        gw0.fake.clearRequests();
        // The time ends in the box that follows the accepted reply and the log row.
        qint64 accepted = 0;
        Prompt::setHandler([&](const QString &text, PromptIcon, const QString &, PromptButtons buttons) {
            if (!accepted && (text == SentText() || text == SentWithOverLimitText())) accepted = steadyNs();
            return buttons == PromptButtons::YesNo ? PromptAnswer::Yes : PromptAnswer::Ok;
        });
        QPushButton *next = Control<QPushButton>(windows.window, "Command4");
        ColdMemory();
        const qint64 start = steadyNs();
        next->click();
        if (frmSonEkran *screen = WorkForms::find<frmSonEkran>()) Control<QPushButton>(screen, "cmdGonder")->click();
        Prompt::setHandler(nullptr);
        if (!accepted) {
            state.SkipWithError("the send was not accepted");
            break;
        }
        state.SetIterationTime(double(accepted - start) / 1e9);
        ownPeak = peakReset ? PeakSinceResetMb() - base : 0;
        const QVector<FakeRequest> sent = gw0.fake.server().requests();
        request = sent.isEmpty() ? 0 : double(sent.last().body.size()) / (1024.0 * 1024.0);
        gw0.fake.clearRequests();
    }
    SetDocumentsFolder(QString());
    state.counters["rows"] = rows;
    state.counters["peakRssMB"] = PeakRssMb();
    // The road's own peak (0 where the system keeps no resettable peak) against what it may
    // take: twice its request and the recipient list the window loaded.
    state.counters["ownPeakMB"] = ownPeak;
    state.counters["allowedMB"] = 2 * request + recipients;
    state.counters["requestMB"] = request;
    state.counters["recipientsMB"] = recipients;
}

void sizes(benchmark::internal::Benchmark *b)
{
    b->Arg(10000)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond)->UseManualTime()->Iterations(1);
}
BENCHMARK(BM_RawPostFloor)->Apply(sizes);
BENCHMARK(BM_RawPostFakeGateway)->Apply(sizes);
BENCHMARK(BM_GonderFloor)->Apply(sizes);
BENCHMARK(BM_GonderFloorRows)->Apply(sizes);
BENCHMARK(BM_Gonder)->Apply(sizes);
BENCHMARK(BM_RoadFloor)->Apply(sizes);
BENCHMARK(BM_Road)->Apply(sizes);

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    // The fake server's thread and the stand-in's connections end while the application is
    // still there.
    RoadScene::scenes().clear();
    g_loopback.reset();
    return 0;
}
