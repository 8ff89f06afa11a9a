#pragma once

// The template picker: a modal window listing the stored templates of one message kind; "Seç"
// hands the chosen template's whole text back to the opener and closes the picker, "Vazgeç"
// closes it and hands back nothing. The picker never touches the opener's controls: the
// opener puts the text into its own message box.
//
// Opening, from any window with a message box:
//
//     const auto text = frmSablon::Pick(QStringLiteral("ChkMesaj"), QStringLiteral("Müşterilere mesaj gönder"), this);
//     if (text) SetTextBoxText(txtMesaj, *text);
//
// or step by step on the program-wide instance (a member of the work set):
//
//     frmSablon *p = WorkForms::get<frmSablon>();
//     p->TemplateKind = ...; p->CallerTitle = ...; p->Opener = this;
//     connect(p, &frmSablon::TemplateChosen, this, ...);
//     p->exec();                                // returns when the picker has closed
//
// The picker runs its own event loop; an opener that does more after it keeps its own window
// alive across it and stops when that window was unloaded meanwhile (the work set is unloaded
// when the main window closes):
//
//     WorkForms::KeepAlive keep(this);
//     const auto text = frmSablon::Pick(...);
//     if (WorkForms::isUnloaded(this)) return;
//
// Every closing unloads the picker, so each opening reads the kind's templates afresh.

#include "core/RecordSet.h"

#include <QDialog>
#include <QPointer>
#include <QString>

#include <optional>

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

    // Opens a fresh picker modally and returns when it has closed: the text chosen with "Seç"
    // (empty for a template stored without text), nothing when it closed otherwise.
    static std::optional<QString> Pick(const QString &kind, const QString &callerTitle, QWidget *opener);

    // Inputs, set by the opener before the picker is shown. Without a main window the picker
    // centres on the opener's window.
    QString TemplateKind;
    QString CallerTitle;
    QPointer<QWidget> Opener;

private:
    QFrame *Frame1 = nullptr;
    QLabel *Picture1 = nullptr;
    QLabel *Label1 = nullptr;
    DataGrid *DataGrid1 = nullptr;
    QPushButton *Command1 = nullptr; // "Seç"
    QPushButton *Command2 = nullptr; // "Vazgeç"

public:
    // The templates of the kind, one field "Sablon".
    const RecordSet &rsSablon() const { return m_rsSablon; }

    void Command1_Click();
    void Command2_Click();

signals:
    // "Seç" chose a template: its whole text. The picker closes right after.
    void TemplateChosen(const QString &text);

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
