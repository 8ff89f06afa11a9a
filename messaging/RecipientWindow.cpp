#include "messaging/RecipientWindow.h"

#include "core/AppState.h"
#include "core/LocalDb.h"
#include "core/OrvekError.h"
#include "core/Services.h"
#include "core/SmsText.h"
#include "messaging/ErpDataControl.h"
#include "messaging/frmSablon.h"
#include "shell/Controls.h"
#include "shell/DataGrid.h"
#include "shell/TextBox.h"
#include "shell/Twips.h"
#include "shell/frmPop.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QFont>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>

#include <exception>

namespace {
const char *kBrenvik = "Brenvik";

RecipientWindow::SendHandler &sendHandler()
{
    static RecipientWindow::SendHandler handler;
    return handler;
}

template <class T>
T *make(QWidget *parent, const char *name, const TwRect &r)
{
    auto *w = new T(parent);
    w->setObjectName(QString::fromLatin1(name));
    SetGeometryTw(w, r);
    return w;
}

void setTextColour(QWidget *w, const QColor &colour)
{
    QPalette p = w->palette();
    p.setColor(QPalette::WindowText, colour);
    p.setColor(QPalette::ButtonText, colour);
    p.setColor(QPalette::Text, colour);
    w->setPalette(p);
}
} // namespace

const QVector<RecipientWindowMembers> &RecipientWindowMembers::all()
{
    static const QVector<RecipientWindowMembers> rows = {
        {"frmChkMesaj", "ChkMesaj", "Müşterilere mesaj gönder",
         "Cari hesap kartlarındaki bilgilere göre mesaj göndermenizi sağlar.", "Müşteri bilgileri", "rsGrup",
         "Grup bilgileri görüntülenemiyor.", true},
        {"frmGrupMesaj", "GrupMesaj", "Gruplara mesaj gönder",
         "Cari hesap kartlarındaki grup koduna göre mesaj göndermenizi sağlar.", "Müşteri grup bilgileri", "rsGrup",
         "Grup bilgileri görüntülenemiyor.", true},
        {"frmYetkiliMesaj", "YetkiliMesaj", "Yetkililere mesaj gönder",
         "Yetkili kartlarındaki bilgilere göre mesaj göndermenizi sağlar.", "Müşteri yetkili bilgileri", "rsGrup",
         "Grup bilgileri görüntülenemiyor.", true},
        {"frmBakiyeGonder", "BakiyeMesaj", "Bakiye gönder",
         "Finans kayıtlarında bakiyeleri bulunan müşterilerinize bakiye hatırlatması yapmanızı sağlar.",
         "Müşteri bakiye bilgileri", "rsBakiye", "Bakiye bilgileri görüntülenemiyor.", false},
    };
    return rows;
}

const RecipientWindowMembers *RecipientWindowMembers::find(const QString &className)
{
    for (const RecipientWindowMembers &m : all())
        if (className == QLatin1String(m.className)) return &m;
    return nullptr;
}

RecipientLayout RecipientLayout::compute(int cw, int ch)
{
    RecipientLayout l{};
    l.frame3Width = cw - 175;
    l.frame2Left = cw - kFrame2Width - 75;
    l.frame2Top = kFrame3Height - 75;
    l.frame2Height = ch - kFrame1Height - 1590;
    l.command2Top = l.frame2Height - 590;
    l.command3Top = l.frame2Height - 590;
    l.list1Height = l.frame2Height - kList1Top - 590;
    l.frame1Top = ch - 2600;
    l.frame1Width = cw - 175;
    l.gridTop = kFrame3Height + 15;
    l.gridWidth = l.frame2Left - 195;
    l.gridHeight = ch - kFrame1Height - 1680;
    l.txtMesajWidth = l.frame1Width - 175;
    l.label7Left = l.frame1Width - kLabel1Width - kLabel7Width - 105;
    l.label1Left = l.frame1Width - kLabel1Width - 45;
    l.command4Top = ch - 645;
    l.command4Left = cw - kCommand4Width - 75;
    return l;
}

QVector<int> RecipientGridColumnWidths() { return {1080, 2500, 2500, 1600, 1600, 1100, 1000, 1500}; }

