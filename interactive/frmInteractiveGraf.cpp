#include "interactive/frmInteractiveGraf.h"

#include "shell/WorkArea.h"

#include <QHBoxLayout>
#include <QPushButton>
#include <QTabWidget>
#include <QVBoxLayout>

frmInteractiveGraf::frmInteractiveGraf(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("frmInteractiveGraf"));
    setWindowTitle(QStringLiteral("İnteraktif SMS - Sorgula ve Grafik"));
    setModal(true);
    SSTab1 = new QTabWidget(this);
    SSTab1->setObjectName(QStringLiteral("SSTab1"));
    SSTab1->addTab(new QWidget, QStringLiteral("Bulunan Kayıtlar"));
    SSTab1->addTab(new QWidget, QStringLiteral("Grafik Gösterim"));
    DMSXpButton1 = new QPushButton(QStringLiteral("Kapat"), this);
    DMSXpButton1->setObjectName(QStringLiteral("DMSXpButton1"));
    DMSXpButton1->setAutoDefault(false);
    connect(DMSXpButton1, &QPushButton::clicked, this, &frmInteractiveGraf::DMSXpButton1_Click);

    auto *buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(DMSXpButton1);
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(SSTab1);
    layout->addLayout(buttons);
    resize(720, 520);
}

void frmInteractiveGraf::DMSXpButton1_Click() { WorkForms::unload(this); }

void frmInteractiveGraf::reject()
{
    QDialog::reject();
    WorkForms::unload(this);
}
