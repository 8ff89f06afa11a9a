#include "interactive/frmInteractiveSMS.h"

#include "core/AppState.h"
#include "core/InteractiveRules.h"
#include "core/LocalDb.h"
#include "core/OrvekError.h"
#include "core/Services.h"
#include "core/SpreadsheetExport.h"
#include "core/Templates.h"
#include "interactive/frmInteractiveGraf.h"
#include "interactive/frmInteractiveSMSprm.h"
#include "shell/Controls.h"
#include "shell/DataGrid.h"
#include "shell/TextBox.h"
#include "shell/Twips.h"
#include "shell/WorkArea.h"
#include "shell/frmAna.h"
#include "shell/frmPop.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>

namespace {
const QString kChange = QStringLiteral("Değiştir");
const QString kSave = QStringLiteral("Kaydet");
const QString kUndefinedError = QStringLiteral("Tanımlanamayan bir hata oluştu.");
const QString kRuleError = QStringLiteral("Tanımlanamayan hata oluştu. Lütfen sistem yöneticinize başvurun.");

constexpr int kRefreshMs = 6000;
// Design sizes (twips).
constexpr int kMessageFrameHeight = 1455;
constexpr int kExportButtonWidth = 1800, kButtonHeight = 375;
constexpr int kList1Width = 2400;
constexpr int kRuleButtonWidth = 1155;

QComboBox *dropDown(QWidget *parent, const char *name, const TwRect &r)
{
    auto *c = NamedControl(new QComboBox(parent), name);
    c->setEditable(false);
    SetGeometryTw(c, r);
    return c;
}

// Selects the item of that text; false (nothing changed) when the list does not hold it.
bool chooseText(QComboBox *combo, const QString &text)
{
    const int i = combo->findText(text, Qt::MatchExactly);
    if (i < 0) return false;
    combo->setCurrentIndex(i);
    return true;
}

void setTextIfChanged(QPlainTextEdit *box, const QString &text)
{
    if (TextBoxText(box) != text) SetTextBoxText(box, text);
}

QString erpUnreachableText()
{
    return QStringLiteral("Orvek® veritabanıyla bağlantı kurulamıyor.") + QStringLiteral("\r\n") +
           QStringLiteral("Lütfen daha sonra tekrar deneyiniz.");
}

QString erpNotConnectedText()
{
    return QStringLiteral("Orvek® veritabanına bağlanılamıyor.") + QStringLiteral("\r\n") +
           QStringLiteral("Lütfen daha sonra tekrar deneyiniz.");
}

// Whether a cell of rows [first, first + count) needs more room than its column has now.
bool rowsNeedWiderColumns(const QTableView *view, int first, int count)
{
    const int grid = view->showGrid() ? 1 : 0; // as the view's own measure counts the grid line
    for (int c = 0; c < view->model()->columnCount(); ++c) {
        if (view->isColumnHidden(c)) continue;
        for (int r = first; r < first + count; ++r)
            if (view->sizeHintForIndex(view->model()->index(r, c)).width() + grid > view->columnWidth(c)) return true;
    }
    return false;
}
} // namespace

frmInteractiveSMS::frmInteractiveSMS()
{
    setObjectName(QStringLiteral("frmInteractiveSMS"));
    setWindowTitle(QStringLiteral("İnteraktif SMS"));
    SSTab1 = NamedControl(new QTabWidget(this), "SSTab1");
    auto *inbox = new QWidget;
    auto *settings = new QWidget;
    SSTab1->addTab(inbox, QStringLiteral("&İşlemler / Mesajlar"));
    SSTab1->addTab(settings, QStringLiteral("&Geri Dönüş Ayarları"));
    buildInboxTab(inbox);
    buildSettingsTab(settings);

    Timer1 = NamedControl(new QTimer(this), "Timer1");
    Timer1->setInterval(kRefreshMs);
    connect(Timer1, &QTimer::timeout, this, &frmInteractiveSMS::Timer1_Timer);
}

