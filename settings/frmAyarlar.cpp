#include "settings/frmAyarlar.h"

#include "core/AppState.h"
#include "core/LocalDb.h"
#include "core/SmsText.h"
#include "core/Startup.h"
#include "messaging/frmSablon.h"
#include "shell/Controls.h"
#include "shell/OffThread.h"
#include "shell/TextBox.h"
#include "shell/Twips.h"
#include "shell/frmAna.h"
#include "shell/frmMDI.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontMetrics>
#include <QFrame>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTextCursor>
#include <QTimeEdit>
#include <QVBoxLayout>
#include <algorithm>

namespace {
// Designed sizes (twips).
constexpr int kTabWidth = 8900;
constexpr int kTabHeight = 7050;
constexpr int kButtonFrameWidth = 2760;
constexpr int kButtonFrameHeight = 585;
constexpr int kBlockGap = 100; // between the tab control and the button frame

QLineEdit *lineEdit(QWidget *parent, const char *name, const TwRect &r, bool password = false)
{
    auto *e = MakeTextBox(parent, name, r);
    if (password) e->setEchoMode(QLineEdit::Password);
    return e;
}

QTimeEdit *timePicker(QWidget *parent, const char *name, const TwRect &r)
{
    auto *t = NamedControl(new QTimeEdit(parent), name);
    t->setDisplayFormat(QStringLiteral("HH:mm:ss"));
    t->setTime(QTime(0, 0, 0));
    SetGeometryTw(t, r);
    return t;
}

void setChecked(QCheckBox *box, bool on) { box->setChecked(on); }

// Unchecks both options of an exclusive pair.
void clearOptions(QRadioButton *a, QRadioButton *b)
{
    for (QRadioButton *o : {a, b}) {
        o->setAutoExclusive(false);
        o->setChecked(false);
        o->setAutoExclusive(true);
    }
}
} // namespace

frmAyarlar::frmAyarlar()
{
    setObjectName(QStringLiteral("frmAyarlar"));

    SSTab1 = NamedControl(new QTabWidget(this), "SSTab1");
    auto *general = new QWidget;
    auto *greetings = new QWidget;
    auto *interactive = new QWidget;
    SSTab1->addTab(general, QStringLiteral("Genel"));
    SSTab1->addTab(greetings, QStringLiteral("Otomatik mesajlar"));
    SSTab1->addTab(interactive, QStringLiteral("İnteraktif SMS"));
    SSTab1->setFixedSize(tw(kTabWidth), tw(kTabHeight));
    buildGeneralTab(general);
    buildGreetingsTab(greetings);
    buildInteractiveTab(interactive);

    Frame5 = NamedControl(new QFrame(this), "Frame5");
    Frame5->setFixedSize(tw(kButtonFrameWidth), tw(kButtonFrameHeight));
    Command3 = MakeButton(Frame5, "Command3", QStringLiteral("Kaydet"), TwRect{120, 120, 1200, 345});
    Command5 = MakeButton(Frame5, "Command5", QStringLiteral("Vazgeç"), TwRect{1440, 120, 1200, 345});

    // The tab control and the button frame stand centred, one above the other, as a block.
    auto *layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetNoConstraint);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(tw(kBlockGap));
    layout->addStretch(1);
    layout->addWidget(SSTab1, 0, Qt::AlignHCenter);
    layout->addWidget(Frame5, 0, Qt::AlignHCenter);
    layout->addStretch(1);

    connect(optBrenvik, &QRadioButton::toggled, this, [this](bool on) {
        if (on) optBrenvik_Click();
    });
    connect(optAmbrel, &QRadioButton::toggled, this, [this](bool on) {
        if (on) optAmbrel_Click();
    });
    connect(chkDGun, &QCheckBox::toggled, this, &frmAyarlar::EnableDGunControls);
    connect(chkEvYil, &QCheckBox::toggled, this, &frmAyarlar::EnableEvYilControls);
    connect(cbDGunOrg, qOverload<int>(&QComboBox::activated), this, &frmAyarlar::cbDGunOrg_Click);
    connect(cbEvYilOrg, qOverload<int>(&QComboBox::activated), this, &frmAyarlar::cbEvYilOrg_Click);
    connect(txtDGunMesaj, &QPlainTextEdit::textChanged, this, &frmAyarlar::txtDGunMesaj_Change);
    connect(txtEvYilMesaj, &QPlainTextEdit::textChanged, this, &frmAyarlar::txtEvYilMesaj_Change);
    txtDk->installEventFilter(this);
    connect(Command1, &QPushButton::clicked, this, &frmAyarlar::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmAyarlar::Command2_Click);
    connect(Command3, &QPushButton::clicked, this, &frmAyarlar::Command3_Click);
    connect(Command4, &QPushButton::clicked, this, &frmAyarlar::Command4_Click);
    connect(Command5, &QPushButton::clicked, this, &frmAyarlar::Command5_Click);
    connect(Command6, &QPushButton::clicked, this, &frmAyarlar::Command6_Click);
    connect(Command7, &QPushButton::clicked, this, &frmAyarlar::Command7_Click);
    connect(Command8, &QPushButton::clicked, this, &frmAyarlar::Command8_Click);
    connect(cmdBaglantiSina, &QPushButton::clicked, this, &frmAyarlar::cmdBaglantiSina_Click);

    // Design state: both greeting frames disabled (their template boxes excepted).
    EnableDGunControls();
    EnableEvYilControls();
}

