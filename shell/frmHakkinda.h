#pragma once

// The about box: the product line and the account the program is signed in with. Modeless,
// one program-wide instance (WorkForms::get<frmHakkinda>()), not a member of the work set;
// its labels keep the values of the moment it loaded.

#include <QWidget>

class QGroupBox;
class QLabel;
class QPushButton;

class frmHakkinda : public QWidget {
    Q_OBJECT
public:
    frmHakkinda();

private:
    QLabel *Label1 = nullptr;
    QLabel *Image1 = nullptr;
    QLabel *Image2 = nullptr;
    QGroupBox *Frame1 = nullptr;
    QLabel *Label2 = nullptr;
    QLabel *lblKullaniciAdi = nullptr;
    QLabel *lblKullanici = nullptr;
    QLabel *lblBayiKodu = nullptr;
    QLabel *lblBayi = nullptr;
    QPushButton *Command1 = nullptr;

public:
    void Command1_Click();

protected:
    void closeEvent(QCloseEvent *event) override;
    // Esc closes it, as "Kapat" does.
    void keyPressEvent(QKeyEvent *event) override;

private:
    void Form_Load();
};