void frmInteractiveSMS::buildInboxTab(QWidget *page)
{
    Frame1 = MakeFrame(page, "Frame1", QStringLiteral("Gelen Kutusu"), TwRect{120, 120, 9000, 4000});
    DataGrid1 = NamedControl(new DataGrid(Frame1), "DataGrid1");
    SetGeometryTw(DataGrid1, TwRect{120, 300, 8775, 3000});
    m_rsMsgBox = EmptyInboxSet();
    m_model = new RecordSetModel(this);
    m_model->setRecordSet(&m_rsMsgBox);
    DataGrid1->view()->setModel(m_model);
    DataGrid1->view()->horizontalHeader()->setStretchLastSection(false);
    connect(DataGrid1, &DataGrid::currentRowChanged, this, [this] {
        if (!m_refreshing) DataGrid1_RowColChange();
    });
    DMSXpButton6 = MakeButton(Frame1, "DMSXpButton6", QStringLiteral("Excel'e gönder"),
                              TwRect{7100, 3400, kExportButtonWidth, kButtonHeight});
    DMSXpButton8 = MakeButton(Frame1, "DMSXpButton8", QStringLiteral("Sorgula - Grafik"),
                              TwRect{5175, 3400, kExportButtonWidth, kButtonHeight});
    connect(DMSXpButton6, &QPushButton::clicked, this, &frmInteractiveSMS::DMSXpButton6_Click);
    connect(DMSXpButton8, &QPushButton::clicked, this, &frmInteractiveSMS::DMSXpButton8_Click);

    Frame3 = MakeFrame(page, "Frame3", QStringLiteral("Gelen Mesaj"), TwRect{120, 4200, 9000, kMessageFrameHeight});
    Text3 = MakeMessageBox(Frame3, "Text3", TwRect{120, 270, 8775, kMessageFrameHeight - 390});
    Text3->setReadOnly(true);
    Frame2 =
        MakeFrame(page, "Frame2", QStringLiteral("Gönderilen Cevaplar"), TwRect{120, 5800, 9000, kMessageFrameHeight});
    Text1 = MakeMessageBox(Frame2, "Text1", TwRect{120, 270, 8775, kMessageFrameHeight - 390});
    Text1->setReadOnly(true);
}