void frmAyarlar::buildGeneralTab(QWidget *page)
{
    frAyarSecenek =
        MakeFrame(page, "frAyarSecenek", QStringLiteral("Kullanıcı hesapları"), TwRect{100, 60, 8580, 3660});
    optBrenvik = NamedControl(
        new QRadioButton(QStringLiteral("Mesajları Brenvik kullanıcı hesabıyla gönder"), frAyarSecenek), "optBrenvik");
    SetGeometryTw(optBrenvik, TwRect{240, 270, 4500, 285});
    optAmbrel = NamedControl(
        new QRadioButton(QStringLiteral("Mesajları Ambrel kullanıcı hesabıyla gönder"), frAyarSecenek), "optAmbrel");
    SetGeometryTw(optAmbrel, TwRect{240, 570, 4500, 285});

    frOrvekHesap = MakeFrame(frAyarSecenek, "frOrvekHesap", QStringLiteral("Brenvik Kullanıcı hesabı"),
                             TwRect{120, 930, 4140, 2160});
    MakeLabel(frOrvekHesap, "OrvekUserLabel", QStringLiteral("Kullanıcı adı :"), TwRect{120, 390, 1380, 255});
    txtOrvekKullanici = lineEdit(frOrvekHesap, "txtOrvekKullanici", TwRect{1560, 360, 2460, 315});
    MakeLabel(frOrvekHesap, "OrvekPasswordLabel", QStringLiteral("Parola :"), TwRect{120, 780, 1380, 255});
    txtOrvekParola = lineEdit(frOrvekHesap, "txtOrvekParola", TwRect{1560, 750, 2460, 315}, true);
    MakeLabel(frOrvekHesap, "OrvekClientCodeLabel", QStringLiteral("Client kodu :"), TwRect{120, 1170, 1380, 255});
    txtOrvekBayiKodu = lineEdit(frOrvekHesap, "txtOrvekBayiKodu", TwRect{1560, 1140, 2460, 315});
    chkKaydetOrvek = MakeCheckBox(frOrvekHesap, "chkKaydetOrvek", QStringLiteral("Bilgilerimi kaydet"),
                                  TwRect{1560, 1560, 2460, 285});

    MakeLabel(frAyarSecenek, "AmbrelUrlLabel", QStringLiteral("Ambrel adresi:"), TwRect{4380, 990, 1380, 255});
    txtAmbrelYolu = lineEdit(frAyarSecenek, "txtAmbrelYolu", TwRect{5820, 960, 2640, 315});
    Label2 = MakeLabel(frAyarSecenek, "Label2",
                       QStringLiteral("Örn. http://192.168.1.10/ambrel/sms.asp veya http://smssunucu/ambrel/sms.asp"),
                       TwRect{4380, 1320, 4080, 420});
    QFont hint = Label2->font();
    hint.setPointSizeF(hint.pointSizeF() * 0.85);
    Label2->setFont(hint);
    Label2->setWordWrap(true);
    Label2->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // The dots of "Ö" rise above the font's ascent: room for them above the first line.
    const QFontMetrics hintMetrics(hint);
    Label2->setContentsMargins(
        0, std::max(0, -hintMetrics.tightBoundingRect(Label2->text()).top() - hintMetrics.ascent()), 0, 0);
    frAmbrelHesap = MakeFrame(frAyarSecenek, "frAmbrelHesap", QStringLiteral("Ambrel Kullanıcı hesabı"),
                              TwRect{4380, 1770, 4080, 1320});
    MakeLabel(frAmbrelHesap, "AmbrelUserLabel", QStringLiteral("Kullanıcı adı :"), TwRect{120, 330, 1380, 255});
    txtAmbrelKullanici = lineEdit(frAmbrelHesap, "txtAmbrelKullanici", TwRect{1560, 300, 2400, 315});
    MakeLabel(frAmbrelHesap, "AmbrelPasswordLabel", QStringLiteral("Parola :"), TwRect{120, 690, 1380, 255});
    txtAmbrelParola = lineEdit(frAmbrelHesap, "txtAmbrelParola", TwRect{1560, 660, 2400, 315}, true);
    chkKaydetAmbrel = MakeCheckBox(frAmbrelHesap, "chkKaydetAmbrel", QStringLiteral("Bilgilerimi kaydet"),
                                   TwRect{1560, 990, 2400, 285});

    Command4 = MakeButton(frAyarSecenek, "Command4", QStringLiteral("Kontör bilgisi"), TwRect{4380, 3180, 1980, 345});
    Command8 = MakeButton(frAyarSecenek, "Command8", QStringLiteral("Kontör yükle"), TwRect{6480, 3180, 1980, 345});

    frSunucuAyar = MakeFrame(page, "frSunucuAyar", QStringLiteral("Sunucu bilgileri"), TwRect{100, 3780, 8580, 1500});
    MakeLabel(frSunucuAyar, "ServerLabel", QStringLiteral("Sunucu adı :"), TwRect{120, 360, 1560, 255});
    txtSunucuAdi = lineEdit(frSunucuAyar, "txtSunucuAdi", TwRect{1740, 330, 2580, 315});
    MakeLabel(frSunucuAyar, "DatabaseLabel", QStringLiteral("Veritabanı adı :"), TwRect{4440, 360, 1560, 255});
    txtVtAdi = lineEdit(frSunucuAyar, "txtVtAdi", TwRect{6060, 330, 2400, 315});
    MakeLabel(frSunucuAyar, "ServerUserLabel", QStringLiteral("Kullanıcı adı :"), TwRect{120, 750, 1560, 255});
    txtSrvKullanici = lineEdit(frSunucuAyar, "txtSrvKullanici", TwRect{1740, 720, 2580, 315});
    MakeLabel(frSunucuAyar, "ServerPasswordLabel", QStringLiteral("Parola :"), TwRect{4440, 750, 1560, 255});
    txtSrvParola = lineEdit(frSunucuAyar, "txtSrvParola", TwRect{6060, 720, 2400, 315}, true);
    cmdBaglantiSina =
        MakeButton(frSunucuAyar, "cmdBaglantiSina", QStringLiteral("Bağlantıyı sına"), TwRect{6480, 1095, 1980, 345});

    Frame4 = MakeFrame(page, "Frame4", QStringLiteral("Raporlama"), TwRect{100, 5340, 8580, 630});
    chkAdSoyad = MakeCheckBox(Frame4, "chkAdSoyad",
                              QStringLiteral("SMS raporlarında Yetkili Ad / Soyad bilgilerini göster. (Önerilmez)"),
                              TwRect{120, 270, 8340, 285});
    Label31 = MakeLabel(page, "Label31",
                        QStringLiteral("NOT : Genel sekmesinde yapılan değişiklikler tüm şirket tanımlarını etkiler."),
                        TwRect{100, 6030, 8580, 255});
}

