#include "messaging/frmSablonlar.h"

#include "core/AppState.h"
#include "core/LocalDb.h"
#include "core/OrvekError.h"
#include "core/Services.h"
#include "core/SmsText.h"
#include "core/Templates.h"
#include "shell/Controls.h"
#include "shell/DataGrid.h"
#include "shell/TextBox.h"
#include "shell/Twips.h"
#include "shell/frmPop.h"

#include <QComboBox>
#include <QCursor>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>

namespace {
const QString kQuickKind = QStringLiteral("HizliMesaj");
const QString kNew = QStringLiteral("Yeni");
const QString kChange = QStringLiteral("Değiştir");
const QString kSave = QStringLiteral("Kaydet");
const QString kErpStage = QStringLiteral("Orvek veritabanıyla bağlantı kurulamıyor.");
const QString kListStage = QStringLiteral("Mesaj şablonları okunamıyor.");
const QString kSaved = QStringLiteral("Mesaj şablonu başarıyla kaydedildi.");

// Design heights and tops of the frames (twips).
constexpr int kFrame3Top = -90, kFrame3Height = 975;
constexpr int kFrame4Top = 840, kFrame4Height = 735;
constexpr int kGridTop = 1680;
constexpr int kFrame1Height = 1815;
constexpr int kFrame2Height = 855;
constexpr int kButtonWidth = 1215, kButtonHeight = 375;
} // namespace

frmSablonlar::frmSablonlar()
{
    setObjectName(QStringLiteral("frmSablonlar"));
    setWindowTitle(QStringLiteral("Mesaj şablonları"));

    Frame3 = new QFrame(this);
    Frame3->setObjectName(QStringLiteral("Frame3"));
    Frame3->setFrameShape(QFrame::StyledPanel);
    Frame3->setAutoFillBackground(true);
    QPalette band = Frame3->palette();
    band.setColor(QPalette::Window, Qt::white);
    Frame3->setPalette(band);
    SetGeometryTw(Frame3, TwRect{120, kFrame3Top, 9135, kFrame3Height});
    Label6 = MakeLabel(Frame3, "Label6", QStringLiteral("Mesaj şablonları"), TwRect{240, 210, 6000, 300});
    QFont title = Label6->font();
    title.setBold(true);
    title.setPointSizeF(title.pointSizeF() * 1.2);
    Label6->setFont(title);
    Label8 = MakeLabel(Frame3, "Label8",
                       QStringLiteral("Mesaj gönderimlerinizde kullanabileceğiniz mesaj şablonları "
                                      "oluşturmanızı ve oluşturuduğunuz şablonları düzenlemenizi sağlar."),
                       TwRect{240, 540, 8775, 375});
    Label8->setWordWrap(true);

    Frame4 = MakeFrame(this, "Frame4", QString(), TwRect{120, kFrame4Top, 9135, kFrame4Height});
    Label2 = MakeLabel(Frame4, "Label2", QStringLiteral("Kaynak tablo :"), TwRect{240, 330, 1335, 255});
    Combo1 = new QComboBox(Frame4);
    Combo1->setObjectName(QStringLiteral("Combo1"));
    Combo1->setEditable(false);
    Combo1->addItems(TemplateKinds());
    SetGeometryTw(Combo1, TwRect{1680, 270, 3015, 315});
    connect(Combo1, &QComboBox::activated, this, [this] { Combo1_Click(); });

    DataGrid1 = new DataGrid(this);
    DataGrid1->setObjectName(QStringLiteral("DataGrid1"));
    DataGrid1->setCaption(QStringLiteral("Mesaj şablonları"));
    SetGeometryTw(DataGrid1, TwRect{120, kGridTop, 9135, 2000});
    m_rsMesajlar.appendField(QStringLiteral("id"), QMetaType::LongLong);
    m_rsMesajlar.appendField(QStringLiteral("Mesaj"));
    m_model = new RecordSetModel(this);
    m_model->setRecordSet(&m_rsMesajlar);
    DataGrid1->view()->setModel(m_model);
    DataGrid1->view()->horizontalHeader()->setStretchLastSection(false);
    connect(DataGrid1, &DataGrid::currentRowChanged, this, [this] { DataGrid1_RowColChange(); });

    Frame1 = MakeFrame(this, "Frame1", QStringLiteral("Mesaj içeriği"), TwRect{120, 4000, 9135, kFrame1Height});
    txtMesaj = new QPlainTextEdit(Frame1);
    txtMesaj->setObjectName(QStringLiteral("txtMesaj"));
    txtMesaj->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    txtMesaj->setLineWrapMode(QPlainTextEdit::WidgetWidth);
    SetGeometryTw(txtMesaj, TwRect{120, 270, 8910, 1020});
    connect(txtMesaj, &QPlainTextEdit::textChanged, this, [this] { txtMesaj_Change(); });
    Command1 = MakeButton(Frame1, "Command1", QStringLiteral("Alan ekle"), TwRect{120, 1365, kButtonWidth, 345});
    Label7 = MakeLabel(Frame1, "Label7", QStringLiteral("160"), TwRect{8040, 1410, 495, 255});
    Label7->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    Label1 = MakeLabel(Frame1, "Label1", QStringLiteral("/ 160"), TwRect{8565, 1410, 495, 255});
    connect(Command1, &QPushButton::clicked, this, &frmSablonlar::Command1_Click);

    Frame2 = MakeFrame(this, "Frame2", QString(), TwRect{120, 6000, 9135, kFrame2Height});
    Command5 = MakeButton(Frame2, "Command5", kNew, TwRect{3915, 300, kButtonWidth, kButtonHeight});
    Command4 = MakeButton(Frame2, "Command4", kChange, TwRect{5230, 300, kButtonWidth, kButtonHeight});
    Command3 = MakeButton(Frame2, "Command3", QStringLiteral("Sil"), TwRect{6545, 300, kButtonWidth, kButtonHeight});
    Command2 = MakeButton(Frame2, "Command2", QStringLiteral("Vazgeç"), TwRect{7860, 300, kButtonWidth, kButtonHeight});
    connect(Command5, &QPushButton::clicked, this, &frmSablonlar::Command5_Click);
    connect(Command4, &QPushButton::clicked, this, &frmSablonlar::Command4_Click);
    connect(Command3, &QPushButton::clicked, this, &frmSablonlar::Command3_Click);
    connect(Command2, &QPushButton::clicked, this, &frmSablonlar::Command2_Click);

    SetBrowse();
}

