#pragma once

// The query and chart window over the incoming messages: a modal window over the
// interactive SMS window, a member of the work set. Its tabs: 0 the messages found,
// 1 the chart. "Kapat" unloads it.

#include <QDialog>

class QPushButton;
class QTabWidget;

class frmInteractiveGraf : public QDialog {
    Q_OBJECT
public:
    explicit frmInteractiveGraf(QWidget *parent = nullptr);

    QTabWidget *SSTab1 = nullptr;
    QPushButton *DMSXpButton1 = nullptr;

    void DMSXpButton1_Click();

    // Escape and the close box end the window like "Kapat".
    void reject() override;
};