void frmInteractiveSMS::buildSettingsTab(QWidget *page)
{
    Option4 = NamedControl(new QRadioButton(QStringLiteral("Cevap Gönderme"), page), "Option4");
    SetGeometryTw(Option4, TwRect{240, 240, 9000, 285});
    Option1 = NamedControl(new QRadioButton(QStringLiteral("Tüm Mesajlara Tek Cevap Gönder"), page), "Option1");
    SetGeometryTw(Option1, TwRect{240, 555, 9000, 285});
    Text2 = MakeMessageBox(page, "Text2", TwRect{240, 870, 9000, 735});
    Option3 =
        NamedControl(new QRadioButton(QStringLiteral("Parametreler Tanımla ve Gelen Değere Göre Telefon Defterimde "
                                                     "Sorgu Yap , Cevap Gönder"),
                                      page),
                     "Option3");
    SetGeometryTw(Option3, TwRect{240, 1680, 9000, 285});
    m_modeGroup = new QButtonGroup(this);
    for (QRadioButton *o : {Option1, Option3, Option4}) m_modeGroup->addButton(o);
    Label6 =
        MakeLabel(page, "Label6",
                  QStringLiteral("NOT : Geri dönüş şeklinde yaptığınız değişiklik tüm şirket tanımlarını etkiler."),
                  TwRect{240, 2010, 9000, 255});

    Label1 = MakeLabel(page, "Label1", QStringLiteral("Parametreler"), TwRect{240, 2400, kList1Width, 255});
    List1 = NamedControl(new QListWidget(page), "List1");
    List1->setSelectionMode(QAbstractItemView::SingleSelection);
    List1->setSortingEnabled(false);
    SetGeometryTw(List1, TwRect{240, 2670, kList1Width, 3960});
    connect(List1, &QListWidget::currentRowChanged, this, [this](int row) {
        if (row >= 0) List1_Click();
    });
    DMSXpButton1 = MakeButton(page, "DMSXpButton1", QStringLiteral("Yeni"), TwRect{240, 6720, kRuleButtonWidth, 375});
    DMSXpButton4 = MakeButton(page, "DMSXpButton4", QStringLiteral("Sil"), TwRect{1485, 6720, kRuleButtonWidth, 375});

    Frame4 = MakeFrame(page, "Frame4", QString(), TwRect{2740, 2400, 6500, 4965});
    MakeLabel(Frame4, "Label2", QStringLiteral("Sorgu tablosu :"), TwRect{150, 330, 1900, 255});
    Combo1 = dropDown(Frame4, "Combo1", TwRect{2100, 285, 2600, 315});
    Combo1->addItems(RuleKinds());
    Option2 = NamedControl(new QRadioButton(QStringLiteral("Gelen GsmNo Değerine Göre Sorgula"), Frame4), "Option2");
    SetGeometryTw(Option2, TwRect{150, 720, 6200, 285});
    Option5 = NamedControl(
        new QRadioButton(QStringLiteral("Paremetreden sonra gelen ilk değere göre sorgula :"), Frame4), "Option5");
    SetGeometryTw(Option5, TwRect{150, 1035, 6200, 285});
    m_lookupGroup = new QButtonGroup(this);
    m_lookupGroup->addButton(Option2);
    m_lookupGroup->addButton(Option5);
    MakeLabel(Frame4, "Label3", QStringLiteral("Sorgulanacak alan :"), TwRect{150, 1425, 1900, 255});
    Combo2 = dropDown(Frame4, "Combo2", TwRect{2100, 1380, 2600, 315});
    MakeLabel(Frame4, "Label4", QStringLiteral("Alan veri tipi :"), TwRect{150, 1815, 1900, 255});
    Combo3 = dropDown(Frame4, "Combo3", TwRect{2100, 1770, 1500, 315});
    Combo3->addItems({QStringLiteral("Metin"), QStringLiteral("Sayı")});
    MakeLabel(Frame4, "Label5", QStringLiteral("Geri Dönecek Cevap :"), TwRect{150, 2205, 1900, 255});
    DMSXpButton5 =
        MakeButton(Frame4, "DMSXpButton5", QStringLiteral("Alan ekle"), TwRect{5200, 2145, kRuleButtonWidth, 345});
    Text5 = MakeMessageBox(Frame4, "Text5", TwRect{150, 2535, 6225, 735});
    Check1 = NamedControl(new QCheckBox(QStringLiteral("Kayıt bulunamazsa aşağıdaki mesajı gönder"), Frame4), "Check1");
    SetGeometryTw(Check1, TwRect{150, 3345, 6200, 285});
    Text4 = MakeMessageBox(Frame4, "Text4", TwRect{150, 3675, 6225, 735});
    DMSXpButton7 = MakeButton(Frame4, "DMSXpButton7", kChange, TwRect{5200, 4500, kRuleButtonWidth, 345});

    DMSXpButton2 =
        MakeButton(page, "DMSXpButton2", QStringLiteral("Tüm ayarları kaydet"), TwRect{5000, 7500, 2400, 375});
    DMSXpButton3 =
        MakeButton(page, "DMSXpButton3", QStringLiteral("Vazgeç"), TwRect{7600, 7500, kRuleButtonWidth, 375});

    for (QPlainTextEdit *t : {Text2, Text4, Text5}) {
        t->installEventFilter(this);
        LimitTextBoxLength(t, kRuleAnswerMaxLength);
    }
    connect(Combo1, &QComboBox::activated, this, [this] { Combo1_Click(); });
    connect(DMSXpButton1, &QPushButton::clicked, this, &frmInteractiveSMS::DMSXpButton1_Click);
    connect(DMSXpButton2, &QPushButton::clicked, this, &frmInteractiveSMS::DMSXpButton2_Click);
    connect(DMSXpButton3, &QPushButton::clicked, this, &frmInteractiveSMS::DMSXpButton3_Click);
    connect(DMSXpButton4, &QPushButton::clicked, this, &frmInteractiveSMS::DMSXpButton4_Click);
    connect(DMSXpButton5, &QPushButton::clicked, this, &frmInteractiveSMS::DMSXpButton5_Click);
    connect(DMSXpButton7, &QPushButton::clicked, this, &frmInteractiveSMS::DMSXpButton7_Click);
    setLocked(true);
}