RecipientWindow::RecipientWindow(const RecipientWindowMembers &members) : m_members(members)
{
    setObjectName(QString::fromLatin1(members.className));
    setWindowTitle(QString::fromUtf8(members.title));
    // A form of its own over the work area: without this the controls would take the work
    // area's dark background role and draw their texts light.
    setBackgroundRole(QPalette::Window);
    setAutoFillBackground(true);
    // Design size; the docking gives the real one.
    SetGeometryTw(this, TwRect{0, 0, 10200, 8300});

    dataControl =
        new ErpDataControl(QString::fromLatin1(members.dataControl), QString::fromLatin1(members.kindKey), this);

    buildHeader();

    DataGrid1 = make<DataGrid>(this, "DataGrid1", TwRect{90, RecipientLayout::kFrame3Height + 15, 6900, 4300});
    DataGrid1->setCaption(QString::fromUtf8(members.gridTitle));
    DataGrid1->view()->setModel(dataControl->model());

    buildFilterFrame();
    buildMessageFrame();

    Command4 = MakeButton(
        this, "Command4", QStringLiteral("İleri >>"),
        TwRect{10200 - RecipientLayout::kCommand4Width - 75, 8300 - 645, RecipientLayout::kCommand4Width, 375});
    Command4->setEnabled(hasSendHandler());
    connect(Command4, &QPushButton::clicked, this, [this] { Command4_Click(); });
}

RecipientWindow::~RecipientWindow() = default;

void RecipientWindow::buildHeader()
{
    Frame3 = make<QFrame>(this, "Frame3", TwRect{90, -90, 10025, RecipientLayout::kFrame3Height});
    Frame3->setFrameShape(QFrame::StyledPanel);
    Frame3->setAutoFillBackground(true);
    Frame3->setBackgroundRole(QPalette::Base);
    Label6 = MakeLabel(Frame3, "Label6", QString::fromUtf8(m_members.title), TwRect{240, 210, 9000, 300});
    QFont bold = Label6->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.2);
    Label6->setFont(bold);
    Label8 = MakeLabel(Frame3, "Label8", QString::fromUtf8(m_members.description), TwRect{240, 510, 9500, 255});
}

void RecipientWindow::buildFilterFrame()
{
    const int w = RecipientLayout::kFrame2Width;
    Frame2 = make<QGroupBox>(this, "Frame2", TwRect{10200 - w - 75, RecipientLayout::kFrame3Height - 75, w, 4800});
    Frame2->setTitle(QStringLiteral("Filtre uygula"));

    MakeLabel(Frame2, "Label2", QStringLiteral("Alan adı :"), TwRect{120, 300, 1500, 255});
    Combo1 = make<QComboBox>(Frame2, "Combo1", TwRect{120, 540, w - 240, 315});

    MakeLabel(Frame2, "Label3", QStringLiteral("Değer tipi :"), TwRect{120, 930, 1500, 255});
    Option1 = make<QRadioButton>(Frame2, "Option1", TwRect{120, 1170, 870, 255});
    Option1->setText(QStringLiteral("Metin"));
    Option2 = make<QRadioButton>(Frame2, "Option2", TwRect{1020, 1170, 870, 255});
    Option2->setText(QStringLiteral("Sayı"));
    Option3 = make<QRadioButton>(Frame2, "Option3", TwRect{1920, 1170, 960, 255});
    Option3->setText(QStringLiteral("Tarih"));
    Option1->setChecked(true);

    MakeLabel(Frame2, "Label4", QStringLiteral("Eğer :"), TwRect{120, 1530, 1500, 255});
    Combo2 = make<QComboBox>(Frame2, "Combo2", TwRect{120, 1770, w - 240, 315});
    Combo2->addItems(FilterOperatorsAtOpen());
    Combo2->setCurrentIndex(-1);

    MakeLabel(Frame2, "Label5", QStringLiteral("Değer :"), TwRect{120, 2160, 1500, 255});
    txtDeger = make<QLineEdit>(Frame2, "txtDeger", TwRect{120, 2400, w - 240, 315});
    txtDeger->installEventFilter(this);
    txtTarih = make<QLineEdit>(Frame2, "txtTarih", TwRect{120, 2400, w - 240, 315});
    txtTarih->setInputMask(QStringLiteral("00/00/0000;_"));
    txtTarih->setMaxLength(10);
    txtTarih->hide();

    Command6 = MakeButton(Frame2, "Command6", QStringLiteral("Ekle"), TwRect{120, 2790, 1335, 375});
    Command7 = MakeButton(Frame2, "Command7", QStringLiteral("Sil"), TwRect{w - 120 - 1335, 2790, 1335, 375});
    List1 = make<QListWidget>(Frame2, "List1", TwRect{120, RecipientLayout::kList1Top, w - 240, 970});
    Command2 = MakeButton(Frame2, "Command2", QStringLiteral("Filtrele"), TwRect{120, 4800 - 590, 1335, 375});
    Command3 =
        MakeButton(Frame2, "Command3", QStringLiteral("Filtre kaldır"), TwRect{w - 120 - 1335, 4800 - 590, 1335, 375});

    // A click runs the handler also on the option already chosen (and the arrow keys click).
    connect(Option1, &QRadioButton::clicked, this, [this] { Option1_Click(); });
    connect(Option2, &QRadioButton::clicked, this, [this] { Option2_Click(); });
    connect(Option3, &QRadioButton::clicked, this, [this] { Option3_Click(); });
    connect(Command6, &QPushButton::clicked, this, [this] { Command6_Click(); });
    connect(Command7, &QPushButton::clicked, this, [this] { Command7_Click(); });
    connect(Command2, &QPushButton::clicked, this, [this] { Command2_Click(); });
    connect(Command3, &QPushButton::clicked, this, [this] { Command3_Click(); });
}

