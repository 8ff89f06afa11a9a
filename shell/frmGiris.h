#pragma once

// The login window: the operator types the gateway account, the gateway is asked for the
// account's information, and an accepted login saves the account and runs the start tail.

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;

class frmGiris : public QDialog {
    Q_OBJECT
public:
    explicit frmGiris(QWidget *parent = nullptr);

private:
    QLabel *imgInfo;
    QLabel *lblUserName;
    QLineEdit *txtUserName;
    QLabel *lblPassWord;
    QLineEdit *txtPassWord;
    QLabel *lblClientKodu;
    QLineEdit *txtClientKodu;
    QCheckBox *chkKaydet;
    QPushButton *btnOturumAc;
    QPushButton *btnVazgec;

public:
    void Form_Load();
    void btnOturumAc_Click();
    void btnVazgec_Click();

    // Esc and the close box: the program ends, unless the login has succeeded.
    void reject() override;

private:
    void enableButtons(bool enabled);
    bool m_loggedIn = false;
};