// ---- Loading and leaving -------------------------------------------------------------------

void frmInteractiveSMS::Form_Load()
{
    Timer1->start();
    try {
        OpenLocalDb();
        refreshInbox();
        Ayarla();
    } catch (const OrvekError &e) {
        showFailure(e.description());
        return;
    }
    AlanYerlestir(QStringLiteral("BakiyeMesaj"));
    Parametre();
}

bool frmInteractiveSMS::Form_QueryUnload()
{
    Timer1->stop();
    WorkForms::unload(QStringLiteral("frmPop"));
    return false;
}

void frmInteractiveSMS::DMSXpButton3_Click() { OnLineServislerGoster(); }

void frmInteractiveSMS::showFailure(const QString &description)
{
    Prompt::show(kUndefinedError + QStringLiteral("\r\n") + description, PromptIcon::Critical, QStringLiteral("Uyarı"));
}

void frmInteractiveSMS::disableWindow()
{
    m_disabled = true;
    Timer1->stop();
    SSTab1->setEnabled(false);
    for (QWidget *w : SSTab1->findChildren<QWidget *>()) w->setEnabled(false);
}

// ---- Inbox -----------------------------------------------------------------------------------

qint64 frmInteractiveSMS::currentMessageId() const
{
    const int row = DataGrid1->currentRow();
    if (row < 0 || row >= m_rsMsgBox.rowCount()) return -1;
    return m_rsMsgBox.value(row, kInboxId).toLongLong();
}

void frmInteractiveSMS::refreshInbox()
{
    const qint64 keep = currentMessageId();
    InboxUpdate update = ReadInboxUpdate(m_rsMsgBox, m_signature);
    m_refreshing = true;
    switch (update.kind) {
    case InboxUpdate::Kind::None:
        break;
    case InboxUpdate::Kind::Prepend: {
        const int added = int(update.added.size());
        m_model->beginInsert(0, added);
        m_rsMsgBox.insertRows(0, std::move(update.added));
        m_model->endInsert();
        // The rows shown were fitted already; a new fit measures a thousand rows, so it runs only
        // when a new row does not fit.
        if (rowsNeedWiderColumns(DataGrid1->view(), 0, added)) DataGrid1->fitColumns();
        break;
    }
    case InboxUpdate::Kind::Reload:
        m_rsMsgBox = std::move(update.reloaded);
        m_model->reset();
        GridAyar();
        break;
    }
    m_signature = update.signature;
    // The same message stays selected; when it is gone, the first row.
    int row = DataGrid1->currentRow();
    if (keep < 0 || row < 0 || row >= m_rsMsgBox.rowCount() || m_rsMsgBox.value(row, kInboxId).toLongLong() != keep)
        row = keep >= 0 ? InboxRowOfId(m_rsMsgBox, keep) : -1;
    if (row < 0 && m_rsMsgBox.rowCount() > 0) row = 0;
    if (row >= 0 && row != DataGrid1->currentRow()) DataGrid1->setCurrentRow(row);
    m_refreshing = false;
    showCurrentMessage();
}