namespace {
// The controls of one greeting's frame and their names: the birthday and the anniversary
// frames are built alike.
struct GreetingControls {
    QGroupBox **frame;
    const char *frameName;
    QString caption;
    int top;
    QCheckBox **on;
    const char *onName;
    QString onCaption;
    QLabel **textLabel;
    const char *textLabelName;
    QPlainTextEdit **text;
    const char *textName;
    QLabel **counter;
    const char *counterName;
    QLabel **limit;
    const char *limitName;
    QPushButton **names;
    const char *namesName;
    QPushButton **pick;
    const char *pickName;
    QLabel **chooseLabel;
    const char *chooseLabelName;
    QComboBox **list;
    const char *listName;
    QLabel **chosenLabel;
    const char *chosenLabelName;
    QLabel **chosen;
    const char *chosenName;
    QCheckBox **asTemplate;
    const char *asTemplateName;
    QString asTemplateCaption;
};

// The text with its counter at the left, the buttons and the originator at the right.
void BuildGreetingFrame(QWidget *page, const GreetingControls &t)
{
    QGroupBox *f = *t.frame = MakeFrame(page, t.frameName, t.caption, TwRect{100, t.top, 8580, 2520});
    *t.on = MakeCheckBox(f, t.onName, t.onCaption, TwRect{120, 270, 5400, 285});
    *t.textLabel = MakeLabel(f, t.textLabelName, QStringLiteral("Mesaj içeriği:"), TwRect{120, 600, 1800, 255});
    *t.text = MakeMessageBox(f, t.textName, TwRect{120, 870, 4500, 1260});
    *t.counter = MakeLabel(f, t.counterName, QStringLiteral("160"), TwRect{3300, 2160, 660, 255});
    (*t.counter)->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    *t.limit = MakeLabel(f, t.limitName, QStringLiteral("/ 160"), TwRect{3990, 2160, 630, 255});
    *t.names = MakeButton(f, t.namesName, QStringLiteral("Ad - Soyad ekle"), TwRect{4800, 870, 1680, 345});
    *t.pick = MakeButton(f, t.pickName, QStringLiteral("Mesaj şablonu seç"), TwRect{6540, 870, 1920, 345});
    *t.chooseLabel = MakeLabel(f, t.chooseLabelName, QStringLiteral("Seçiniz :"), TwRect{4800, 1350, 1050, 255});
    *t.list = NamedControl(new QComboBox(f), t.listName);
    SetGeometryTw(*t.list, TwRect{5880, 1320, 2580, 315});
    *t.chosenLabel = MakeLabel(f, t.chosenLabelName, QStringLiteral("Gönderen:"), TwRect{4800, 1740, 1050, 255});
    *t.chosen = MakeLabel(f, t.chosenName, QString(), TwRect{5880, 1740, 2580, 255});
    QFont bold = (*t.chosen)->font();
    bold.setBold(true);
    (*t.chosen)->setFont(bold);
    *t.asTemplate = MakeCheckBox(f, t.asTemplateName, t.asTemplateCaption, TwRect{4800, 2130, 3660, 285});
}
} // namespace

