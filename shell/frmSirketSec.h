#pragma once

// The ERP company window: lists the companies of the ERP database; "Tamam" takes the
// selected one for the rest of the run.

#include <QDialog>

class QLabel;
class QPushButton;
class QTreeWidget;
struct CompanyStepResult;

class frmSirketSec : public QDialog {
    Q_OBJECT
public:
    explicit frmSirketSec(QWidget *parent = nullptr);

    // Node data role holding the node's key ("SIR" + company code).
    static constexpr int KeyRole = Qt::UserRole;

private:
    QLabel *Image1;
    QLabel *Label1;
    QTreeWidget *tw1;
    QPushButton *Command1;

public:
    // Fills the list. False when the program has ended (no ERP connection, no company):
    // the window must not be shown then.
    bool Form_Load();
    void Command1_Click();

private:
    // The box of a failed step, then the end of the program.
    static void endStart(const CompanyStepResult &failed);
};