void frmInteractiveSMS::msgbox_ref()
{
    try {
        refreshInbox();
    } catch (const OrvekError &) {
        // The inbox could not be read: the rows shown stay.
        m_refreshing = false;
    }
}

void frmInteractiveSMS::Timer1_Timer() { msgbox_ref(); }

void frmInteractiveSMS::GridAyar()
{
    QTableView *view = DataGrid1->view();
    m_model->setColumnCaptions({QString(), QStringLiteral("Tarih"), QStringLiteral("GsmNo"), QStringLiteral("Mesaj")});
    view->setColumnHidden(kInboxId, true);
    DataGrid1->setDesignWidthsTw(kInboxTarih, {1800, 1300, 4400});
    DataGrid1->fitColumns();
}

void frmInteractiveSMS::showCurrentMessage()
{
    if (m_rsMsgBox.rowCount() == 0) return;
    int row = DataGrid1->currentRow();
    if (row < 0 || row >= m_rsMsgBox.rowCount()) return;
    setTextIfChanged(Text3, m_rsMsgBox.value(row, kInboxMsg).toString());
    QString answer;
    try {
        answer = InboxAnswer(m_rsMsgBox.value(row, kInboxId).toLongLong());
    } catch (const OrvekError &) {
        return; // the answer box keeps its text
    }
    setTextIfChanged(Text1, answer);
}

void frmInteractiveSMS::DataGrid1_RowColChange() { showCurrentMessage(); }

void frmInteractiveSMS::DMSXpButton6_Click()
{
    if (m_rsMsgBox.rowCount() == 0) {
        Prompt::show(QStringLiteral("İnteraktif SMS hesabınıza gelen bir mesaj yok."), PromptIcon::Information,
                     QStringLiteral("Uyarı"));
        return;
    }
    if (Prompt::show(QStringLiteral("Mesaj raporlarını Excel'e kopyalamak istediğinizden emin misiniz?"),
                     PromptIcon::Question, QStringLiteral("Uyarı"), PromptButtons::YesNo) != PromptAnswer::Yes)
        return;
    const QString fileName = GetExcelFileToSave();
    if (fileName.isEmpty()) return;
    WorkOperation op(this);
    // No second export or query window while this one yields.
    const auto enableStarts = [this](bool on) {
        DMSXpButton6->setEnabled(on);
        DMSXpButton8->setEnabled(on);
    };
    enableStarts(false);
    try {
        OpenLocalDb();
        const RecordSet clone = m_rsMsgBox;
        if (clone.rowCount() == 0) {
            Prompt::show(QStringLiteral("Aktarılacak kayıt bulunamadı."), PromptIcon::Information,
                         QStringLiteral("Uyarı"));
        } else {
            m_exportColumns = clone.fieldNames();
            ExportToExcel(clone, fileName, m_exportColumns, [&op] { return op.mustStop(); });
        }
    } catch (const OrvekError &e) {
        if (!op.mustStop()) showFailure(e.description());
    }
    if (!op.mustStop()) enableStarts(true);
}

void frmInteractiveSMS::DMSXpButton8_Click()
{
    auto *graf = WorkForms::get<frmInteractiveGraf>();
    WorkForms::KeepAlive keepSelf(this);
    WorkForms::KeepAlive keepGraf(graf);
    graf->Form_Load();
    if (WorkForms::isUnloaded(graf)) return;
    graf->exec();
}

// ---- Answer mode -------------------------------------------------------------------------------

void frmInteractiveSMS::Ayarla()
{
    const QString mode = GetParam(QStringLiteral("IntDonusTip"));
    if (mode == QLatin1String("0")) {
        Option4->setChecked(true);
        SetTextBoxText(Text2, QString());
        return;
    }
    if (mode == QLatin1String("1")) {
        Option1->setChecked(true);
    } else if (mode == QLatin1String("2")) {
        Option3->setChecked(true);
    } else {
        m_modeGroup->setExclusive(false);
        for (QAbstractButton *b : m_modeGroup->buttons()) b->setChecked(false);
        m_modeGroup->setExclusive(true);
    }
    SetTextBoxText(Text2, GetParam(QStringLiteral("Int1Mesaj")));
}

