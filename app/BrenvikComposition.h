#pragma once

// What Brenvik installs before Main(): the Widgets implementations of the seams, the startup
// windows, the hand-over of the recipient windows, the catalog of windows opened by name and
// the closing of the databases at the end of the program.

// Every installation below, in the order Brenvik needs them.
void InstallBrenvik();

// The windows opened by name (WorkForms::get(name)) and the work set members that keep their
// own instance (app/WorkFormCatalog.cpp).
void InstallWorkFormCatalog();