void frmAyarlar::buildGreetingsTab(QWidget *page)
{
    // clang-format off
    const GreetingControls greetings[] = {
        {&Frame1, "Frame1", QStringLiteral("Doğum günü tebriği"), 60,
         &chkDGun, "chkDGun", QStringLiteral("Doğum günü gelenlere otomatik mesaj gönder."),
         &Label12, "Label12", &txtDGunMesaj, "txtDGunMesaj", &Label24, "Label24", &Label15, "Label15",
         &Command1, "Command1", &Command6, "Command6", &Label22, "Label22", &cbDGunOrg, "cbDGunOrg",
         &Label14, "Label14", &lblDGunOrg, "lblDGunOrg",
         &chkDGunSablon, "chkDGunSablon", QStringLiteral("Mesajı şablon olarak kaydet")},
        {&Frame2, "Frame2", QStringLiteral("Evlilik yıldönümü tebriği"), 2640,
         &chkEvYil, "chkEvYil", QStringLiteral("Evlilik yıldönümü gelenlere otomatik mesaj gönder."),
         &Label13, "Label13", &txtEvYilMesaj, "txtEvYilMesaj", &Label25, "Label25", &Label16, "Label16",
         &Command2, "Command2", &Command7, "Command7", &Label23, "Label23", &cbEvYilOrg, "cbEvYilOrg",
         &Label17, "Label17", &lblEvYilOrg, "lblEvYilOrg",
         &chkEvYilSablon, "chkEvYilSablon", QStringLiteral("Mesaj şablon olarak kaydet")},
    };
    // clang-format on
    for (const GreetingControls &t : greetings) BuildGreetingFrame(page, t);

    Frame3 = MakeFrame(page, "Frame3", QStringLiteral("Kontrol saati"), TwRect{100, 5220, 8580, 720});
    MakeLabel(Frame3, "CheckHoursLabel", QStringLiteral("Mesaj gönderimleri için veritabanı kontrolünü saat"),
              TwRect{120, 330, 4560, 255});
    DTPicker1 = timePicker(Frame3, "DTPicker1", TwRect{4710, 300, 1140, 315});
    MakeLabel(Frame3, "CheckHoursDash", QStringLiteral("-"), TwRect{5880, 330, 120, 255});
    DTPicker2 = timePicker(Frame3, "DTPicker2", TwRect{6030, 300, 1140, 315});
    MakeLabel(Frame3, "CheckHoursTail", QStringLiteral("arasında yap."), TwRect{7200, 330, 1260, 255});
    Label30 = MakeLabel(page, "Label30",
                        QStringLiteral("NOT : Kontrol saatinde yapılan değişiklik tüm şirket tanımlarını etkiler."),
                        TwRect{100, 6030, 8580, 255});
}

