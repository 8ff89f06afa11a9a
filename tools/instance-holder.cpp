// Takes the single-instance lock of the main program installed in a folder, as a second
// process for the tests: prints "held" when it got the lock or "busy" when another copy
// holds it, then waits until its standard input ends. With a program path it also starts
// that program through the shell after taking the lock, as the main program's start does.
//   instance-holder <program-folder> [program]
#include "core/LocalDb.h"
#include "core/Services.h"
#include "core/Startup.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc != 2 && argc != 3) {
        std::fprintf(stderr, "usage: instance-holder <program-folder> [program]\n");
        return 2;
    }
    SetProgramFolder(QString::fromLocal8Bit(argv[1]));
    const bool held = AcquireSingleInstanceLock(QStringLiteral("Brenvik"));
    if (held && argc == 3) Shell::startProgram(QString::fromLocal8Bit(argv[2]));
    std::printf("%s\n", held ? "held" : "busy");
    std::fflush(stdout);
    char line[64];
    while (std::fgets(line, sizeof line, stdin)) {}
    ReleaseSingleInstanceLock();
    return 0;
}