void frmSablonlar::Form_Load()
{
    ArrangeControls();
    Combo1->setCurrentIndex(Combo1->findText(QStringLiteral("BakiyeMesaj")));
    LoadTemplates(Combo1->currentText());
}

bool frmSablonlar::Form_QueryUnload() { return false; }

void frmSablonlar::Combo1_Click() { LoadTemplates(Combo1->currentText()); }

// ---- States ---------------------------------------------------------------------------

void frmSablonlar::SetEditing(bool enabled)
{
    txtMesaj->setEnabled(enabled);
    Frame1->setEnabled(enabled);
    Command1->setEnabled(enabled);
    Label1->setEnabled(enabled);
    Label7->setEnabled(enabled);
}

void frmSablonlar::SetBrowse()
{
    SetTextBoxText(txtMesaj, QString());
    SetEditing(false);
    Command3->setEnabled(true);
    Command4->setEnabled(true);
    Command5->setEnabled(true);
    Command4->setText(kChange);
    Command5->setText(kNew);
}

void frmSablonlar::DisableAllControls()
{
    for (QWidget *w : findChildren<QWidget *>()) w->setEnabled(false);
}

// ---- The list --------------------------------------------------------------------------

void frmSablonlar::LoadTemplates(const QString &kind)
{
    try {
        SetBrowse();
        gErrorText = kListStage;
        const QVector<TemplateRow> rows = ListTemplates(kind);
        m_rsMesajlar.clear();
        for (const TemplateRow &r : rows) m_rsMesajlar.addRow({r.id, r.text});
        m_model->reset();
        if (kind != kQuickKind) {
            gErrorText = kErpStage;
            m_queryColumns = TemplateFieldNames(kind);
        } else {
            m_queryColumns.clear();
        }
    } catch (const OrvekError &) {
        Prompt::show(gErrorText, PromptIcon::Critical, QStringLiteral("Brenvik"));
        DisableAllControls();
        return;
    }
    // The field menu follows the kind; "HizliMesaj" has none and leaves the menu as it is.
    if (kind != kQuickKind) frmPop::instance()->setColumns(m_queryColumns);
    if (ListEmpty()) {
        SetTextBoxText(txtMesaj, QString());
        DataGrid1->setCurrentRow(-1);
    } else {
        DataGrid1->setCurrentRow(0);
        SetTextBoxText(txtMesaj, m_rsMesajlar.value(0, 1).toString());
    }
    SizeTemplateGrid();
}