void frmInteractiveSMS::DMSXpButton2_Click()
{
    QString mode = QStringLiteral("0");
    if (Option4->isChecked()) mode = QStringLiteral("0");
    if (Option1->isChecked()) mode = QStringLiteral("1");
    if (Option3->isChecked()) mode = QStringLiteral("2");
    try {
        SaveAnswerMode(mode, TextBoxText(Text2));
    } catch (const OrvekError &e) {
        showFailure(e.description());
        return;
    }
    DMSXpButton3->setText(QStringLiteral("Kapat"));
    Prompt::show(QStringLiteral("İşlem Başarı İle Kaydedildi"), PromptIcon::Information, QStringLiteral("Uyarı"));
}

bool frmInteractiveSMS::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress && (watched == Text2 || watched == Text4 || watched == Text5)) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Return || key == Qt::Key_Enter) return true;
    }
    return DockedWindow::eventFilter(watched, event);
}

// ---- Rule editor -------------------------------------------------------------------------------

void frmInteractiveSMS::setLocked(bool locked)
{
    for (QWidget *w : std::initializer_list<QWidget *>{List1, DMSXpButton1, DMSXpButton4, DMSXpButton2})
        w->setEnabled(locked);
    for (QWidget *w :
         std::initializer_list<QWidget *>{Option2, Option5, Combo1, Combo2, Combo3, Text5, Check1, Text4, DMSXpButton5})
        w->setEnabled(!locked);
    DMSXpButton7->setText(locked ? kChange : kSave);
}

void frmInteractiveSMS::resetEditor()
{
    m_list1Tag.clear();
    Option2->setChecked(true);
    chooseText(Combo1, QStringLiteral("BakiyeMesaj"));
    chooseText(Combo3, QStringLiteral("Metin"));
    SetTextBoxText(Text5, QString());
    Check1->setChecked(false);
    SetTextBoxText(Text4, QString());
}

void frmInteractiveSMS::selectListRow(int row)
{
    {
        const QSignalBlocker block(List1);
        List1->setCurrentRow(row);
    }
    ListSel();
}

void frmInteractiveSMS::Parametre()
{
    QStringList keywords;
    {
        const QSignalBlocker block(List1);
        List1->clear();
    }
    try {
        OpenLocalDb();
        keywords = RuleKeywords(gCompanyCode);
    } catch (const OrvekError &) {
        return;
    }
    if (keywords.isEmpty()) return;
    {
        const QSignalBlocker block(List1);
        List1->addItems(keywords);
    }
    selectListRow(0);
}

void frmInteractiveSMS::List1_Click() { ListSel(); }

void frmInteractiveSMS::ListSel()
{
    const QListWidgetItem *item = List1->currentItem();
    const QString keyword = item ? item->text() : QString();
    // Every control starts from the values of a new rule, so nothing of the previous rule
    // stays behind; a rule that cannot be read leaves no keyword to save under.
    resetEditor();
    std::optional<InteractiveRule> rule;
    try {
        OpenLocalDb();
        rule = LoadRule(keyword);
    } catch (const OrvekError &) {}
    if (!rule) {
        Combo1_Click();
        return;
    }
    m_list1Tag = rule->parametre;
    (rule->geridonus_tipi == QLatin1String("0") ? Option2 : Option5)->setChecked(true);
    // Setting the kind counts as choosing it, also when it is the kind shown already.
    chooseText(Combo1, rule->sorgu_tablosu);
    Combo1_Click();
    chooseText(Combo2, rule->sorgu_alani);
    chooseText(Combo3, rule->sorgu_alan_tipi);
    SetTextBoxText(Text5, rule->donus_mesaj);
    bool number = false;
    const int flag = rule->flg_kayityok.toInt(&number);
    Check1->setChecked(number && flag != 0);
    SetTextBoxText(Text4, rule->kayityok_mesaj);
}

