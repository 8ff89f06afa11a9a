#include "core/AppState.h"
#include "core/Gateway.h"
#include "tests/support/FakeGateway.h"

#include <QCoreApplication>
#include <benchmark/benchmark.h>

// A basket of 100,000 messages of 60 characters built and sent in one request to the
// loopback fake gateway; the reply is read.
static void BM_SendBasket(benchmark::State &state)
{
    const int rows = int(state.range(0));
    FakeGateway fake;
    fake.setReply(QStringLiteral("1"), QStringLiteral("ID:100001"));
    gGatewayUrl = fake.url();
    const QString text = QStringLiteral("Sayın müşterimiz, hesap bakiyeniz 1.250,75 TL'dir. İyi günler").left(60);
    QStringList numbers;
    numbers.reserve(rows);
    for (int i = 0; i < rows; ++i) numbers << QString::number(5320000000LL + i);

    for (auto _ : state) {
        Gateway gw;
        gw.reserveBasket(rows);
        for (int i = 0; i < rows; ++i) gw.addtosmsbasket(text, numbers[i]);
        const GatewaySendReply reply = ParseSendReply(gw.sendsms("ali-C9", "p", "ORVEK", ""));
        if (!reply.accepted) state.SkipWithError("send refused");
        benchmark::DoNotOptimize(reply.messageId.data());
        state.PauseTiming();
        fake.clearRequests();
        state.ResumeTiming();
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * rows);
}
BENCHMARK(BM_SendBasket)->Arg(100000)->Unit(benchmark::kMillisecond)->UseRealTime();

// A status reply of 100,000 lines read into rows.
static void BM_ParseStatusReply(benchmark::State &state)
{
    const int lines = int(state.range(0));
    QString reply;
    reply.reserve(lines * 20);
    for (int i = 0; i < lines; ++i)
        reply +=
            QString::number(5320000000LL + i) + QLatin1Char(' ') + QChar(QLatin1Char('0' + i % 6)) + QLatin1Char('\n');
    for (auto _ : state) {
        const QVector<GatewayStatusLine> rows = ParseStatusReply(reply);
        if (rows.size() != lines) state.SkipWithError("wrong row count");
        benchmark::DoNotOptimize(rows.constData());
    }
    state.SetItemsProcessed(int64_t(state.iterations()) * lines);
}
BENCHMARK(BM_ParseStatusReply)->Arg(100000)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
