#include "tests/support/MainWindowFixture.h"

#include "core/AppState.h"
#include "shell/DesktopLook.h"
#include "shell/frmAna.h"
#include "shell/frmMDI.h"
#include "tests/support/Controls.h"

#include <QCoreApplication>
#include <QTreeWidget>
#include <QtTest>

MainWindowFixture::MainWindowFixture() : MainWindowFixture(Account()) {}

MainWindowFixture::MainWindowFixture(const Account &account)
{
    gGatewayKind = ParseGatewayKind(account.kind).value_or(GatewayKind::None);
    gUserName = account.user;
    gPassword = account.password;
    gCkey = account.ckey;
    gErpConfigured = account.erpConfigured;
    UseProgramFont();
    m_mdi = new frmMDI;
    m_mdi->show();
    if (!QTest::qWaitForWindowExposed(m_mdi)) qWarning("main window not exposed");
}

MainWindowFixture::~MainWindowFixture()
{
    delete m_mdi;
    flushDeletes();
}

frmAna *MainWindowFixture::ana() const { return m_mdi->Ana(); }

void MainWindowFixture::clickNode(const QString &key)
{
    QTreeWidget *tree = Control<QTreeWidget>(ana(), "TreeView1");
    QTreeWidgetItem *item = ana()->node(key);
    if (!item) {
        qWarning("no node %s", qPrintable(key));
        return;
    }
    tree->scrollToItem(item);
    const QRect r = tree->visualItemRect(item);
    if (!r.isValid()) {
        qWarning("node %s is not visible", qPrintable(key));
        return;
    }
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
}

void MainWindowFixture::flushDeletes()
{
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}
