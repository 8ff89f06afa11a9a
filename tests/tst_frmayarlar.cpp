#include "core/AppState.h"
#include "core/Base64.h"
#include "core/Startup.h"
#include "messaging/frmSablon.h"
#include "settings/frmAyarlar.h"
#include "shell/OffThread.h"
#include "shell/Twips.h"
#include "shell/WorkArea.h"
#include "shell/frmAna.h"
#include "shell/frmBrw.h"
#include "shell/frmMDI.h"
#include "tests/support/Controls.h"
#include "tests/support/MainWindowFixture.h"
#include "tests/support/SettingsServers.h"

#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QGroupBox>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTextCursor>
#include <QTimeEdit>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

namespace {
const QString kSaved = QStringLiteral("Kullanıcı bilgileriniz başarıyla kaydedildi.");

// The main window signed in as Brenvik demo / B001, the settings servers, and ERP settings and
// a check period stored, so that an untouched window saves completely.
struct SettingsWindow {
    MainWindowFixture fx;
    SettingsServers servers{fx.folder};
    QPointer<frmAyarlar> w;

    SettingsWindow()
    {
        const base64 codec;
        fx.folder.exec("UPDATE tbl_param SET deger=? WHERE parametre='OrvekServer'",
                       {codec.Encode(servers.erpServer())});
        fx.folder.exec("UPDATE tbl_param SET deger=? WHERE parametre='OrvekDatabase'", {codec.Encode("ORVEK")});
        fx.folder.exec("UPDATE tbl_param SET deger='5' WHERE parametre='IntPeriyot'");
        servers.gateway.setReply(QStringLiteral("4"), QStringLiteral("1500\nORVEK\nTALVANE\n"));
    }
    frmAyarlar *open(const QString &key = QStringLiteral("HesapAyar"))
    {
        Control<QTreeWidget>(fx.ana(), "TreeView1")->expandAll();
        fx.clickNode(key);
        w = WorkForms::find<frmAyarlar>();
        return w;
    }
    void save() { QTest::mouseClick(Control<QPushButton>(w, "Command3"), Qt::LeftButton); }
    QStringList getInfoUsers() const
    {
        QStringList users;
        for (const QString &b : servers.gateway.bodies())
            if (FakeGateway::element(b, QStringLiteral("Action")) == QLatin1String("4"))
                users << FakeGateway::element(b, QStringLiteral("UserName"));
        return users;
    }
};

// Types text key by key, letters outside Latin-1 included.
void typeText(QWidget *w, const QString &text)
{
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(w, &press);
        QApplication::sendEvent(w, &release);
    }
}

QString text(QWidget *w)
{
    if (auto *b = qobject_cast<QAbstractButton *>(w)) return b->text();
    if (auto *l = qobject_cast<QLabel *>(w)) return l->text();
    if (auto *g = qobject_cast<QGroupBox *>(w)) return g->title();
    return QString();
}
} // namespace

class TestFrmAyarlar : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void opensOnTab_data();
    void opensOnTab();
    void designCaptions_data();
    void designCaptions();
    void fillShowsAccountAndGreetings();
    void fillAmbrelAccount();
    void fillFailureShownOnce();
    void firstInstallRoad();
    void saveCompletes();
    void accountChangeRefills();
    void stoppedSaveBoxThenTabThenFocus_data();
    void stoppedSaveBoxThenTabThenFocus();
    void periodBoxTakesDigitsOnly();
    void namePlaceholdersAndCounter();
    void templatePicker();
    void serverButtons();
    void creditQueryLeavesTheWindowRunning();
    void leavingDropsEdits();
    void blockStaysCentred();
    void switchToAmbrel();
    void captionsFitAtDefaultSize();
};

