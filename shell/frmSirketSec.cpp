#include "shell/frmSirketSec.h"

#include "core/Services.h"
#include "shell/CompanyChoice.h"
#include "shell/Pictures.h"
#include "shell/Twips.h"

#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>

frmSirketSec::frmSirketSec(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmSirketSec"));
    setWindowTitle(QStringLiteral("Orvek® Talvane - Şirket seçimi"));
    setWindowIcon(ProgramIcon());
    setFixedSize(tw(4950), tw(3675));

    Image1 = new QLabel(this);
    Image1->setObjectName(QStringLiteral("Image1"));
    Image1->setPixmap(ProductPicture(2, QSize(tw(720), tw(720))));
    Image1->setAlignment(Qt::AlignCenter);
    Image1->setGeometry(tw(120), tw(120), tw(840), tw(840));

    Label1 = new QLabel(QStringLiteral("Lütfen çalışmak istediğiniz şirketi seçiniz."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setWordWrap(true);
    Label1->setGeometry(tw(1080), tw(120), tw(3750), tw(540));

    tw1 = new QTreeWidget(this);
    tw1->setObjectName(QStringLiteral("tw1"));
    tw1->setHeaderHidden(true);
    tw1->setRootIsDecorated(false);
    tw1->setSelectionMode(QAbstractItemView::SingleSelection);
    tw1->setGeometry(tw(1080), tw(720), tw(3750), tw(2280));
    // As in the system's tree control, the node with the focus is the selected one (the
    // first node once the tree takes the focus).
    connect(tw1, &QTreeWidget::currentItemChanged, this, [](QTreeWidgetItem *current) {
        if (current) current->setSelected(true);
    });

    Command1 = new QPushButton(QStringLiteral("Tamam"), this);
    Command1->setObjectName(QStringLiteral("Command1"));
    Command1->setGeometry(tw(3450), tw(3120), tw(1380), tw(420));
    Command1->setDefault(true);

    connect(Command1, &QPushButton::clicked, this, &frmSirketSec::Command1_Click);
}

bool frmSirketSec::Form_Load()
{
    QVector<ErpCompany> companies;
    const CompanyStepResult loaded = LoadCompanyList(companies);
    if (!loaded) {
        endStart(loaded);
        return false;
    }
    tw1->clear();
    for (const ErpCompany &c : companies) {
        auto *node = new QTreeWidgetItem(tw1, QStringList{c.name});
        node->setData(0, KeyRole, c.key);
    }
    return true;
}

void frmSirketSec::Command1_Click()
{
    const QList<QTreeWidgetItem *> selected = tw1->selectedItems();
    if (selected.isEmpty()) return; // nothing chosen yet: the window stays
    QTreeWidgetItem *node = selected.first();
    const CompanyStepResult taken = TakeCompanyChoice(ErpCompany{node->data(0, KeyRole).toString(), node->text(0)});
    if (!taken) endStart(taken);
    accept();
}

void frmSirketSec::endStart(const CompanyStepResult &failed)
{
    Prompt::show(failed.text, PromptIcon::Critical, failed.title);
    Lifecycle::endProgram();
}
