#pragma once

// The template picker: a modal window listing the stored templates of one message kind; "Seç"
// replaces the whole text of the opener's message box with the chosen template and closes the
// picker, "Vazgeç" closes it and leaves the box as it was.
//
// Opening, from any window with a message box:
//
//     frmSablon::Pick(QStringLiteral("ChkMesaj"), QStringLiteral("Müşterilere mesaj gönder"), txtMesaj);
//
// or step by step on the program-wide instance (a member of the work set):
//
//     frmSablon *p = WorkForms::get<frmSablon>();
//     p->TemplateKind = ...; p->CallerTitle = ...; p->TargetTextBox = txtMesaj;
//     p->exec();                                // returns when the picker has closed
//
// The picker runs its own event loop; an opener that does more after it keeps its own window
// alive across it and stops when that window was unloaded meanwhile (the work set is unloaded
// when the main window closes):
//
//     WorkForms::KeepAlive keep(this);
//     frmSablon::Pick(...);
//     if (WorkForms::isUnloaded(this)) return;
//
// Every closing unloads the picker, so each opening reads the kind's templates afresh. The
// target box may be a QLineEdit, QPlainTextEdit or QTextEdit; its text changes only by "Seç".

#include "core/RecordSet.h"

#include <QDialog>
#include <QPointer>
#include <QString>

class DataGrid;
class QFrame;
class QLabel;
class QPushButton;
class RecordSetModel;

class frmSablon : public QDialog {
    Q_OBJECT
public:
    static constexpr const char *kDesignCaption = "Mesaj şablonları - ";

    explicit frmSablon(QWidget *parent = nullptr);

    // Opens a fresh picker modally and returns when it has closed.
    static void Pick(const QString &kind, const QString &callerTitle, QWidget *targetTextBox);

    // Inputs, set by the opener before the picker is shown.
    QString TemplateKind;
    QString CallerTitle;
    QPointer<QWidget> TargetTextBox;

    QFrame *Frame1 = nullptr;
    QLabel *Picture1 = nullptr;
    QLabel *Label1 = nullptr;
    DataGrid *DataGrid1 = nullptr;
    QPushButton *Command1 = nullptr; // "Seç"
    QPushButton *Command2 = nullptr; // "Vazgeç"

    // The templates of the kind, one field "Sablon".
    const RecordSet &rsSablon() const { return m_rsSablon; }

    void Command1_Click();
    void Command2_Click();

protected:
    void showEvent(QShowEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void done(int result) override;

private:
    void Form_Load();
    void Form_QueryUnload();
    void ArrangeControls();
    void PlaceOverMainWindow();
    bool isRegistered() const;

    RecordSet m_rsSablon;
    RecordSetModel *m_model = nullptr;
    bool m_loaded = false;
};