void RecipientWindow::buildMessageFrame()
{
    Frame1 = make<QGroupBox>(this, "Frame1", TwRect{90, 8300 - 2600, 10025, RecipientLayout::kFrame1Height});
    Frame1->setTitle(QStringLiteral("Mesaj içeriği"));
    const int fw = 10025;

    txtMesaj = make<QPlainTextEdit>(Frame1, "txtMesaj", TwRect{90, 270, fw - 175, 1035});
    txtMesaj->setTabChangesFocus(true);
    connect(txtMesaj, &QPlainTextEdit::textChanged, this, [this] { txtMesaj_Change(); });

    Label7 = MakeLabel(Frame1, "Label7", QStringLiteral("160"),
                       TwRect{fw - RecipientLayout::kLabel1Width - RecipientLayout::kLabel7Width - 105, 1410,
                              RecipientLayout::kLabel7Width, 255});
    Label7->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    setTextColour(Label7, Qt::black);
    Label1 = MakeLabel(Frame1, "Label1", QStringLiteral("/ 160"),
                       TwRect{fw - RecipientLayout::kLabel1Width - 45, 1410, RecipientLayout::kLabel1Width, 255});

    Command1 = MakeButton(Frame1, "Command1", QStringLiteral("Alan ekle"), TwRect{90, 1380, 1215, 375});
    Command5 = MakeButton(Frame1, "Command5", QStringLiteral("Mesaj şablonu seç"), TwRect{1380, 1380, 1815, 375});
    chkSablonKaydet = make<QCheckBox>(Frame1, "chkSablonKaydet", TwRect{3330, 1350, 3600, 255});
    chkSablonKaydet->setText(QStringLiteral("Mesajı şablon olarak kaydet."));
    if (m_members.duplicateOption) {
        chkMukerrer = make<QCheckBox>(Frame1, "chkMukerrer", TwRect{3330, 1605, 4300, 255});
        chkMukerrer->setText(QStringLiteral("Mükerrer gönderimlerin yapılmasına izin ver."));
        setTextColour(chkMukerrer, QColor(255, 0, 0));
    }

    connect(Command1, &QPushButton::clicked, this, [this] { Command1_Click(); });
    connect(Command5, &QPushButton::clicked, this, [this] { Command5_Click(); });
}

RecordSet &RecipientWindow::recordSet() { return dataControl->Recordset(); }

QString RecipientWindow::messageText() const { return TextBoxText(txtMesaj); }

bool RecipientWindow::saveAsTemplate() const { return chkSablonKaydet->checkState() != Qt::Unchecked; }

bool RecipientWindow::hasDuplicateOption() const { return chkMukerrer != nullptr; }

bool RecipientWindow::duplicatesAllowed() const { return chkMukerrer && chkMukerrer->checkState() != Qt::Unchecked; }

void RecipientWindow::focusMessageBox() { txtMesaj->setFocus(); }

void RecipientWindow::setSendHandler(SendHandler handler) { sendHandler() = std::move(handler); }

bool RecipientWindow::hasSendHandler() { return bool(sendHandler()); }

// ---- Load, layout, close ----------------------------------------------------------------