void TestFrmAyarlar::initTestCase()
{
    for (const char *name : {"http_proxy", "HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
        qunsetenv(name);
}

void TestFrmAyarlar::opensOnTab_data()
{
    QTest::addColumn<QString>("leaf");
    QTest::addColumn<int>("tab");
    QTest::newRow("Hesap ayarları") << "HesapAyar" << 0;
    QTest::newRow("Otomatik mesajlar") << "Kovaset" << 1;
    QTest::newRow("İnteraktif SMS") << "Interaktif" << 2;
}

void TestFrmAyarlar::opensOnTab()
{
    QFETCH(QString, leaf);
    QFETCH(int, tab);
    SettingsWindow s;
    QVERIFY(s.open(leaf));
    QCOMPARE(Control<QTabWidget>(s.w, "SSTab1")->currentIndex(), tab);
    QStringList captions;
    for (int i = 0; i < Control<QTabWidget>(s.w, "SSTab1")->count(); ++i)
        captions << Control<QTabWidget>(s.w, "SSTab1")->tabText(i);
    QCOMPARE(captions, (QStringList{"Genel", "Otomatik mesajlar", "İnteraktif SMS"}));
    QCOMPARE(WorkForms::loadedWorkForms(), QStringList{"frmAyarlar"});
    QCOMPARE(s.fx.prompts.count(), 0);
}

void TestFrmAyarlar::designCaptions_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    const QStringList rows{
        "frAyarSecenek|Kullanıcı hesapları",
        "optBrenvik|Mesajları Brenvik kullanıcı hesabıyla gönder",
        "optAmbrel|Mesajları Ambrel kullanıcı hesabıyla gönder",
        "frOrvekHesap|Brenvik Kullanıcı hesabı",
        "frAmbrelHesap|Ambrel Kullanıcı hesabı",
        "chkKaydetOrvek|Bilgilerimi kaydet",
        "Command4|Kontör bilgisi",
        "Command8|Kontör yükle",
        "frSunucuAyar|Sunucu bilgileri",
        "cmdBaglantiSina|Bağlantıyı sına",
        "Frame4|Raporlama",
        "chkAdSoyad|SMS raporlarında Yetkili Ad / Soyad bilgilerini göster. (Önerilmez)",
        "Label31|NOT : Genel sekmesinde yapılan değişiklikler tüm şirket tanımlarını etkiler.",
        "Frame1|Doğum günü tebriği",
        "chkDGun|Doğum günü gelenlere otomatik mesaj gönder.",
        "Label12|Mesaj içeriği:",
        "Label15|/ 160",
        "Command1|Ad - Soyad ekle",
        "Command6|Mesaj şablonu seç",
        "Label22|Seçiniz :",
        "Label14|Gönderen:",
        "chkDGunSablon|Mesajı şablon olarak kaydet",
        "Frame2|Evlilik yıldönümü tebriği",
        "chkEvYil|Evlilik yıldönümü gelenlere otomatik mesaj gönder.",
        "chkEvYilSablon|Mesaj şablon olarak kaydet",
        "Frame3|Kontrol saati",
        "Label30|NOT : Kontrol saatinde yapılan değişiklik tüm şirket tanımlarını etkiler.",
        "Label18|Müşterilerinize interaktif SMS hizmetimizi kullanarak  kampanyalar, çekilişler, anketler "
        "düzenleyebilir, borç sorgulama gibi hizmetler sunabilirsiniz.",
        "Frame6|Hesap ayarları",
        "chkInteraktif|Servisi çalıştır.",
        "Label29|NOT : İnteraktif SMS ayarlarında yaptığınız değişiklikler tüm şirket tanımlarını etkiler.",
        "Command3|Kaydet",
        "Command5|Vazgeç",
    };
    for (const QString &r : rows)
        QTest::newRow(qPrintable(r.section('|', 0, 0))) << r.section('|', 0, 0) << r.section('|', 1);
}

void TestFrmAyarlar::designCaptions()
{
    QFETCH(QString, name);
    QFETCH(QString, caption);
    MainWindowFixture fx;
    auto *w = WorkForms::get<frmAyarlar>();
    auto *control = w->findChild<QWidget *>(name);
    QVERIFY2(control, qPrintable(name));
    QCOMPARE(text(control), caption);
    // Design state of the greeting frames: disabled, the template boxes excepted.
    QVERIFY(!Control<QPlainTextEdit>(w, "txtDGunMesaj")->isEnabled() &&
            !Control<QComboBox>(w, "cbEvYilOrg")->isEnabled() && !Control<QPushButton>(w, "Command7")->isEnabled());
    QVERIFY(Control<QCheckBox>(w, "chkDGunSablon")->isEnabled() &&
            Control<QCheckBox>(w, "chkEvYilSablon")->isEnabled());
    QCOMPARE(Control<QLineEdit>(w, "txtOrvekParola")->echoMode(), QLineEdit::Password);
    QCOMPARE(Control<QLineEdit>(w, "txtSrvParola")->echoMode(), QLineEdit::Password);
    QCOMPARE(Control<QLineEdit>(w, "txtIntParola")->echoMode(), QLineEdit::Password);
    QCOMPARE(Control<QTimeEdit>(w, "DTPicker1")->displayFormat(), QStringLiteral("HH:mm:ss"));
    WorkForms::unload(w);
}

void TestFrmAyarlar::fillShowsAccountAndGreetings()
{
    SettingsWindow s;
    s.fx.folder.exec("UPDATE tbl_kovaset_ayar SET flg_dgun_mesaj='1', dgun_mesaj=?, dgun_gonderen='ESKI'",
                     {QString(170, QLatin1Char('a'))});
    QVERIFY(s.open(QStringLiteral("Kovaset")));
    frmAyarlar *w = s.w;
    auto *chkDGun = Control<QCheckBox>(w, "chkDGun");
    auto *cbDGunOrg = Control<QComboBox>(w, "cbDGunOrg");
    auto *lblDGunOrg = Control<QLabel>(w, "lblDGunOrg");
    QCOMPARE(s.fx.prompts.count(), 0);
    QVERIFY(Control<QRadioButton>(w, "optBrenvik")->isChecked());
    QCOMPARE(Control<QLineEdit>(w, "txtOrvekKullanici")->text(), QStringLiteral("demo"));
    QCOMPARE(Control<QLineEdit>(w, "txtOrvekBayiKodu")->text(), QStringLiteral("B001"));
    QVERIFY(Control<QCheckBox>(w, "chkKaydetOrvek")->isChecked());
    QVERIFY(Control<QLineEdit>(w, "txtOrvekKullanici")->isEnabled());
    QVERIFY(!Control<QLineEdit>(w, "txtAmbrelYolu")->isEnabled() &&
            !Control<QLineEdit>(w, "txtAmbrelKullanici")->isEnabled());
    QVERIFY(!Control<QPushButton>(w, "Command8")->isHidden());
    QCOMPARE(Control<QLineEdit>(w, "txtSunucuAdi")->text(), s.servers.erpServer());
    QCOMPARE(Control<QLineEdit>(w, "txtDk")->text(), QStringLiteral("5"));
    QCOMPARE(Control<QTimeEdit>(w, "DTPicker1")->time(), QTime(9, 0, 0));
    QCOMPARE(Control<QTimeEdit>(w, "DTPicker2")->time(), QTime(18, 0, 0));
    QCOMPARE(s.getInfoUsers(), QStringList{"demo-B001"});

    // The stored greeting opens its frame; the counter shows the overflow in red.
    QVERIFY(chkDGun->isChecked());
    QVERIFY(Control<QPlainTextEdit>(w, "txtDGunMesaj")->isEnabled() && cbDGunOrg->isEnabled() &&
            Control<QPushButton>(w, "Command1")->isEnabled());
    QCOMPARE(Control<QLabel>(w, "Label24")->text(), QStringLiteral("-10"));
    QCOMPARE(Control<QLabel>(w, "Label24")->palette().color(QPalette::Active, QPalette::WindowText), QColor(Qt::red));
    QVERIFY(!Control<QPlainTextEdit>(w, "txtEvYilMesaj")->isEnabled());
    QCOMPARE(Control<QLabel>(w, "Label25")->text(), QStringLiteral("160"));
    QCOMPARE(Control<QLabel>(w, "Label25")->palette().color(QPalette::Active, QPalette::WindowText), QColor(Qt::black));

    // Both lists hold the originators with none chosen; the label shows the stored one.
    for (QComboBox *list : {cbDGunOrg, Control<QComboBox>(w, "cbEvYilOrg")}) {
        QCOMPARE(list->count(), 2);
        QCOMPARE(list->itemText(1), QStringLiteral("TALVANE"));
        QCOMPARE(list->currentIndex(), -1);
    }
    QCOMPARE(lblDGunOrg->text(), QStringLiteral("ESKI"));
    QCOMPARE(w->LoadedUser, QStringLiteral("demo"));
    QCOMPARE(w->LoadedClientCode, QStringLiteral("B001"));
    QCOMPARE(w->LoadedGateway, QStringLiteral("Brenvik"));

    // Only the operator's choice sets the label.
    cbDGunOrg->setCurrentIndex(0);
    QCOMPARE(lblDGunOrg->text(), QStringLiteral("ESKI"));
    emit cbDGunOrg->activated(1);
    QCOMPARE(lblDGunOrg->text(), QStringLiteral("TALVANE"));

    // Unticking closes the frame.
    QTest::mouseClick(chkDGun, Qt::LeftButton, Qt::NoModifier, QPoint(5, chkDGun->height() / 2));
    QVERIFY(!chkDGun->isChecked());
    QVERIFY(!Control<QPlainTextEdit>(w, "txtDGunMesaj")->isEnabled() && !lblDGunOrg->isEnabled() &&
            !Control<QPushButton>(w, "Command6")->isEnabled());
}

void TestFrmAyarlar::fillAmbrelAccount()
{
    SettingsWindow s;
    gGatewayKind = GatewayKind::Ambrel;
    gUserName = QStringLiteral("yerel");
    gCkey = QStringLiteral("kalan");
    gFlgKaydet = QStringLiteral("0");
    QVERIFY(s.open());
    frmAyarlar *w = s.w;
    QVERIFY(Control<QRadioButton>(w, "optAmbrel")->isChecked());
    QCOMPARE(Control<QLineEdit>(w, "txtAmbrelYolu")->text(), s.servers.gateway.url());
    QCOMPARE(Control<QLineEdit>(w, "txtAmbrelKullanici")->text(), QStringLiteral("yerel"));
    QVERIFY(!Control<QCheckBox>(w, "chkKaydetAmbrel")->isChecked());
    QVERIFY(Control<QLineEdit>(w, "txtAmbrelYolu")->isEnabled());
    QCOMPARE(Control<QLineEdit>(w, "txtOrvekKullanici")->text(), QString());
    QCOMPARE(Control<QLineEdit>(w, "txtOrvekBayiKodu")->text(), QString());
    QVERIFY(!Control<QLineEdit>(w, "txtOrvekKullanici")->isEnabled() &&
            !Control<QCheckBox>(w, "chkKaydetOrvek")->isEnabled());
    QVERIFY(Control<QPushButton>(w, "Command8")->isHidden());
    QCOMPARE(s.getInfoUsers(), QStringList{"yerel"});
    QCOMPARE(w->LoadedClientCode, QString());
}

void TestFrmAyarlar::fillFailureShownOnce()
{
    SettingsWindow s;
    s.fx.folder.exec("UPDATE tbl_param SET deger='%%%' WHERE parametre IN ('OrvekUser','IntParola')");
    s.fx.folder.exec("UPDATE tbl_param SET deger='öğlen' WHERE parametre='KovasetBitir'");
    s.fx.folder.exec("UPDATE tbl_kovaset_ayar SET flg_evyil_mesaj='1', evyil_mesaj='Nice yıllara'");
    QVERIFY(s.open());
    QCOMPARE(s.fx.prompts.count(), 1);
    QCOMPARE(s.fx.prompts.last().icon, PromptIcon::Critical);
    QCOMPARE(s.fx.prompts.last().title, QStringLiteral("Brenvik"));
    // Everything after the failures was filled all the same.
    QCOMPARE(Control<QLineEdit>(s.w, "txtVtAdi")->text(), QStringLiteral("ORVEK"));
    QVERIFY(Control<QCheckBox>(s.w, "chkEvYil")->isChecked());
    QCOMPARE(Control<QTimeEdit>(s.w, "DTPicker1")->time(), QTime(9, 0, 0));
    QCOMPARE(s.w->LoadedUser, QStringLiteral("demo"));
}

void TestFrmAyarlar::firstInstallRoad()
{
    SettingsWindow s;
    gCompanyCode.clear();
    gCompanyName.clear();
    QVERIFY(s.open(QStringLiteral("Kovaset")));
    frmAyarlar *w = s.w;
    QCOMPARE(s.fx.prompts.count(), 0);
    for (QWidget *c : std::initializer_list<QWidget *>{
             Control<QCheckBox>(w, "chkDGun"), Control<QCheckBox>(w, "chkEvYil"),
             Control<QCheckBox>(w, "chkDGunSablon"), Control<QCheckBox>(w, "chkEvYilSablon"),
             Control<QPlainTextEdit>(w, "txtDGunMesaj"), Control<QPlainTextEdit>(w, "txtEvYilMesaj")})
        QVERIFY2(!c->isEnabled(), qPrintable(c->objectName()));
    QCOMPARE(Control<QTimeEdit>(w, "DTPicker1")->time(), QTime(9, 0, 0));

    s.save();
    QCOMPARE(s.fx.prompts.texts(), QStringList{kSaved});
    QCOMPARE(s.servers.launches, QStringList{KovasetProgramPath()});
    QCOMPARE(s.servers.param("KovasetBasla"), QStringLiteral("09:00:00"));
    QCOMPARE(s.fx.mdi()->windowTitle(), QStringLiteral("Orvek® Talvane [Kullanıcı : demo Şirket : ]"));
}

void TestFrmAyarlar::saveCompletes()
{
    SettingsWindow s;
    QVERIFY(s.open());
    Control<QCheckBox>(s.w, "chkAdSoyad")->setChecked(true);
    Control<QTimeEdit>(s.w, "DTPicker2")->setTime(QTime(7, 5, 0));
    s.servers.clearWrites();
    s.save();
    QCOMPARE(s.fx.prompts.count(), 1);
    QCOMPARE(s.fx.prompts.last().text, kSaved);
    QCOMPARE(s.fx.prompts.last().icon, PromptIcon::Information);
    QCOMPARE(s.fx.prompts.last().title, QStringLiteral("Brenvik"));
    QCOMPARE(Control<QPushButton>(s.w, "Command5")->text(), QStringLiteral("Kapat"));
    QCOMPARE(s.fx.mdi()->windowTitle(), QStringLiteral("Orvek® Talvane [Kullanıcı : demo Şirket : Merkez Ticaret]"));
    QCOMPARE(s.servers.param("flg_raporad"), QStringLiteral("1"));
    QCOMPARE(s.servers.param("KovasetBitir"), QStringLiteral("07:05:00"));
    const QStringList writes = s.servers.writes();
    QCOMPARE(writes.mid(writes.size() - 2), (QStringList{"param flg_kovaset=1", "launch flg_kovaset=1"}));
    QCOMPARE(s.getInfoUsers(), (QStringList{"demo-B001", "demo-B001"}));
}

void TestFrmAyarlar::accountChangeRefills()
{
    SettingsWindow s;
    s.fx.folder.exec("UPDATE tbl_kovaset_ayar SET flg_dgun_mesaj='1', dgun_mesaj='Merhaba', dgun_gonderen='ORVEK'");
    QVERIFY(s.open());
    const QString captionBefore = s.fx.mdi()->windowTitle();
    Control<QLineEdit>(s.w, "txtOrvekKullanici")->setText(QStringLiteral("Demo"));
    s.servers.gateway.queueReply(QStringLiteral("4"), QStringLiteral("900\nORVEK\n")); // the account test
    s.servers.gateway.queueReply(QStringLiteral("4"), QStringLiteral("900\nYENI\n"));  // the refill
    s.save();
    QCOMPARE(s.fx.prompts.count(), 1);
    QCOMPARE(s.fx.prompts.last().icon, PromptIcon::Information);
    QCOMPARE(s.fx.prompts.last().title, QStringLiteral("Brenvik Kullanıcı hesapları"));
    QVERIFY(s.fx.prompts.last().text.startsWith(QStringLiteral("Kullanıcı hesap bilgileriniz başarıyla kaydedildi.")));
    QCOMPARE(s.getInfoUsers(), (QStringList{"demo-B001", "Demo-B001", "Demo-B001"}));
    QCOMPARE(Control<QTabWidget>(s.w, "SSTab1")->currentIndex(), 1);
    QVERIFY(!Control<QCheckBox>(s.w, "chkDGun")->isChecked());
    QVERIFY(!Control<QPlainTextEdit>(s.w, "txtDGunMesaj")->isEnabled());
    QCOMPARE(Control<QLabel>(s.w, "lblDGunOrg")->text(), QString());
    QCOMPARE(Control<QPlainTextEdit>(s.w, "txtDGunMesaj")->toPlainText(), QStringLiteral("Merhaba"));
    QCOMPARE(Control<QComboBox>(s.w, "cbDGunOrg")->itemText(0), QStringLiteral("YENI"));
    QCOMPARE(s.w->LoadedUser, QStringLiteral("Demo"));
    QCOMPARE(Control<QPushButton>(s.w, "Command5")->text(), QStringLiteral("Kapat"));
    QCOMPARE(s.servers.param("flg_kovaset"), QStringLiteral("0"));
    QVERIFY(s.servers.launches.isEmpty());
    QCOMPARE(s.fx.mdi()->windowTitle(), captionBefore);

    // The next save finds no change and completes.
    s.save();
    QCOMPARE(s.fx.prompts.last().text, kSaved);
    QCOMPARE(s.servers.launches.size(), 1);
    QCOMPARE(s.fx.mdi()->windowTitle(), QStringLiteral("Orvek® Talvane [Kullanıcı : Demo Şirket : Merkez Ticaret]"));
}

void TestFrmAyarlar::stoppedSaveBoxThenTabThenFocus_data()
{
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("leaf"); // the tab the window is opened on
    QTest::addColumn<QString>("box");
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("focus");
    QTest::addColumn<bool>("stored"); // the steps before the refusal stored their settings
    QTest::newRow("blank Brenvik user") << "user"
                                        << "Interaktif"
                                        << "Girdiğiniz kullanıcı bilgilerinde hata var. Lütfen kontrol ediniz." << 0
                                        << "txtOrvekKullanici" << false;
    QTest::newRow("birthday without text") << "birthday"
                                           << "Interaktif"
                                           << "Lütfen gönderilecek mesajı giriniz." << 1 << "txtDGunMesaj" << false;
    QTest::newRow("interactive err 01") << "err 01"
                                        << "Kovaset"
                                        << "Hatalı İnteraktif SMS kullanıcı adı/parola" << 2 << "txtIntKullanici"
                                        << true;
    // The operator on "Hesap ayarları" ticks the report option and saves with no period.
    QTest::newRow("period") << "period"
                            << "HesapAyar"
                            << "Kontrol süresi en az 1 dakika olabilir. Lütfen kontrol süresini belirtiniz." << 2
                            << "txtDk" << false;
    QTest::newRow("ERP server") << "erp"
                                << "Interaktif"
                                << "Orvek® veritabanı bağlantısı kurulamıyor.\r\nLütfen sunucu bilgilerinin "
                                   "doğruluğunu kontrol ediniz."
                                << 0 << "txtSunucuAdi" << false;
}

void TestFrmAyarlar::stoppedSaveBoxThenTabThenFocus()
{
    QFETCH(QString, setup);
    QFETCH(QString, leaf);
    QFETCH(QString, box);
    QFETCH(int, tab);
    QFETCH(QString, focus);
    QFETCH(bool, stored);
    SettingsWindow s;
    s.fx.folder.exec("UPDATE tbl_kovaset_ayar SET flg_dgun_mesaj='1', dgun_mesaj='Merhaba', dgun_gonderen='ORVEK'");
    QVERIFY(s.open(leaf));
    frmAyarlar *w = s.w;
    const int openedOn = Control<QTabWidget>(w, "SSTab1")->currentIndex();
    QVERIFY(openedOn != tab);
    Control<QCheckBox>(w, "chkAdSoyad")->setChecked(true);
    if (setup == QLatin1String("user")) Control<QLineEdit>(w, "txtOrvekKullanici")->setText(QStringLiteral(" "));
    if (setup == QLatin1String("birthday")) Control<QPlainTextEdit>(w, "txtDGunMesaj")->clear();
    if (setup == QLatin1String("err 01")) {
        Control<QLineEdit>(w, "txtIntKullanici")->setText(QStringLiteral("isim"));
        Control<QLineEdit>(w, "txtIntParola")->setText(QStringLiteral("yanlis"));
        s.servers.gathwin.setReply(QStringLiteral("err 01"));
    }
    if (setup == QLatin1String("period")) Control<QLineEdit>(w, "txtDk")->clear();
    if (setup == QLatin1String("erp")) Control<QLineEdit>(w, "txtVtAdi")->setText(QStringLiteral("YOK"));
    s.servers.clearWrites();

    int tabAtBox = -2;
    QString boxText;
    Prompt::setHandler([&](const QString &t, PromptIcon, const QString &, PromptButtons) {
        boxText = t;
        tabAtBox = Control<QTabWidget>(w, "SSTab1")->currentIndex();
        return PromptAnswer::Ok;
    });
    s.save();
    Prompt::setHandler({});
    QCOMPARE(boxText, box);
    QCOMPARE(tabAtBox, openedOn);
    QCOMPARE(Control<QTabWidget>(w, "SSTab1")->currentIndex(), tab);
    QCOMPARE(w->focusWidget() ? w->focusWidget()->objectName() : QString(), focus);
    QVERIFY(w->focusWidget()->isVisible());
    if (setup == QLatin1String("err 01")) {
        QCOMPARE(Control<QLineEdit>(w, "txtIntKullanici")->text(), QString());
        QCOMPARE(Control<QLineEdit>(w, "txtIntParola")->text(), QString());
    }
    // A refused value changes nothing; a refusal of the service after the earlier steps gives
    // the automatic program its run permission back and starts it again.
    const QStringList writes = s.servers.writes();
    if (stored) {
        QCOMPARE(writes.mid(writes.size() - 2), (QStringList{"param flg_kovaset=1", "launch flg_kovaset=1"}));
        QCOMPARE(s.servers.launches.size(), 1);
    } else {
        QCOMPARE(writes, QStringList());
        QVERIFY(s.servers.launches.isEmpty());
    }
    QCOMPARE(s.servers.param("flg_kovaset"), QStringLiteral("1"));
}

void TestFrmAyarlar::periodBoxTakesDigitsOnly()
{
    SettingsWindow s;
    QVERIFY(s.open(QStringLiteral("Interaktif")));
    QLineEdit *dk = Control<QLineEdit>(s.w, "txtDk");
    dk->clear();
    dk->setFocus();
    typeText(dk, QStringLiteral("1a-. ,2ş"));
    QCOMPARE(dk->text(), QStringLiteral("12"));
    QTest::keyClick(dk, Qt::Key_Backspace);
    QCOMPARE(dk->text(), QStringLiteral("1"));
    QCOMPARE(s.w->txtDk_KeyPress(8), 8);
    QCOMPARE(s.w->txtDk_KeyPress('x'), 0);
    // A paste is not filtered; the save then refuses the period.
    QGuiApplication::clipboard()->setText(QStringLiteral("x"));
    QTest::keyClick(dk, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(dk->text(), QStringLiteral("1x"));
    s.save();
    QCOMPARE(s.fx.prompts.last().text,
             QStringLiteral("Kontrol süresi en az 1 dakika olabilir. Lütfen kontrol süresini belirtiniz."));
}

void TestFrmAyarlar::namePlaceholdersAndCounter()
{
    SettingsWindow s;
    s.fx.folder.exec("UPDATE tbl_kovaset_ayar SET flg_dgun_mesaj='1', dgun_mesaj='Merhaba', "
                     "flg_evyil_mesaj='1', evyil_mesaj=?",
                     {QStringLiteral("a\r\nb")});
    QVERIFY(s.open(QStringLiteral("Kovaset")));
    frmAyarlar *w = s.w;
    auto *txtDGunMesaj = Control<QPlainTextEdit>(w, "txtDGunMesaj");
    auto *txtEvYilMesaj = Control<QPlainTextEdit>(w, "txtEvYilMesaj");
    // A line break counts two.
    QCOMPARE(Control<QLabel>(w, "Label25")->text(), QStringLiteral("156"));

    QTextCursor c = txtDGunMesaj->textCursor();
    c.setPosition(0);
    txtDGunMesaj->setTextCursor(c);
    QTest::mouseClick(Control<QPushButton>(w, "Command1"), Qt::LeftButton);
    QCOMPARE(txtDGunMesaj->toPlainText(), QStringLiteral("[##Adi##] [##Soyadi##]Merhaba"));
    QCOMPARE(txtDGunMesaj->textCursor().position(), txtDGunMesaj->toPlainText().size());
    QCOMPARE(w->focusWidget(), txtDGunMesaj);
    QCOMPARE(Control<QLabel>(w, "Label24")->text(), QString::number(160 - 29));

    // A selection is not replaced: the placeholders go before it.
    c = txtEvYilMesaj->textCursor();
    c.setPosition(2);
    c.setPosition(3, QTextCursor::KeepAnchor);
    txtEvYilMesaj->setTextCursor(c);
    QTest::mouseClick(Control<QPushButton>(w, "Command2"), Qt::LeftButton);
    QCOMPARE(txtEvYilMesaj->toPlainText(), QStringLiteral("a\n[##Adi##] [##Soyadi##]b"));
    c = txtEvYilMesaj->textCursor();
    c.setPosition(1);
    c.setPosition(0, QTextCursor::KeepAnchor);
    txtEvYilMesaj->setTextCursor(c);
    QTest::mouseClick(Control<QPushButton>(w, "Command2"), Qt::LeftButton);
    QCOMPARE(txtEvYilMesaj->toPlainText(), QStringLiteral("[##Adi##] [##Soyadi##]a\n[##Adi##] [##Soyadi##]b"));
    QCOMPARE(Control<QLabel>(w, "Label25")->text(), QString::number(160 - 4 - 2 * 22));
}

void TestFrmAyarlar::templatePicker()
{
    SettingsWindow s;
    s.fx.folder.exec("UPDATE tbl_kovaset_ayar SET flg_evyil_mesaj='1', evyil_mesaj='eski'");
    s.fx.folder.exec("INSERT INTO tbl_sablonlar(msgid,sablon_tip,sablon_p1) VALUES('00','EvYilMesaj','Nice mutlu "
                     "yıllara [##Adi##]')");
    QVERIFY(s.open(QStringLiteral("Kovaset")));
    QString caption;
    QTimer::singleShot(0, [&] {
        frmSablon *p = WorkForms::find<frmSablon>();
        if (!p) return;
        caption = p->windowTitle();
        QTest::mouseClick(Control<QPushButton>(p, "Command1"), Qt::LeftButton);
    });
    QTest::mouseClick(Control<QPushButton>(s.w, "Command7"), Qt::LeftButton);
    QCOMPARE(caption, QStringLiteral("Mesaj şablonları - Evlilik yıldönümü tebriği"));
    QCOMPARE(Control<QPlainTextEdit>(s.w, "txtEvYilMesaj")->toPlainText(),
             QStringLiteral("Nice mutlu yıllara [##Adi##]"));
    QCOMPARE(Control<QLabel>(s.w, "Label25")->text(), QString::number(160 - 28));
}

void TestFrmAyarlar::serverButtons()
{
    SettingsWindow s;
    QVERIFY(s.open());
    frmAyarlar *w = s.w;
    s.servers.clearWrites();
    QTest::mouseClick(Control<QPushButton>(w, "cmdBaglantiSina"), Qt::LeftButton);
    QCOMPARE(s.fx.prompts.last().text, QStringLiteral("Bağlantı kuruldu."));
    QCOMPARE(s.fx.prompts.last().icon, PromptIcon::Information);
    Control<QLineEdit>(w, "txtVtAdi")->setText(QStringLiteral("YOK"));
    QTest::mouseClick(Control<QPushButton>(w, "cmdBaglantiSina"), Qt::LeftButton);
    QCOMPARE(s.fx.prompts.last().text,
             QStringLiteral("Bağlantı kurulamadı. Lütfen sunucu bilgilerinizi kontrol ediniz."));
    QCOMPARE(s.fx.prompts.last().icon, PromptIcon::Critical);
    QCOMPARE(s.fx.prompts.last().title, QStringLiteral("Brenvik"));
    QCOMPARE(s.servers.writes(), QStringList());

    // The credit of the account in use, not of the boxes.
    Control<QLineEdit>(w, "txtOrvekKullanici")->setText(QStringLiteral("baska"));
    s.servers.gateway.setReply(QStringLiteral("4"), QStringLiteral("321\nORVEK\n"));
    QTest::mouseClick(Control<QPushButton>(w, "Command4"), Qt::LeftButton);
    QCOMPARE(s.fx.prompts.last().text, QStringLiteral("Mevcut kontörünüz : 321"));
    QCOMPARE(s.fx.prompts.last().icon, PromptIcon::Information);
    QCOMPARE(s.fx.prompts.last().title, QString());
    QCOMPARE(s.getInfoUsers().last(), QStringLiteral("demo-B001"));
}

void TestFrmAyarlar::creditQueryLeavesTheWindowRunning()
{
    SettingsWindow s;
    QVERIFY(s.open());
    int ticksDuringWait = 0;
    QTimer timer;
    timer.setInterval(5);
    connect(&timer, &QTimer::timeout, [&] {
        if (OffThreadWait::runningCount() > 0) ++ticksDuringWait;
    });
    s.servers.gateway.setReply(QStringLiteral("4"), FakeReply::delayed(400, QStringLiteral("321\nORVEK\n")));
    timer.start();
    QTest::mouseClick(Control<QPushButton>(s.w, "Command4"), Qt::LeftButton);
    timer.stop();
    QCOMPARE(s.fx.prompts.last().text, QStringLiteral("Mevcut kontörünüz : 321"));
    QVERIFY2(ticksDuringWait > 5, qPrintable(QString::number(ticksDuringWait)));
    QCOMPARE(OffThreadWait::runningCount(), 0);
}

void TestFrmAyarlar::leavingDropsEdits()
{
    {
        SettingsWindow s;
        QVERIFY(s.open());
        Control<QLineEdit>(s.w, "txtDk")->setText(QStringLiteral("99"));
        s.servers.clearWrites();
        QTest::mouseClick(Control<QPushButton>(s.w, "Command5"), Qt::LeftButton);
        MainWindowFixture::flushDeletes();
        QVERIFY(s.w.isNull());
        QCOMPARE(WorkForms::loadedWorkForms(), QStringList{"frmBrw"});
        QCOMPARE(s.servers.writes(), QStringList());
        QCOMPARE(s.fx.prompts.count(), 0);
    }
    {
        SettingsWindow s;
        QVERIFY(s.open());
        QTest::mouseClick(Control<QPushButton>(s.w, "Command8"), Qt::LeftButton);
        MainWindowFixture::flushDeletes();
        QVERIFY(s.w.isNull());
        QCOMPARE(WorkForms::loadedWorkForms(), QStringList{"frmBrw"});
    }
}

void TestFrmAyarlar::blockStaysCentred()
{
    SettingsWindow s;
    QVERIFY(s.open());
    for (const QSize size : {QSize(1400, 900), QSize(1100, 760)}) {
        s.fx.mdi()->resize(size);
        QCoreApplication::processEvents();
        frmAyarlar *w = s.w;
        const QRect tab = Control<QTabWidget>(w, "SSTab1")->geometry();
        const QRect buttons = Control<QFrame>(w, "Frame5")->geometry();
        QCOMPARE(tab.size(), QSize(tw(8900), tw(7050)));
        QVERIFY2(qAbs(tab.left() - (w->width() - tab.width()) / 2) <= 1, qPrintable(QString::number(tab.left())));
        QVERIFY(qAbs(buttons.left() - (w->width() - buttons.width()) / 2) <= 1);
        QCOMPARE(buttons.top() - (tab.bottom() + 1), tw(100));
        const int block = tab.height() + tw(100) + buttons.height();
        QVERIFY2(qAbs(tab.top() - (w->height() - block) / 2) <= 1, qPrintable(QString::number(tab.top())));
    }
}

void TestFrmAyarlar::switchToAmbrel()
{
    SettingsWindow s;
    QVERIFY(s.open());
    frmAyarlar *w = s.w;
    auto *optAmbrel = Control<QRadioButton>(w, "optAmbrel");
    QTest::mouseClick(optAmbrel, Qt::LeftButton, Qt::NoModifier, QPoint(5, optAmbrel->height() / 2));
    QVERIFY(optAmbrel->isChecked());
    QVERIFY(Control<QLineEdit>(w, "txtAmbrelYolu")->isEnabled() &&
            !Control<QLineEdit>(w, "txtOrvekKullanici")->isEnabled());
    const QString address = s.servers.gateway.server().url(QStringLiteral("/yerel/sms.asp"));
    Control<QLineEdit>(w, "txtAmbrelYolu")->setText(address);
    Control<QLineEdit>(w, "txtAmbrelKullanici")->setText(QStringLiteral("yerel"));
    Control<QLineEdit>(w, "txtAmbrelParola")->setText(QStringLiteral("gizli"));
    s.save();
    QCOMPARE(s.fx.prompts.count(), 1);
    QCOMPARE(s.fx.prompts.last().title, QStringLiteral("Brenvik Kullanıcı hesapları"));
    QCOMPARE(gGatewayKind, GatewayKind::Ambrel);
    QCOMPARE(gGatewayUrl, address);
    QCOMPARE(gCkey, QString());
    // Filled again from the new account: the test and the refill went to the typed address.
    QCOMPARE(s.getInfoUsers(), (QStringList{"demo-B001", "yerel", "yerel"}));
    const auto requests = s.servers.gateway.requests();
    QCOMPARE(requests.at(1).path, QByteArray("/yerel/sms.asp"));
    QCOMPARE(requests.at(2).path, QByteArray("/yerel/sms.asp"));
    QVERIFY(optAmbrel->isChecked());
    QVERIFY(Control<QPushButton>(w, "Command8")->isHidden());
    QCOMPARE(Control<QLineEdit>(w, "txtOrvekKullanici")->text(), QStringLiteral("demo"));
    QCOMPARE(w->LoadedGateway, QStringLiteral("Ambrel"));
    QCOMPARE(Control<QTabWidget>(w, "SSTab1")->currentIndex(), 1);
    QCOMPARE(s.fx.folder.scalar("SELECT flg_gw FROM tbl_ayarlar").toString(), QStringLiteral("1"));
}

void TestFrmAyarlar::captionsFitAtDefaultSize()
{
    // At the main window's design size every caption shows whole and every control lies
    // inside its frame.
    MainWindowFixture fx;
    auto *w = WorkForms::get<frmAyarlar>();
    w->frmMDIForm = fx.mdi();
    w->Show();
    auto *SSTab1 = Control<QTabWidget>(w, "SSTab1");
    QVERIFY(SSTab1->geometry().right() < w->width() && SSTab1->x() >= 0);
    QVERIFY(Control<QFrame>(w, "Frame5")->geometry().bottom() < w->height());
    for (int t = 0; t < SSTab1->count(); ++t) {
        SSTab1->setCurrentIndex(t);
        QCoreApplication::processEvents();
        for (QWidget *c : SSTab1->widget(t)->findChildren<QWidget *>()) {
            if (c->objectName().startsWith(QLatin1String("qt_"))) continue;
            QWidget *p = c->parentWidget();
            QVERIFY2(c->geometry().right() < p->width() && c->geometry().bottom() < p->height(),
                     qPrintable(c->objectName()));
            if (auto *l = qobject_cast<QLabel *>(c); l && l->wordWrap()) {
                QVERIFY2(l->heightForWidth(l->width()) <= l->height(), qPrintable(c->objectName()));
                continue;
            }
            if (!qobject_cast<QLabel *>(c) && !qobject_cast<QAbstractButton *>(c)) continue;
            if (text(c).isEmpty()) continue;
            QVERIFY2(
                c->sizeHint().width() <= c->width(),
                qPrintable(
                    QStringLiteral("%1: %2 > %3").arg(c->objectName()).arg(c->sizeHint().width()).arg(c->width())));
        }
    }
}

QTEST_MAIN(TestFrmAyarlar)
#include "tst_frmayarlar.moc"