void frmAyarlar::buildInteractiveTab(QWidget *page)
{
    Frame7 = MakeFrame(page, "Frame7", QString(), TwRect{100, 60, 8580, 1020});
    Label18 =
        MakeLabel(Frame7, "Label18",
                  QStringLiteral("Müşterilerinize interaktif SMS hizmetimizi kullanarak  kampanyalar, çekilişler, "
                                 "anketler düzenleyebilir, borç sorgulama gibi hizmetler sunabilirsiniz."),
                  TwRect{120, 180, 8340, 720});
    Label18->setWordWrap(true);

    Frame6 = MakeFrame(page, "Frame6", QStringLiteral("Hesap ayarları"), TwRect{100, 1170, 8580, 2160});
    MakeLabel(Frame6, "IntUserLabel", QStringLiteral("Kullanıcı adı :"), TwRect{120, 390, 1560, 255});
    txtIntKullanici = lineEdit(Frame6, "txtIntKullanici", TwRect{1740, 360, 2700, 315});
    MakeLabel(Frame6, "IntPasswordLabel", QStringLiteral("Parola :"), TwRect{120, 780, 1560, 255});
    txtIntParola = lineEdit(Frame6, "txtIntParola", TwRect{1740, 750, 2700, 315}, true);
    MakeLabel(Frame6, "PeriodLabel", QStringLiteral("İnteraktif SMS kullanıcı hesabını her"),
              TwRect{120, 1230, 3540, 255});
    txtDk = lineEdit(Frame6, "txtDk", TwRect{3720, 1200, 600, 315});
    MakeLabel(Frame6, "PeriodTail", QStringLiteral("dakikada bir kontrol et."), TwRect{4380, 1230, 3000, 255});
    chkInteraktif =
        MakeCheckBox(Frame6, "chkInteraktif", QStringLiteral("Servisi çalıştır."), TwRect{120, 1650, 3300, 285});

    Frame8 = MakeFrame(page, "Frame8", QString(), TwRect{100, 3420, 8580, 660});
    Label29 =
        MakeLabel(Frame8, "Label29",
                  QStringLiteral("NOT : İnteraktif SMS ayarlarında yaptığınız değişiklikler tüm şirket tanımlarını "
                                 "etkiler."),
                  TwRect{120, 240, 8340, 285});
}

// --- Load and layout ----------------------------------------------------------------------

void frmAyarlar::Form_Load() { FillSettingsForm(); }

void frmAyarlar::ArrangeControls()
{
    // The docking (width, height, left, top) is the base's; the layout centres the block.
    if (QLayout *l = layout()) l->activate();
}

// --- Filling ------------------------------------------------------------------------------

void frmAyarlar::FillSettingsForm()
{
    QueryText = QStringLiteral("SELECT * FROM tbl_kovaset_ayar WHERE sirket_kod = '") + SqlQuote(gCompanyCode) +
                QStringLiteral("'");
    applyFill(::FillSettingsForm(exchanges()));
}