void frmSablonlar::SizeTemplateGrid()
{
    QTableView *view = DataGrid1->view();
    if (m_model->columnCount() < 2) return;
    view->setColumnHidden(0, true);
    const int width = WidthTw(DataGrid1) - 330;
    if (width > 0) view->setColumnWidth(1, tw(width));
}

qint64 frmSablonlar::CurrentId() const
{
    if (ListEmpty()) return -1;
    int row = DataGrid1->currentRow();
    if (row < 0 || row >= m_rsMesajlar.rowCount()) row = 0;
    return m_rsMesajlar.value(row, 0).toLongLong();
}

QString frmSablonlar::CurrentText() const
{
    if (ListEmpty()) return QString();
    int row = DataGrid1->currentRow();
    if (row < 0 || row >= m_rsMesajlar.rowCount()) row = 0;
    return m_rsMesajlar.value(row, 1).toString();
}

void frmSablonlar::DataGrid1_RowColChange()
{
    if (ListEmpty() || DataGrid1->currentRow() < 0) return;
    SetTextBoxText(txtMesaj, CurrentText());
}

// ---- The editor ------------------------------------------------------------------------

void frmSablonlar::txtMesaj_Change()
{
    const int left = SmsRemaining(txtMesaj->toPlainText());
    Label7->setText(QString::number(left));
    QPalette p = Label7->palette();
    p.setColor(QPalette::WindowText, left < 0 ? QColor(255, 0, 0) : QColor(0, 0, 0));
    Label7->setPalette(p);
}

void frmSablonlar::Command1_Click()
{
    if (Combo1->currentText() == kQuickKind) {
        Prompt::show(QStringLiteral("Hızlı mesaj gönderim şablonlarında alan ekleme özelliğini kullanamazsınız."),
                     PromptIcon::Information, QStringLiteral("Brenvik"));
        return;
    }
    frmPop::instance()->popup(this, txtMesaj, QCursor::pos());
}

void frmSablonlar::ShowStatementFailure(const QString &stage, const QString &description)
{
    gErrorText = stage;
    Prompt::show(stage + QStringLiteral("\r\n") + description, PromptIcon::Critical, QStringLiteral("Brenvik"));
}

void frmSablonlar::ApplyConfirmed(const QString &question, const std::function<void()> &statement,
                                  const QString &failureStage, const QString &doneText)
{
    if (Prompt::show(question, PromptIcon::Question, QString(), PromptButtons::YesNo) != PromptAnswer::Yes) return;
    try {
        statement();
    } catch (const OrvekError &e) {
        ShowStatementFailure(failureStage, e.description());
        return;
    }
    if (!doneText.isEmpty()) Prompt::show(doneText, PromptIcon::Information, QString());
    CloseLocalDb();
    LoadTemplates(Combo1->currentText());
}

