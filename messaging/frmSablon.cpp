#include "messaging/frmSablon.h"

#include "core/OrvekError.h"
#include "core/Services.h"
#include "core/Templates.h"
#include "shell/Controls.h"
#include "shell/DataGrid.h"
#include "shell/Pictures.h"
#include "shell/Twips.h"
#include "shell/WorkArea.h"
#include "shell/frmMDI.h"

#include <QApplication>
#include <QCloseEvent>
#include <QFrame>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableView>

namespace {
constexpr int kBandHeight = 855;
constexpr int kPictureSize = 480;
constexpr int kButtonWidth = 1095;
constexpr int kButtonHeight = 375;
} // namespace

frmSablon::frmSablon(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSablon"));
    setWindowTitle(QString::fromUtf8(kDesignCaption));
    setModal(true);
    setAttribute(Qt::WA_QuitOnClose, false);

    Frame1 = new QFrame(this);
    Frame1->setObjectName(QStringLiteral("Frame1"));
    Frame1->setFrameShape(QFrame::StyledPanel);
    SetGeometryTw(Frame1, TwRect{120, 0, 6000, kBandHeight});
    Picture1 = new QLabel(Frame1);
    Picture1->setObjectName(QStringLiteral("Picture1"));
    SetGeometryTw(Picture1, TwRect{120, 180, kPictureSize, kPictureSize});
    Picture1->setPixmap(ProgramIcon().pixmap(Picture1->size()));
    Label1 = new QLabel(QStringLiteral("Listeden kullanmak istediğiniz mesaj şablonunu seçin ve "
                                       "\"Seç\" butonuna basın."),
                        Frame1);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    SetGeometryTw(Label1, TwRect{120 + kPictureSize + 210, 180, 4500, 495});

    DataGrid1 = new DataGrid(this);
    DataGrid1->setObjectName(QStringLiteral("DataGrid1"));
    m_model = new RecordSetModel(this);
    m_rsSablon.appendField(QStringLiteral("Sablon"));
    m_model->setRecordSet(&m_rsSablon);
    DataGrid1->view()->setModel(m_model);
    DataGrid1->view()->horizontalHeader()->setStretchLastSection(false);
    connect(DataGrid1->view(), &QTableView::doubleClicked, this, [this] { Command1_Click(); });

    Command1 = MakeButton(this, "Command1", QStringLiteral("Seç"), TwRect{0, 0, kButtonWidth, kButtonHeight});
    Command2 = MakeButton(this, "Command2", QStringLiteral("Vazgeç"), TwRect{0, 0, kButtonWidth, kButtonHeight});
    connect(Command1, &QPushButton::clicked, this, &frmSablon::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmSablon::Command2_Click);
    resize(tw(6500), tw(4500));
}

std::optional<QString> frmSablon::Pick(const QString &kind, const QString &callerTitle, QWidget *opener)
{
    QPointer<frmSablon> picker = WorkForms::get<frmSablon>();
    picker->TemplateKind = kind;
    picker->CallerTitle = callerTitle;
    picker->Opener = opener;
    std::optional<QString> chosen;
    const QMetaObject::Connection taken =
        connect(picker, &frmSablon::TemplateChosen, picker, [&chosen](const QString &text) { chosen = text; });
    picker->exec();
    // Closed by its buttons, its close box or an unload of the work set: unloaded either way.
    if (picker) {
        disconnect(taken);
        WorkForms::unload(picker);
    }
    return chosen;
}

void frmSablon::showEvent(QShowEvent *event)
{
    if (!m_loaded) {
        m_loaded = true;
        Form_Load();
    }
    QDialog::showEvent(event);
}

void frmSablon::Form_Load()
{
    m_rsSablon.clear();
    try {
        for (const TemplateRow &row : ListTemplates(TemplateKind)) m_rsSablon.addRow({row.text});
    } catch (const OrvekError &e) {
        // The picker stays usable: an empty list, "Vazgeç" closes it.
        Prompt::show(QStringLiteral("Mesaj şablonları okunamıyor.\r\n") + e.description(), PromptIcon::Critical,
                     QStringLiteral("Brenvik"));
    }
    m_model->reset();
    DataGrid1->setCurrentRow(m_rsSablon.rowCount() > 0 ? 0 : -1);
    setWindowTitle(QString::fromUtf8(kDesignCaption) + CallerTitle);
    PlaceOverMainWindow();
    ArrangeControls();
}

void frmSablon::PlaceOverMainWindow()
{
    QWidget *main = frmMDI::instance();
    if (!main && Opener) main = Opener->window();
    if (!main || main == this) return;
    int clientWidth = toTwips(main->width());
    int clientHeight = toTwips(main->height());
    if (auto *mdi = qobject_cast<frmMDI *>(main)) {
        clientWidth = mdi->ScaleWidth();
        clientHeight = mdi->ScaleHeight();
    }
    SetWidthTw(this, clientWidth / 2);
    SetHeightTw(this, clientHeight / 2);
    const QPoint origin = main->frameGeometry().topLeft();
    move(origin.x() + tw((clientWidth - WidthTw(this)) / 2), origin.y() + tw((clientHeight - HeightTw(this)) / 2));
}

void frmSablon::resizeEvent(QResizeEvent *event)
{
    QDialog::resizeEvent(event);
    ArrangeControls();
}

void frmSablon::ArrangeControls()
{
    const int s = WidthTw(this);
    const int h = HeightTw(this);
    const int buttons = HeightTw(Command1);
    const int band = HeightTw(Frame1);
    SetWidthTw(Frame1, s - 250);
    SetWidthTw(Label1, WidthTw(Frame1) - WidthTw(Picture1) - 450);
    SetGeometryTw(DataGrid1, TwRect{120, band, s - 250, h - buttons - band - 250});
    if (DataGrid1->view()->model() && DataGrid1->view()->model()->columnCount() > 0) {
        const int column = WidthTw(DataGrid1) - 330;
        if (column > 0) DataGrid1->view()->setColumnWidth(0, tw(column));
    }
    const int top = HeightTw(DataGrid1) + band + 175;
    SetGeometryTw(Command2, TwRect{s - WidthTw(Command2) - 130, top, WidthTw(Command2), buttons});
    SetGeometryTw(Command1, TwRect{s - WidthTw(Command1) - WidthTw(Command2) - 175, top, WidthTw(Command1), buttons});
}

void frmSablon::Command1_Click()
{
    if (m_rsSablon.rowCount() == 0) {
        Prompt::show(QStringLiteral("Tanımlanmış mesaj şablonu bulunamadı."), PromptIcon::Information, QString());
        return;
    }
    int row = DataGrid1->currentRow();
    if (row < 0 || row >= m_rsSablon.rowCount()) row = 0;
    emit TemplateChosen(m_rsSablon.value(row, 0).toString());
    close();
}

void frmSablon::Command2_Click() { close(); }

bool frmSablon::isRegistered() const { return WorkForms::find<frmSablon>() == this; }

void frmSablon::done(int result)
{
    QDialog::done(result);
    // However it closes (a button, the close box, Escape), the picker is unloaded.
    Form_QueryUnload();
    if (isRegistered()) WorkForms::unload(this);
}

void frmSablon::closeEvent(QCloseEvent *event)
{
    Form_QueryUnload();
    QDialog::closeEvent(event); // a shown picker ends its modal run here
    event->accept();
    if (isRegistered()) WorkForms::unload(this);
}

void frmSablon::Form_QueryUnload()
{
    m_rsSablon.clear();
    m_model->reset();
    Opener = nullptr;
    m_loaded = false; // a picker shown again reads the templates again
}
