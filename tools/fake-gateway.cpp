// A stand-alone fake SMS gateway for the demo: serves the simulated gateway of
// tests/support/FakeGateway on 127.0.0.1 until it is killed. Prints its URL on the first
// line of standard output.
//
//   fake-gateway [--port N] [--credit N] [--user NAME --password TEXT]

#include "tests/support/FakeGateway.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("fake-gateway"));

    QCommandLineParser parser;
    parser.setApplicationDescription(QStringLiteral("Fake SMS gateway on 127.0.0.1"));
    parser.addHelpOption();
    const QCommandLineOption portOption(QStringLiteral("port"),
                                        QStringLiteral("Port to listen on (0 = any free port)."), QStringLiteral("N"),
                                        QStringLiteral("0"));
    const QCommandLineOption creditOption(QStringLiteral("credit"), QStringLiteral("Starting credit."),
                                          QStringLiteral("N"), QStringLiteral("1500"));
    const QCommandLineOption userOption(QStringLiteral("user"), QStringLiteral("Only accept this user name."),
                                        QStringLiteral("NAME"));
    const QCommandLineOption passwordOption(QStringLiteral("password"), QStringLiteral("Password of --user."),
                                            QStringLiteral("TEXT"));
    parser.addOptions({portOption, creditOption, userOption, passwordOption});
    parser.process(app);

    bool ok = false;
    const uint port = parser.value(portOption).toUInt(&ok);
    if (!ok || port > 65535) {
        std::fprintf(stderr, "fake-gateway: invalid port\n");
        return 2;
    }
    const int credit = parser.value(creditOption).toInt(&ok);
    if (!ok) {
        std::fprintf(stderr, "fake-gateway: invalid credit\n");
        return 2;
    }

    FakeGateway gateway{quint16(port)};
    if (!gateway.isListening()) {
        std::fprintf(stderr, "fake-gateway: cannot listen on port %u\n", port);
        return 1;
    }
    gateway.setCredit(credit);
    if (parser.isSet(userOption)) gateway.setAccount(parser.value(userOption), parser.value(passwordOption));

    std::printf("%s\n", gateway.url().toUtf8().constData());
    std::fflush(stdout);
    return app.exec();
}
