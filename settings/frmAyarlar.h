#pragma once

// The settings window, docked: tab 0 "Genel" (gateway account, ERP server, report option),
// tab 1 "Otomatik mesajlar" (greetings of the current company, greeting hours), tab 2
// "İnteraktif SMS" (interactive service account); below the tabs "Kaydet" and "Vazgeç".
// Opened by the navigation (AyarlarGoster) on a tab. The rules live in settings/SettingsForm.h:
// this window reads its controls, calls them and shows what they return.

#include "settings/SettingsForm.h"
#include "shell/DockedWindow.h"

class QCheckBox;
class QComboBox;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QRadioButton;
class QTabWidget;
class QTimeEdit;

class frmAyarlar : public DockedWindow {
    Q_OBJECT
public:
    frmAyarlar();

private:
    QTabWidget *SSTab1 = nullptr;

    // Tab 0 "Genel"
    QGroupBox *frAyarSecenek = nullptr;
    QRadioButton *optBrenvik = nullptr;
    QRadioButton *optAmbrel = nullptr;
    QGroupBox *frOrvekHesap = nullptr;
    QLineEdit *txtOrvekKullanici = nullptr;
    QLineEdit *txtOrvekParola = nullptr;
    QLineEdit *txtOrvekBayiKodu = nullptr;
    QCheckBox *chkKaydetOrvek = nullptr;
    QLineEdit *txtAmbrelYolu = nullptr;
    QLabel *Label2 = nullptr; // example addresses
    QGroupBox *frAmbrelHesap = nullptr;
    QLineEdit *txtAmbrelKullanici = nullptr;
    QLineEdit *txtAmbrelParola = nullptr;
    QCheckBox *chkKaydetAmbrel = nullptr;
    QPushButton *Command4 = nullptr; // "Kontör bilgisi"
    QPushButton *Command8 = nullptr; // "Kontör yükle"
    QGroupBox *frSunucuAyar = nullptr;
    QLineEdit *txtSunucuAdi = nullptr;
    QLineEdit *txtVtAdi = nullptr;
    QLineEdit *txtSrvKullanici = nullptr;
    QLineEdit *txtSrvParola = nullptr;
    QPushButton *cmdBaglantiSina = nullptr;
    QGroupBox *Frame4 = nullptr;
    QCheckBox *chkAdSoyad = nullptr;
    QLabel *Label31 = nullptr;

    // Tab 1 "Otomatik mesajlar"
    QGroupBox *Frame1 = nullptr;
    QCheckBox *chkDGun = nullptr;
    QLabel *Label12 = nullptr;
    QPlainTextEdit *txtDGunMesaj = nullptr;
    QLabel *Label24 = nullptr;       // counter
    QLabel *Label15 = nullptr;       // "/ 160"
    QPushButton *Command1 = nullptr; // "Ad - Soyad ekle"
    QPushButton *Command6 = nullptr; // "Mesaj şablonu seç"
    QLabel *Label22 = nullptr;
    QComboBox *cbDGunOrg = nullptr;
    QLabel *Label14 = nullptr;
    QLabel *lblDGunOrg = nullptr;
    QCheckBox *chkDGunSablon = nullptr;
    QGroupBox *Frame2 = nullptr;
    QCheckBox *chkEvYil = nullptr;
    QLabel *Label13 = nullptr;
    QPlainTextEdit *txtEvYilMesaj = nullptr;
    QLabel *Label25 = nullptr;
    QLabel *Label16 = nullptr;
    QPushButton *Command2 = nullptr;
    QPushButton *Command7 = nullptr;
    QLabel *Label23 = nullptr;
    QComboBox *cbEvYilOrg = nullptr;
    QLabel *Label17 = nullptr;
    QLabel *lblEvYilOrg = nullptr;
    QCheckBox *chkEvYilSablon = nullptr;
    QGroupBox *Frame3 = nullptr;
    QTimeEdit *DTPicker1 = nullptr;
    QTimeEdit *DTPicker2 = nullptr;
    QLabel *Label30 = nullptr;

    // Tab 2 "İnteraktif SMS"
    QGroupBox *Frame7 = nullptr;
    QLabel *Label18 = nullptr;
    QGroupBox *Frame6 = nullptr;
    QLineEdit *txtIntKullanici = nullptr;
    QLineEdit *txtIntParola = nullptr;
    QLineEdit *txtDk = nullptr;
    QCheckBox *chkInteraktif = nullptr;
    QGroupBox *Frame8 = nullptr;
    QLabel *Label29 = nullptr;

    // Below the tabs
    QFrame *Frame5 = nullptr;
    QPushButton *Command3 = nullptr; // "Kaydet"
    QPushButton *Command5 = nullptr; // "Vazgeç" / "Kapat"

public:
    // The account the last filling showed.
    QString LoadedGateway;
    QString LoadedUser;
    QString LoadedClientCode;
    // The SQL text of the last query the window ran.
    QString QueryText;

    // The controls' values as the save reads them.
    SettingsValues values() const;

    void FillSettingsForm();
    void EnableDGunControls();
    void EnableEvYilControls();

    void optBrenvik_Click();
    void optAmbrel_Click();
    void cbDGunOrg_Click(int index);
    void cbEvYilOrg_Click(int index);
    void txtDGunMesaj_Change();
    void txtEvYilMesaj_Change();
    // The key filter of txtDk: the key's character code, or 0 to drop it.
    int txtDk_KeyPress(int KeyAscii);
    void Command1_Click();
    void Command2_Click();
    void Command3_Click();
    void Command4_Click();
    void Command5_Click();
    void Command6_Click();
    void Command7_Click();
    void Command8_Click();
    void cmdBaglantiSina_Click();

protected:
    void Form_Load() override;
    void ArrangeControls() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void buildGeneralTab(QWidget *page);
    void buildGreetingsTab(QWidget *page);
    void buildInteractiveTab(QWidget *page);
    void applyFill(const SettingsFill &fill);
    void showCounter(QPlainTextEdit *box, QLabel *counter);
    void insertPlaceholders(QPlainTextEdit *box);
    void pickTemplate(const char *kind, const QString &title, QPlainTextEdit *box);
    void focusControl(const QString &name);
    LoadedAccount loadedAccount() const;
    SettingsExchanges exchanges() const;
};
