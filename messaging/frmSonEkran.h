#pragma once

// The send screen: the last step of a send from a recipient window. It shows the send list,
// the account's credit and originator names, a clock and an optional later date and time;
// "Gönder" puts the whole list into one gateway request, logs an accepted send and opens
// the delivery report window.
//
// How a recipient window hands a send over:
//
//     auto *screen = WorkForms::get<frmSonEkran>();
//     screen->CallerForm = this;
//     screen->frmMDIForm = frmMDIForm;
//     screen->SaveAsTemplate = chkSablonKaydet->checkState() != Qt::Unchecked;
//     screen->TemplateKind = QStringLiteral("ChkMesaj");
//     screen->Show();                       // loads it; its first activation asks the gateway
//     hide();
//     screen->beginFilling();               // "Gönder" and "Listeden çıkart" wait
//     WorkOperation op(this);
//     op.watch(screen);
//     for (...) {                           // gCancelRequested is set by "Vazgeç"
//         ...
//         if (op.yield()) return;           // the screen may be gone after a yield
//         screen->appendRecipient(number, text);   // may throw OrvekError (too long)
//         screen->setAddedCount(++added);  // lblToplam " n"
//     }
//     screen->endFilling();
//     if (screen->SendList().rowCount() == 0) screen->Unload();
//
// Appending costs no widget work per row: the rows go into SendList() at once, and the grid
// and lblToplam catch up at most every 100 ms while filling (and at endFilling), so a list of
// 100,000 rows fills at the merge's own pace. Call endFilling() on every way out of the
// filling (also on errors), or the buttons stay disabled.

#include "shell/DockedWindow.h"

#include "core/RecordSet.h"
#include "messaging/SendSteps.h"
#include "shell/Twips.h"

#include <QPointer>
#include <QString>
#include <functional>
#include <memory>

class BrowserView;
class Gateway;
class QCheckBox;
class QComboBox;
class QDateEdit;
class QFrame;
class QLabel;
class QPushButton;
class QTableView;
class QTimeEdit;
class QTimer;
class SendListModel;

// Where the screen's controls stand (twips), from its own width w, height h, inner width s
// and the width of cmdVazgec.
struct SonEkranLayout {
    TwRect DataGrid1;
    int messageColumnWidth = 0;
    TwRect cmdLstCikart;
    TwRect Frame1;
    TwRect Frame2;
    TwRect cmdGonder;
    TwRect cmdVazgec;
    TwRect lblNet;
    TwRect WebBrowser1;
};
SonEkranLayout SonEkranArrangement(int w, int h, int s, int vazgecWidth);

class frmSonEkran : public DockedWindow {
    Q_OBJECT
public:
    frmSonEkran();
    ~frmSonEkran() override;

    // Inputs, set by the opener before Show.
    QPointer<QWidget> CallerForm;
    bool SaveAsTemplate = false;
    QString TemplateKind;

    // The send list (GsmNo 10, Mesaj 255), in the order the rows were added.
    const RecordSet &SendList() const;

private:
    SendListModel *Adodc1 = nullptr;

public:
    // --- Filling, for the opener ---------------------------------------------------------
    // While the list is being filled "Gönder" and "Listeden çıkart" are disabled.
    void beginFilling();
    void endFilling();
    bool isFilling() const { return m_filling; }
    // Appends one row. A number over 10 or a text over 255 characters throws OrvekError and
    // adds nothing.
    void appendRecipient(QStringView gsmNo, QStringView mesaj);
    // Room for the rows of a filling that knows its count.
    void reserveRows(int rows);
    // lblToplam: " " + the number of rows the opener added (the credit test compares with it).
    // While filling, the label and the grid catch up at most every 100 ms and at endFilling.
    void setAddedCount(int count);

private:
    // --- Controls --------------------------------------------------------------------------
    QTableView *DataGrid1 = nullptr;
    QPushButton *cmdLstCikart = nullptr;
    QFrame *Frame1 = nullptr;
    QFrame *Frame2 = nullptr;
    QLabel *Label1 = nullptr;
    QComboBox *cbGonderen = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *lblToplam = nullptr;
    QLabel *Label3 = nullptr;
    QLabel *lblKontor = nullptr;
    QCheckBox *chkIleriTarih = nullptr;
    QDateEdit *DTPicker1 = nullptr;
    QTimeEdit *DTPicker2 = nullptr;
    QLabel *Label4 = nullptr;
    QLabel *Label5 = nullptr;
    QPushButton *cmdGonder = nullptr;
    QPushButton *cmdVazgec = nullptr;
    QLabel *lblNet = nullptr;
    BrowserView *WebBrowser1 = nullptr;
    QTimer *Timer1 = nullptr;

public:
    // --- Handlers --------------------------------------------------------------------------
    void cmdGonder_Click();
    void cmdLstCikart_Click();
    // "Vazgeç" while the list fills stops the filling: the caption becomes "Kapat" and sending
    // stays off. "Vazgeç" on a complete list, and "Kapat", go back to the recipient window.
    void cmdVazgec_Click();
    void Timer1_Timer();

    // The red warning that the gateway cannot be reached. The label wraps it itself: the runs
    // of blanks that once broke its lines are single blanks.
    static QString NetWarningText();

    // After an accepted send: writes its rows (FinishAcceptedSend, the over-limit state taken
    // from overLimitRecipients), shows the boxes of the outcome and exports the recipients over
    // the limit to OverLimitFileName() around the progress window. The export lets the message
    // loop run; it ends without a file once mustStop says so (the send screen stops it only
    // when the program ends: that file is the record of the numbers not sent).
    static AcceptedSendResult CompleteAcceptedSend(AcceptedSend send, const RecordSet &overLimitRecipients,
                                                   const std::function<bool()> &mustStop = {});

protected:
    void Form_Load() override;
    void Form_Activate() override;
    void ArrangeControls() override;
    bool Form_QueryUnload() override;

private:
    void buildControls();
    void updateButtons();
    void goToFirstRow();
    Gateway &sendGateway();
    void openReportWindow();
    void showAddedCount();

    std::unique_ptr<Gateway> m_sendGateway;
    bool m_filling = false;
    bool m_sending = false;     // a send runs: its buttons take no click
    bool m_cancelled = false;   // "Vazgeç" was pressed: sending stays off
    bool m_maybeSent = false;   // a send of this list got no reply: ask before the next one
    bool m_accountRead = false; // the activation's reply held account information
    int m_addedCount = -1;      // last count the opener gave (-1: none yet)
    QTimer *m_countTimer = nullptr;
};