void frmAyarlar::applyFill(const SettingsFill &fill)
{
    const SettingsValues &v = fill.values;
    // Setting each control raises its handler, as the operator's change would.
    if (v.option == GatewayKind::Brenvik)
        optBrenvik->setChecked(true);
    else if (v.option == GatewayKind::Ambrel)
        optAmbrel->setChecked(true);
    else
        clearOptions(optBrenvik, optAmbrel);
    // Only the group of the gateway in use is filled; the other keeps what it shows.
    if (v.option == GatewayKind::Brenvik) {
        txtOrvekKullanici->setText(v.orvekUser);
        txtOrvekParola->setText(v.orvekPassword);
        txtOrvekBayiKodu->setText(v.orvekClientCode);
        setChecked(chkKaydetOrvek, v.saveOrvek);
    } else if (v.option == GatewayKind::Ambrel) {
        txtAmbrelYolu->setText(v.ambrelUrl);
        txtAmbrelKullanici->setText(v.ambrelUser);
        txtAmbrelParola->setText(v.ambrelPassword);
        setChecked(chkKaydetAmbrel, v.saveAmbrel);
    }
    if (fill.originators) {
        for (QComboBox *list : {cbDGunOrg, cbEvYilOrg}) {
            list->clear();
            list->addItems(*fill.originators);
            list->setCurrentIndex(-1);
        }
    }
    if (fill.creditTopUpVisible) Command8->setVisible(*fill.creditTopUpVisible);

    setChecked(chkAdSoyad, v.reportNames);
    txtSunucuAdi->setText(v.server);
    txtVtAdi->setText(v.database);
    txtSrvKullanici->setText(v.serverUser);
    txtSrvParola->setText(v.serverPassword);
    txtIntKullanici->setText(v.interactiveUser);
    txtIntParola->setText(v.interactivePassword);
    txtDk->setText(v.period);
    setChecked(chkInteraktif, v.interactiveOn);

    setChecked(chkDGun, v.birthdayOn);
    SetTextBoxText(txtDGunMesaj, v.birthdayText);
    lblDGunOrg->setText(v.birthdayOriginator);
    setChecked(chkEvYil, v.anniversaryOn);
    SetTextBoxText(txtEvYilMesaj, v.anniversaryText);
    lblEvYilOrg->setText(v.anniversaryOriginator);
    for (QCheckBox *box : {chkDGun, chkEvYil, chkDGunSablon, chkEvYilSablon}) box->setEnabled(fill.greetingsAvailable);
    if (!fill.greetingsAvailable) {
        chkDGunSablon->setChecked(false);
        chkEvYilSablon->setChecked(false);
    }

    DTPicker1->setTime(v.start);
    DTPicker2->setTime(v.end);

    LoadedGateway = GatewayKindText(fill.loaded.gateway);
    LoadedUser = fill.loaded.user;
    LoadedClientCode = fill.loaded.clientCode;

    if (fill.failure) Prompt::show(fill.failure->text, fill.failure->icon, fill.failure->title);
}

SettingsValues frmAyarlar::values() const
{
    SettingsValues v;
    v.option = optBrenvik->isChecked()  ? GatewayKind::Brenvik
               : optAmbrel->isChecked() ? GatewayKind::Ambrel
                                        : GatewayKind::None;
    v.orvekUser = txtOrvekKullanici->text();
    v.orvekPassword = txtOrvekParola->text();
    v.orvekClientCode = txtOrvekBayiKodu->text();
    v.saveOrvek = chkKaydetOrvek->checkState() != Qt::Unchecked;
    v.ambrelUrl = txtAmbrelYolu->text();
    v.ambrelUser = txtAmbrelKullanici->text();
    v.ambrelPassword = txtAmbrelParola->text();
    v.saveAmbrel = chkKaydetAmbrel->checkState() != Qt::Unchecked;
    v.server = txtSunucuAdi->text();
    v.database = txtVtAdi->text();
    v.serverUser = txtSrvKullanici->text();
    v.serverPassword = txtSrvParola->text();
    v.reportNames = chkAdSoyad->checkState() != Qt::Unchecked;
    v.birthdayOn = chkDGun->checkState() != Qt::Unchecked;
    v.birthdayText = TextBoxText(txtDGunMesaj);
    v.birthdayOriginator = lblDGunOrg->text();
    v.birthdayTemplate = chkDGunSablon->checkState() != Qt::Unchecked;
    v.anniversaryOn = chkEvYil->checkState() != Qt::Unchecked;
    v.anniversaryText = TextBoxText(txtEvYilMesaj);
    v.anniversaryOriginator = lblEvYilOrg->text();
    v.anniversaryTemplate = chkEvYilSablon->checkState() != Qt::Unchecked;
    v.start = DTPicker1->time();
    v.end = DTPicker2->time();
    v.interactiveUser = txtIntKullanici->text();
    v.interactivePassword = txtIntParola->text();
    v.period = txtDk->text();
    v.interactiveOn = chkInteraktif->checkState() != Qt::Unchecked;
    return v;
}

