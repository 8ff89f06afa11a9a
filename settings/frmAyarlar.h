#pragma once

// The settings window, docked. Its tabs: 0 account and server settings, 1 automatic
// messages, 2 interactive SMS.

#include "shell/DockedWindow.h"

class QTabWidget;

class frmAyarlar : public DockedWindow {
    Q_OBJECT
public:
    frmAyarlar();

    QTabWidget *SSTab1 = nullptr;

protected:
    void ArrangeControls() override;
};