void RecipientWindow::Form_Load()
{
    ArrangeControls();
    try {
        txtDeger->clear();
        gErrorText = QString::fromUtf8(kErpConnectStageText);
        OpenErpDb();
        if (!ErpDb().isOpen()) throw OrvekError(gErrorText);
        gErrorText = QString::fromUtf8(m_members.queryStageText);
        dataControl->Refresh();
        showGridCaption();
    } catch (const std::exception &) {
        Prompt::show(gErrorText, PromptIcon::Critical, QString::fromLatin1(kBrenvik));
        disableAllControls();
        m_loadFailed = true;
        return;
    }

    // From here on a failing step is skipped.
    const QStringList names = recordSet().fieldNames();
    try {
        frmPop::instance()->setColumns(names);
    } catch (const std::exception &) {}
    Combo1->clear();
    Combo1->addItems(names);
    Combo1->setCurrentIndex(-1);
    Command4->setEnabled(hasSendHandler());
}

void RecipientWindow::disableAllControls()
{
    const QList<QWidget *> controls = findChildren<QWidget *>();
    for (QWidget *w : controls) w->setEnabled(false);
}

void RecipientWindow::ArrangeControls()
{
    DockToMainWindow();
    const RecipientLayout l = RecipientLayout::compute(WidthTw(this), HeightTw(this));
    SetWidthTw(Frame3, l.frame3Width);
    SetLeftTw(Frame2, l.frame2Left);
    SetTopTw(Frame2, l.frame2Top);
    SetHeightTw(Frame2, l.frame2Height);
    SetTopTw(Command2, l.command2Top);
    SetTopTw(Command3, l.command3Top);
    SetHeightTw(List1, l.list1Height);
    SetTopTw(Frame1, l.frame1Top);
    SetWidthTw(Frame1, l.frame1Width);
    SetTopTw(DataGrid1, l.gridTop);
    SetWidthTw(DataGrid1, l.gridWidth);
    SetHeightTw(DataGrid1, l.gridHeight);
    SetWidthTw(txtMesaj, l.txtMesajWidth);
    SetLeftTw(Label7, l.label7Left);
    SetLeftTw(Label1, l.label1Left);
    SetTopTw(Command4, l.command4Top);
    SetLeftTw(Command4, l.command4Left);
    SetGridColumnWidths();
}

void RecipientWindow::SetGridColumnWidths()
{
    // Only the columns the grid has take a width.
    QHeaderView *header = DataGrid1->view()->horizontalHeader();
    const QVector<int> widths = RecipientGridColumnWidths();
    for (int i = 0; i < widths.size() && i < header->count(); ++i) DataGrid1->setColumnWidthTw(i, widths[i]);
}

bool RecipientWindow::Form_QueryUnload()
{
    // The base releases frmMDIForm; the window never refuses to close.
    return false;
}

void RecipientWindow::showGridCaption()
{
    DataGrid1->setCaption(FilterGridCaption(QString::fromUtf8(m_members.gridTitle), dataControl->RecordCount()));
}

// ---- Message frame ------------------------------------------------------------------------

void RecipientWindow::Command1_Click() { frmPop::instance()->popup(this, txtMesaj, QCursor::pos()); }

void RecipientWindow::Command5_Click()
{
    // The picker runs its own event loop; the window outlives it even when it is unloaded
    // meanwhile.
    WorkForms::KeepAlive keep(this);
    const auto text = frmSablon::Pick(QString::fromLatin1(m_members.kindKey), QString::fromUtf8(m_members.title), this);
    if (text) SetTextBoxText(txtMesaj, *text);
}

void RecipientWindow::txtMesaj_Change()
{
    const int n = SmsRemaining(txtMesaj->toPlainText());
    Label7->setText(QString::number(n));
    setTextColour(Label7, n >= 0 ? QColor(0, 0, 0) : QColor(255, 0, 0));
}

void RecipientWindow::Command4_Click()
{
    if (SendHandler handler = sendHandler()) handler(*this);
}

// ---- Filter frame -------------------------------------------------------------------------

FilterValueType RecipientWindow::valueType() const
{
    if (Option1->isChecked()) return FilterValueType::Text;
    if (Option2->isChecked()) return FilterValueType::Number;
    if (Option3->isChecked()) return FilterValueType::Date;
    return FilterValueType::Text;
}

void RecipientWindow::typeClicked(FilterValueType type)
{
    const bool date = type == FilterValueType::Date;
    txtDeger->setVisible(!date);
    txtTarih->setVisible(date);
    Combo2->clear();
    Combo2->addItems(FilterOperators(type));
    Combo2->setCurrentIndex(-1);
    Combo2->setFocus(Qt::OtherFocusReason);
}

