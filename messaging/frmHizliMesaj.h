#pragma once

// The quick message window: numbers typed by hand, one text for all of them, sent in one
// gateway request; an accepted send is logged, optionally kept as a template, and the
// delivery report window opens. Docked; opened by the navigation (HizliMesajGoster).
//
// The message box takes at most 160 characters, a line break counting two (CR LF), whatever
// puts the text there: typing, pasting or a picked template (a longer one is cut to 160).
// "Gönder" is the window's default button: Enter presses it, also inside the message box,
// where Ctrl+Enter makes a line break. Only in the number box Enter adds the number ("Ekle").

#include "shell/DockedWindow.h"

#include <QString>

class QCheckBox;
class QComboBox;
class QDateEdit;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPlainTextEdit;
class QPushButton;
class QTimeEdit;
class QTimer;

class frmHizliMesaj : public DockedWindow {
    Q_OBJECT
public:
    frmHizliMesaj();

private:
    QFrame *Frame3 = nullptr;    // header band
    QFrame *Frame1 = nullptr;    // body
    QGroupBox *Frame2 = nullptr; // "Mesaj gönderilecek numaralar"
    QGroupBox *Frame4 = nullptr; // "Gönderim seçenekleri"
    QLineEdit *txtGSM = nullptr;
    QPushButton *Command1 = nullptr; // "Ekle"
    QPushButton *Command2 = nullptr; // "Sil"
    QListWidget *List1 = nullptr;
    QLineEdit *txtMesajSay = nullptr;
    QLineEdit *txtKontor = nullptr;
    QComboBox *Combo1 = nullptr;
    QPlainTextEdit *txtMesaj = nullptr;
    QLabel *Label5 = nullptr; // length counter
    QCheckBox *chkIleriTarih = nullptr;
    QDateEdit *DTPicker1 = nullptr;
    QTimeEdit *DTPicker2 = nullptr;
    QLabel *Label11 = nullptr; // clock
    QCheckBox *chkSablon = nullptr;
    QPushButton *Command3 = nullptr; // "Gönder"
    QPushButton *Command4 = nullptr; // "Vazgeç"
    QPushButton *Command5 = nullptr; // "Mesaj şablonu seç"
    QPushButton *Command6 = nullptr; // "Kontör yükle"
    QTimer *Timer1 = nullptr;

public:
    // The count of numbers in List1.
    int mGsmCount = 0;

    // The message box's text with its line breaks as CR LF.
    QString messageText() const;

    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void Timer1_Timer();
    void txtMesaj_Change();
    // The number box's key filter: returns the key's character code, or 0 to drop it.
    int txtGSM_KeyPress(int KeyAscii);

protected:
    void Form_Load() override;
    void ArrangeControls() override;
    void keyPressEvent(QKeyEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void limitMessage(int position, int charsAdded);
    void showClock();
    bool m_limiting = false;
    // The account reply held account information (no answer, a code or a page did not).
    bool m_accountRead = false;
    // A send went out without a reply: the next "Gönder" asks before sending again.
    bool m_maybeSent = false;
};
