#pragma once

// The interactive SMS window, docked. Its tabs: 0 incoming messages, 1 answer settings.
// Its close handler also unloads the field placeholder menu.

#include "shell/DockedWindow.h"

class QTabWidget;

class frmInteractiveSMS : public DockedWindow {
    Q_OBJECT
public:
    frmInteractiveSMS();

    QTabWidget *SSTab1 = nullptr;

protected:
    void ArrangeControls() override;
    bool Form_QueryUnload() override;
};