void frmInteractiveSMS::Combo1_Click()
{
    AlanYerlestir(Combo1->currentText());
    SetTextBoxText(Text5, QString());
}

void frmInteractiveSMS::AlanYerlestir(const QString &SorguTip)
{
    QStringList names;
    bool failed = false;
    try {
        names = TemplateFieldNames(SorguTip);
    } catch (const OrvekError &) {
        failed = true;
    }
    Combo2->clear();
    Combo2->addItems(names);
    if (!names.isEmpty()) Combo2->setCurrentIndex(0);
    if (failed) {
        Prompt::show(erpUnreachableText(), PromptIcon::Critical, QStringLiteral("Brenvik"));
        disableWindow();
    }
    frmPop::instance()->setColumns(names);
}

void frmInteractiveSMS::ComboDoldur(const QString &SorguTip)
{
    QStringList names;
    try {
        names = TemplateFieldNames(SorguTip);
    } catch (const OrvekError &) {
        Prompt::show(erpNotConnectedText(), PromptIcon::Critical, QStringLiteral("Uyarı"));
        WorkForms::unload(this);
        return;
    }
    Combo2->clear();
    Combo2->addItems(names);
    if (!names.isEmpty()) Combo2->setCurrentIndex(0);
}

void frmInteractiveSMS::PopupButon(const QString &SorguTip)
{
    QStringList names;
    try {
        names = TemplateFieldNames(SorguTip);
    } catch (const OrvekError &) {
        Prompt::show(erpNotConnectedText(), PromptIcon::Critical, QStringLiteral("Uyarı"));
        WorkForms::unload(this);
        return;
    }
    frmPop::instance()->setColumns(names);
}

void frmInteractiveSMS::DMSXpButton1_Click()
{
    NewKeyword.clear();
    {
        WorkForms::KeepAlive keep(this);
        frmInteractiveSMSprm dialog(this);
        dialog.exec();
        if (WorkForms::isUnloaded(this)) return;
        NewKeyword = dialog.Keyword();
    }
    if (NewKeyword.isEmpty()) return;
    const QString keyword = NewKeyword;
    NewRuleOutcome outcome = NewRuleOutcome::Duplicate;
    try {
        outcome = InsertRule(keyword, gCompanyCode);
    } catch (const OrvekError &) {
        // A test that cannot be run counts as a rule found: nothing is added.
    }
    if (outcome == NewRuleOutcome::Duplicate)
        Prompt::show(QStringLiteral("Bu alan için tanımlama, diğer şirket tanımları ya da oturum açtığınız şirket "
                                    "tanımı için daha önce yapılmış."),
                     PromptIcon::Information, QStringLiteral("Uyarı"));
    else
        Parametre();
    for (int i = 0; i < List1->count(); ++i) {
        if (List1->item(i)->text() == keyword) {
            selectListRow(i);
            break;
        }
    }
}

void frmInteractiveSMS::DMSXpButton4_Click()
{
    if (Prompt::show(QStringLiteral("Parametre silmek istediğinizden emin misiniz?"), PromptIcon::Question,
                     QStringLiteral("Uyarı"), PromptButtons::YesNo) != PromptAnswer::Yes)
        return;
    const QListWidgetItem *item = List1->currentItem();
    const QString keyword = item ? item->text() : QString();
    if (keyword == QLatin1String(kDefaultRuleKeyword)) {
        Prompt::show(QStringLiteral("noprm parametresi sistem tarafından kullanılan ilk parametredir. Silinmesi "
                                    "yasaktır"),
                     PromptIcon::Information, QStringLiteral("Uyarı"));
        return;
    }
    try {
        if (!keyword.isEmpty()) DeleteRule(keyword);
    } catch (const OrvekError &) {
        Prompt::show(kRuleError, PromptIcon::Critical, QStringLiteral("Uyarı"));
        return;
    }
    Parametre();
}