void RecipientWindow::Option1_Click()
{
    if (Option1->isChecked()) typeClicked(FilterValueType::Text);
}

void RecipientWindow::Option2_Click()
{
    if (Option2->isChecked()) typeClicked(FilterValueType::Number);
}

void RecipientWindow::Option3_Click()
{
    if (Option3->isChecked()) typeClicked(FilterValueType::Date);
}

void RecipientWindow::txtDeger_KeyPress(int &KeyAscii)
{
    if (!FilterValueKeyPasses(valueType(), KeyAscii)) KeyAscii = 0;
}

bool RecipientWindow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtDeger && event->type() == QEvent::KeyPress) {
        auto *key = static_cast<QKeyEvent *>(event);
        // Only keys that type a character reach the key handler; Delete edits like the arrows
        // and Tab moves the focus on.
        if (!key->text().isEmpty() && key->key() != Qt::Key_Delete && key->key() != Qt::Key_Tab &&
            key->key() != Qt::Key_Backtab) {
            int code = key->text().at(0).unicode();
            txtDeger_KeyPress(code);
            if (code == 0) return true;
        }
    }
    return DockedWindow::eventFilter(watched, event);
}

void RecipientWindow::Command6_Click()
{
    const FilterValueType type = valueType();
    const FilterLineInput in =
        BuildFilterLine(type, Combo1->currentText(), Combo2->currentText(), txtDeger->text(), txtTarih->displayText());
    if (!in.ok()) {
        Prompt::show(in.warning, PromptIcon::Information, QStringLiteral("Uyarı"));
        using Focus = FilterLineInput::Focus;
        QWidget *target = nullptr;
        switch (in.focus) {
        case Focus::FieldList:
            target = Combo1;
            break;
        case Focus::OperatorList:
            target = Combo2;
            break;
        case Focus::ValueBox:
            target = txtDeger;
            break;
        case Focus::DateBox:
            target = txtTarih;
            break;
        case Focus::None:
            break;
        }
        if (target) target->setFocus(Qt::OtherFocusReason);
        return;
    }
    List1->addItem(in.line);
}

void RecipientWindow::Command7_Click()
{
    // The selected line: a line that is only current (the keyboard focus entering the list
    // makes one so) is not selected.
    const QList<QListWidgetItem *> selected = List1->selectedItems();
    if (selected.isEmpty()) return;
    delete List1->takeItem(List1->row(selected.first()));
    // Like a list box after its selected line goes: no line is selected.
    List1->setCurrentRow(-1);
    List1->clearSelection();
}

void RecipientWindow::Command2_Click()
{
    QStringList lines;
    for (int i = 0; i < List1->count(); ++i) lines << List1->item(i)->text();
    FilterApplyResult r;
    try {
        r = ApplyFilterLines(recordSet(), lines);
    } catch (const OrvekError &e) {
        Prompt::show(QStringLiteral("Sorgulama yapılamadı. Filtreleme işleminde kullandığınız alanların veri "
                                    "tiplerini kontrol ediniz.\r\nSistemin ürettiği hata mesajı : ") +
                         e.description(),
                     PromptIcon::Critical, QString::fromLatin1(kBrenvik));
        return;
    }
    switch (r.status) {
    case FilterApplyResult::Status::NothingToDo:
        return;
    case FilterApplyResult::Status::Refused:
        Prompt::show(r.message(), PromptIcon::Critical, QString::fromLatin1(kBrenvik));
        return;
    case FilterApplyResult::Status::Applied:
        dataControl->rowsChanged();
        showGridCaption();
        return;
    }
}

void RecipientWindow::Command3_Click()
{
    if (List1->count() == 0) return;
    // The filter goes first; when the query cannot run again the rows held stay, all shown,
    // and the caption counts them.
    recordSet().clearFilter();
    dataControl->rowsChanged();
    try {
        gErrorText = QString::fromUtf8(kErpConnectStageText);
        OpenErpDb();
        gErrorText = QString::fromUtf8(m_members.queryStageText);
        dataControl->Requery();
    } catch (const OrvekError &e) {
        Prompt::show(gErrorText + QStringLiteral("\r\nSistemin ürettiği hata mesajı : ") + e.description(),
                     PromptIcon::Critical, QString::fromLatin1(kBrenvik));
    }
    showGridCaption();
}