LoadedAccount frmAyarlar::loadedAccount() const
{
    LoadedAccount a;
    a.gateway = ParseGatewayKind(LoadedGateway).value_or(GatewayKind::None);
    a.user = LoadedUser;
    a.clientCode = LoadedClientCode;
    return a;
}

// The gateway and interactive-service requests run off the window thread, the window painting
// behind the progress window; the ERP trial stays on it, as every ERP step does.
SettingsExchanges frmAyarlar::exchanges() const
{
    SettingsExchanges ex = SettingsExchanges::direct();
    ex.getInfo = [direct = ex.getInfo](const QString &url, const QString &user, const QString &password) {
        return RunOffThread(ConnectingText(), [&] { return direct(url, user, password); });
    };
    ex.listGathwin = [direct = ex.listGathwin](const QString &user, const QString &password, const QString &list) {
        return RunOffThread(ConnectingText(), [&] { return direct(user, password, list); });
    };
    return ex;
}

// --- Small handlers -----------------------------------------------------------------------

void frmAyarlar::optBrenvik_Click()
{
    for (QWidget *w :
         std::initializer_list<QWidget *>{txtOrvekKullanici, txtOrvekParola, txtOrvekBayiKodu, chkKaydetOrvek})
        w->setEnabled(true);
    for (QWidget *w :
         std::initializer_list<QWidget *>{txtAmbrelYolu, txtAmbrelKullanici, txtAmbrelParola, chkKaydetAmbrel})
        w->setEnabled(false);
}

void frmAyarlar::optAmbrel_Click()
{
    for (QWidget *w :
         std::initializer_list<QWidget *>{txtAmbrelYolu, txtAmbrelKullanici, txtAmbrelParola, chkKaydetAmbrel})
        w->setEnabled(true);
    for (QWidget *w :
         std::initializer_list<QWidget *>{txtOrvekKullanici, txtOrvekParola, txtOrvekBayiKodu, chkKaydetOrvek})
        w->setEnabled(false);
}

void frmAyarlar::EnableDGunControls()
{
    const bool on = chkDGun->isChecked();
    for (QWidget *w : std::initializer_list<QWidget *>{Label12, txtDGunMesaj, Label15, Label24, Label14, lblDGunOrg,
                                                       Label22, cbDGunOrg, Command6, Command1})
        w->setEnabled(on);
}

void frmAyarlar::EnableEvYilControls()
{
    const bool on = chkEvYil->isChecked();
    for (QWidget *w : std::initializer_list<QWidget *>{Label13, txtEvYilMesaj, Label16, Label25, Label17, lblEvYilOrg,
                                                       Label23, cbEvYilOrg, Command7, Command2})
        w->setEnabled(on);
}

void frmAyarlar::cbDGunOrg_Click(int index) { lblDGunOrg->setText(cbDGunOrg->itemText(index)); }
void frmAyarlar::cbEvYilOrg_Click(int index) { lblEvYilOrg->setText(cbEvYilOrg->itemText(index)); }

void frmAyarlar::showCounter(QPlainTextEdit *box, QLabel *counter)
{
    const int left = SettingsCounterValue(TextBoxText(box));
    counter->setText(QString::number(left));
    QPalette p = counter->palette();
    const QColor colour = left >= 0 ? QColor(Qt::black) : QColor(Qt::red);
    p.setColor(QPalette::Active, QPalette::WindowText, colour);
    p.setColor(QPalette::Inactive, QPalette::WindowText, colour);
    counter->setPalette(p);
}

void frmAyarlar::txtDGunMesaj_Change() { showCounter(txtDGunMesaj, Label24); }
void frmAyarlar::txtEvYilMesaj_Change() { showCounter(txtEvYilMesaj, Label25); }

int frmAyarlar::txtDk_KeyPress(int KeyAscii) { return QuickNumberKey(KeyAscii); }