void frmInteractiveSMS::DMSXpButton7_Click()
{
    if (DMSXpButton7->text() == kChange) {
        setLocked(false);
        Text5->setFocus();
        return;
    }
    if (m_list1Tag.isEmpty()) {
        setLocked(true);
        return;
    }
    InteractiveRule rule;
    rule.parametre = m_list1Tag;
    rule.geridonus_tipi = Option2->isChecked() ? QStringLiteral("0") : QStringLiteral("1");
    rule.sorgu_tablosu = Combo1->currentText();
    rule.sorgu_alani = Combo2->currentText();
    rule.sorgu_alan_tipi = Combo3->currentText();
    rule.donus_mesaj = TextBoxText(Text5);
    rule.flg_kayityok = Check1->isChecked() ? QStringLiteral("1") : QStringLiteral("0");
    rule.kayityok_mesaj = TextBoxText(Text4);
    try {
        SaveRule(rule, gCompanyCode);
    } catch (const OrvekError &) {
        Prompt::show(kRuleError, PromptIcon::Critical, QStringLiteral("Uyarı"));
        setLocked(true);
        ListSel();
        return;
    }
    setLocked(true);
}

void frmInteractiveSMS::DMSXpButton5_Click() { frmPop::instance()->popup(this, Text5, QCursor::pos()); }

// ---- Layout ----------------------------------------------------------------------------------

void frmInteractiveSMS::ArrangeControls()
{
    SetHeightTw(SSTab1, HeightTw(this) - 25);
    SetWidthTw(SSTab1, WidthTw(this) - 15);
    const int w = WidthTw(this);
    const int h = HeightTw(this);
    // The frames' tops are given from the window's top; their page lies below the tab row.
    const int pageTop = toTwips(Frame1->parentWidget()->mapTo(this, QPoint(0, 0)).y());

    const int f2h = HeightTw(Frame2), f3h = HeightTw(Frame3);
    SetWidthTw(Frame1, w - 450);
    SetHeightTw(Frame1, h - f2h - f3h - 900);
    SetWidthTw(DataGrid1, WidthTw(Frame1) - 225);
    SetHeightTw(DataGrid1, HeightTw(Frame1) - HeightTw(DMSXpButton6) - 650);
    SetLeftTw(DMSXpButton6, WidthTw(Frame1) - WidthTw(DMSXpButton6) - 100);
    SetTopTw(DMSXpButton6, HeightTw(DataGrid1) + 400);
    SetLeftTw(DMSXpButton8, WidthTw(Frame1) - WidthTw(DMSXpButton8) - WidthTw(DMSXpButton6) - 225);
    SetTopTw(DMSXpButton8, HeightTw(DataGrid1) + 400);
    SetWidthTw(Frame3, w - 450);
    SetTopTw(Frame3, h - f2h - f3h - 500 - pageTop);
    SetWidthTw(Frame2, w - 450);
    SetTopTw(Frame2, h - f2h - 500 - pageTop);
    SetWidthTw(Text3, WidthTw(Frame3) - 225);
    SetWidthTw(Text1, WidthTw(Frame2) - 225);

    SetWidthTw(Text2, w - 450);
    SetWidthTw(Frame4, w - WidthTw(List1) - 550);
    const int f4 = WidthTw(Frame4);
    SetWidthTw(Text5, f4 - 275);
    SetWidthTw(Text4, f4 - 275);
    SetLeftTw(DMSXpButton7, f4 - WidthTw(DMSXpButton7) - 150);
    SetLeftTw(DMSXpButton5, f4 - WidthTw(DMSXpButton5) - 150);
    SetLeftTw(DMSXpButton3, w - WidthTw(DMSXpButton3) - 325);
    SetLeftTw(DMSXpButton2, w - WidthTw(DMSXpButton3) - WidthTw(DMSXpButton2) - 400);
}
