#pragma once

// Shared pieces of the benchmarks that run windows offscreen.

#include "core/AppState.h"
#include "messaging/frmSonEkran.h"
#include "shell/WorkArea.h"
#include "tests/support/MainWindowFixture.h"

#include <QApplication>
#include <QCoreApplication>

#include <benchmark/benchmark.h>

// The send screen shown in `fx`'s main window, its account request failing at once.
inline frmSonEkran *ShowSendScreen(MainWindowFixture &fx)
{
    gGatewayUrl = QStringLiteral("http://127.0.0.1:1/none");
    frmSonEkran *screen = WorkForms::get<frmSonEkran>();
    screen->frmMDIForm = fx.mdi();
    screen->Show();
    QCoreApplication::processEvents();
    return screen;
}

// main() of a benchmark with windows: a QApplication, offscreen unless QT_QPA_PLATFORM says
// otherwise, then the benchmarks chosen on the command line.
inline int RunWidgetBenchmarks(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