bool frmAyarlar::eventFilter(QObject *watched, QEvent *event)
{
    // Typed characters only: the erase, delete and arrow keys and the Ctrl shortcuts (a paste
    // among them) keep their usual work.
    if (watched == txtDk && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        if (!key->text().isEmpty() && !(key->modifiers() & Qt::ControlModifier)) {
            const ushort code = key->text().at(0).unicode();
            if (code >= 32 && code != 127 && txtDk_KeyPress(code) == 0) return true;
        }
    }
    return DockedWindow::eventFilter(watched, event);
}

void frmAyarlar::insertPlaceholders(QPlainTextEdit *box)
{
    // At the start of the selection; the selected text stays.
    QTextCursor cursor = box->textCursor();
    const int at = cursor.selectionStart();
    cursor.clearSelection();
    cursor.setPosition(at);
    cursor.insertText(QString::fromLatin1(kNamePlaceholders));
    cursor.movePosition(QTextCursor::End);
    box->setTextCursor(cursor);
    box->setFocus();
}

void frmAyarlar::Command1_Click() { insertPlaceholders(txtDGunMesaj); }
void frmAyarlar::Command2_Click() { insertPlaceholders(txtEvYilMesaj); }

void frmAyarlar::pickTemplate(const char *kind, const QString &title, QPlainTextEdit *box)
{
    WorkForms::KeepAlive keep(this);
    if (const auto text = frmSablon::Pick(QString::fromLatin1(kind), title, this)) SetTextBoxText(box, *text);
}

void frmAyarlar::Command6_Click() { pickTemplate("DGunMesaj", QStringLiteral("Doğum günü tebriği"), txtDGunMesaj); }
void frmAyarlar::Command7_Click()
{
    pickTemplate("EvYilMesaj", QStringLiteral("Evlilik yıldönümü tebriği"), txtEvYilMesaj);
}

void frmAyarlar::Command5_Click() { OnLineServislerGoster(); }
void frmAyarlar::Command8_Click() { KontorYukleGoster(); }

// --- Server handlers ----------------------------------------------------------------------

void frmAyarlar::focusControl(const QString &name)
{
    if (name.isEmpty()) return;
    if (auto *w = findChild<QWidget *>(name)) w->setFocus();
}

void frmAyarlar::Command3_Click()
{
    WorkForms::KeepAlive keep(this);
    const SettingsSaveOutcome out = SaveSettings(values(), loadedAccount(), exchanges());
    if (out.closeCaption) Command5->setText(QStringLiteral("Kapat"));
    const auto show = [&out] {
        if (out.box) Prompt::show(out.box->text, out.box->icon, out.box->title);
    };
    switch (out.end) {
    case SettingsSaveOutcome::End::Stopped:
        show();
        if (WorkForms::isUnloaded(this)) return;
        if (out.clearInteractiveAccount) {
            txtIntKullanici->clear();
            txtIntParola->clear();
        }
        if (out.tab >= 0) SSTab1->setCurrentIndex(out.tab);
        focusControl(out.focus);
        return;
    case SettingsSaveOutcome::End::AccountReset:
        lblDGunOrg->clear();
        chkDGun->setChecked(false);
        EnableDGunControls();
        lblEvYilOrg->clear();
        chkEvYil->setChecked(false);
        EnableEvYilControls();
        show();
        if (WorkForms::isUnloaded(this)) return;
        FillSettingsForm();
        if (WorkForms::isUnloaded(this)) return;
        SSTab1->setCurrentIndex(1);
        return;
    case SettingsSaveOutcome::End::Completed:
        if (frmMDI *mdi = frmMDIForm ? frmMDIForm.data() : frmMDI::instance())
            mdi->setWindowTitle(QString::fromUtf8(frmMDI::kDesignCaption) + MainCaptionTail());
        show();
        if (const std::optional<SettingsBox> failure = FinishSettingsSave(out.runPermissionBefore))
            Prompt::show(failure->text, failure->icon, failure->title);
        return;
    }
}

void frmAyarlar::cmdBaglantiSina_Click()
{
    const SettingsBox box = TestErpConnection(txtSunucuAdi->text(), txtVtAdi->text(), txtSrvKullanici->text(),
                                              txtSrvParola->text(), exchanges());
    Prompt::show(box.text, box.icon, box.title);
}

void frmAyarlar::Command4_Click()
{
    const SettingsBox box = CreditQueryBox(CreditQueryReply(exchanges()));
    Prompt::show(box.text, box.icon, box.title);
}
