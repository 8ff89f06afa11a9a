// Runs interactive cycles in a loop over a program folder, as a second process for the
// tests: each cycle fetches from the given service address and answers through the given
// gateway (account "gwuser", client code "C1", password "gwpass"), until the cycles have
// fetched the given number of messages. Every log line goes to standard output as
// "log: <line>"; the last line is "done fetched=<n> stored=<n> accepted=<n> refused=<n>".
//   interactive-cycle-runner <program-folder> <service-url> <gateway-url> <messages>
#include "core/Gateway.h"
#include "core/Gathwin.h"
#include "core/LocalDb.h"
#include "kovaset/InteractiveCycle.h"

#include <QCoreApplication>
#include <QThread>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 5) {
        std::fprintf(stderr, "usage: interactive-cycle-runner <program-folder> <service-url> <gateway-url> "
                             "<messages>\n");
        return 2;
    }
    SetProgramFolder(QString::fromLocal8Bit(argv[1]));
    SetKovasetGathwinAddress(QString::fromLocal8Bit(argv[2]));
    Gateway gateway;
    gateway.setUrl(QString::fromLocal8Bit(argv[3]));
    const long long target = QByteArray(argv[4]).toLongLong();

    InteractiveContext ctx;
    ctx.gateway = &gateway;
    ctx.gatewayKind = GatewayKind::Brenvik;
    ctx.userName = QStringLiteral("gwuser");
    ctx.password = QStringLiteral("gwpass");
    ctx.ckey = QStringLiteral("C1");
    ctx.runErpQuery = RunErpQueryReconnectOnce;
    ctx.log = [](const QString &line) {
        std::printf("log: %s\n", line.toUtf8().constData());
        std::fflush(stdout);
    };

    long long fetched = 0, stored = 0, accepted = 0, refused = 0;
    // A cap on the idle cycles, so a test that stopped feeding the service does not leave
    // this process behind.
    for (int idle = 0; fetched < target && idle < 20000;) {
        const CycleOutcome out = InteractiveStart(ctx);
        fetched += out.fetched;
        stored += out.stored;
        accepted += out.accepted;
        refused += out.refused;
        if (out.fetched == 0) {
            ++idle;
            QThread::msleep(2);
        } else {
            idle = 0;
        }
    }
    std::printf("done fetched=%lld stored=%lld accepted=%lld refused=%lld\n", fetched, stored, accepted, refused);
    std::fflush(stdout);
    CloseLocalDb();
    return fetched >= target ? 0 : 1;
}
