// Compiled into every program that links the window test support: the windows opened by name
// are known from the start of the application, as in Brenvik.

#include "app/BrenvikComposition.h"

#include <QCoreApplication>

namespace {
void installCatalog() { InstallWorkFormCatalog(); }
} // namespace

Q_COREAPP_STARTUP_FUNCTION(installCatalog)
