// Kovaset: the automatic message program (no window).
#include "kovaset/KovasetProgram.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Kovaset"));
    return KovasetMain();
}
