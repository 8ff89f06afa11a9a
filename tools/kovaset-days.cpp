// Runs the automatic program's greeting ticks for a number of days in a row, as a second
// process for the tests: on each day two ticks at 10:00 and 10:01 (the second must find the
// day done). The log goes to kovaset.log in the program folder. Prints "done" at the end.
// With "wait" it first prints "ready" and waits for a line on standard input (a test that
// ends it before its first tick).
//   kovaset-days <program-folder> <first day yyyy-MM-dd> <days> [wait]
#include "core/LocalDb.h"
#include "kovaset/KovasetEngine.h"
#include "kovaset/KovasetLog.h"

#include <QCoreApplication>
#include <QDate>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 4 && !(argc == 5 && QByteArray(argv[4]) == "wait")) {
        std::fprintf(stderr, "usage: kovaset-days <program-folder> <first-day> <days> [wait]\n");
        return 2;
    }
    SetProgramFolder(QString::fromLocal8Bit(argv[1]));
    const QDate first = QDate::fromString(QString::fromLatin1(argv[2]), Qt::ISODate);
    const int days = QString::fromLatin1(argv[3]).toInt();
    if (argc == 5) {
        std::printf("ready\n");
        std::fflush(stdout);
        char line[16];
        if (!std::fgets(line, sizeof line, stdin)) return 2;
    }
    QDateTime now;
    KovasetLog log(KovasetLogPath());
    log.setClock([&now] { return now; });
    KovasetEngine engine(log, [&now] { return now; });
    int status = 0;
    engine.setEndHandler([&status](int s) { status = s == 0 ? 3 : s; });
    for (int d = 0; d < days && !engine.hasEnded(); ++d) {
        for (int minute = 0; minute < 2 && !engine.hasEnded(); ++minute) {
            now = QDateTime(first.addDays(d), QTime(10, minute, 0));
            engine.onGreetingTick();
        }
    }
    std::printf("done\n");
    return status;
}
