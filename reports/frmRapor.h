#pragma once

// The delivery report window, docked. Its tabs: 0 one sending, 1 between two dates,
// 2 one mobile number; each tab holds its frame. Its load ends by clearing the cancel flag
// gCancelRequested.

#include "shell/DockedWindow.h"

class QFrame;
class QTabWidget;

class frmRapor : public DockedWindow {
    Q_OBJECT
public:
    frmRapor();

    QFrame *frRapor = nullptr;
    QTabWidget *SSTab1 = nullptr;
    QFrame *frSMS = nullptr;
    QFrame *frTarih = nullptr;
    QFrame *frGSM = nullptr;

protected:
    void Form_Load() override;
    void ArrangeControls() override;
};
