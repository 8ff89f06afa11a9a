// Kovaset itself, with its interactive service at another address: the program as shipped
// fetches from a fixed address, so a test whose fake service listens on a port of its own
// starts this copy instead (placed in the program folder like Kovaset).
//   kovaset-service-at <service-url> [Kovaset's own arguments]
#include "core/Gathwin.h"
#include "kovaset/KovasetProgram.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Kovaset"));
    if (argc < 2) {
        std::fprintf(stderr, "usage: kovaset-service-at <service-url> [arguments]\n");
        return 2;
    }
    SetKovasetGathwinAddress(QString::fromLocal8Bit(argv[1]));
    return KovasetMain(QCoreApplication::arguments().mid(2));
}