void frmSablonlar::Command5_Click()
{
    if (Command5->text() == kNew) {
        Command3->setEnabled(false);
        Command4->setEnabled(false);
        Command5->setText(kSave);
        SetEditing(true);
        SetTextBoxText(txtMesaj, QString());
        txtMesaj->setFocus();
        return;
    }
    const QString text = TextBoxText(txtMesaj);
    if (text.isEmpty() || text == QLatin1String(" ")) {
        Prompt::show(QStringLiteral("Lütfen mesaj içeriğini giriniz."), PromptIcon::Information, QString());
        txtMesaj->setFocus();
        return;
    }
    ApplyConfirmed(
        QStringLiteral("Mesaj içeriğini şablon olarak kaydetmek üzeresiniz. Devam etmek istiyor musunuz?"),
        [&] {
            InsertTemplate(Combo1->currentText(), text, QString::fromLatin1(kTemplateMsgIdLocal),
                           TemplateLayout::SplitNoP2);
        },
        QStringLiteral("Mesaj şablonu kaydedilemedi."), kSaved);
}

void frmSablonlar::Command4_Click()
{
    if (ListEmpty()) {
        Prompt::show(QStringLiteral("Değiştirilecek kayıt bulunamadı."), PromptIcon::Information, QString());
        return;
    }
    if (Command4->text() == kChange) {
        Command3->setEnabled(false);
        Command4->setText(kSave);
        Command5->setEnabled(false);
        SetEditing(true);
        txtMesaj->setFocus();
        return;
    }
    ApplyConfirmed(
        QStringLiteral("Mesaj şablonunu değiştirmek üzeresiniz. Devam etmek istiyor musunuz?"),
        [&] { UpdateTemplate(CurrentId(), TextBoxText(txtMesaj)); }, QStringLiteral("Mesaj şablonu kaydedilemedi."),
        kSaved);
}

void frmSablonlar::Command3_Click()
{
    if (ListEmpty()) {
        Prompt::show(QStringLiteral("Silinecek kayıt bulunamadı."), PromptIcon::Information, QString());
        return;
    }
    ApplyConfirmed(
        QStringLiteral("Seçili şablonu silmek istediğinizden emin misiniz?"), [&] { DeleteTemplate(CurrentId()); },
        QStringLiteral("Mesaj şablonu silinemedi."), QString());
}

void frmSablonlar::Command2_Click()
{
    // Leaves New or Change without saving; the editor shows the current template again.
    if (Command5->text() != kSave && Command4->text() != kSave) return;
    SetBrowse();
    SetTextBoxText(txtMesaj, CurrentText());
}

// ---- Layout ----------------------------------------------------------------------------

void frmSablonlar::ArrangeControls()
{
    const int w = WidthTw(this);
    const int h = HeightTw(this);
    for (QWidget *c :
         {static_cast<QWidget *>(Frame3), static_cast<QWidget *>(Frame4), static_cast<QWidget *>(DataGrid1),
          static_cast<QWidget *>(Frame1), static_cast<QWidget *>(Frame2)}) {
        SetWidthTw(c, w - 225);
        SetLeftTw(c, 120);
    }
    SetHeightTw(Frame3, kFrame3Height);
    SetHeightTw(Frame4, kFrame4Height);
    SetHeightTw(Frame1, kFrame1Height);
    SetHeightTw(Frame2, kFrame2Height);
    SetTopTw(Frame3, kFrame3Top);
    SetTopTw(Frame4, kFrame4Top);
    SetTopTw(DataGrid1, kGridTop);
    SetTopTw(Frame2, h - kFrame2Height - 225);
    SetTopTw(Frame1, h - kFrame1Height - kFrame2Height - 225);
    SetHeightTw(DataGrid1, h - kGridTop - kFrame1Height - kFrame2Height - 225);

    const int f1 = WidthTw(Frame1);
    SetWidthTw(txtMesaj, f1 - 225);
    SetLeftTw(Label1, f1 - WidthTw(Label1) - 75);
    SetLeftTw(Label7, f1 - WidthTw(Label1) - WidthTw(Label7) - 100);

    const int f2 = WidthTw(Frame2);
    int right = 0;
    int gap = 150;
    for (QPushButton *b : {Command2, Command3, Command4, Command5}) {
        right += WidthTw(b);
        SetLeftTw(b, f2 - right - gap);
        gap += 100;
    }
    SizeTemplateGrid();
}
