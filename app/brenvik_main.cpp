#include "core/LocalDb.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    LoadSettings();
    return 0;
}
