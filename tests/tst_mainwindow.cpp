#include "core/AppState.h"
#include "core/LocalDb.h"
#include "core/PageAddresses.h"
#include "interactive/frmInteractiveGraf.h"
#include "interactive/frmInteractiveSMS.h"
#include "reports/frmRapor.h"
#include "settings/frmAyarlar.h"
#include "shell/BrowserView.h"
#include "shell/DockedWindow.h"
#include "shell/StartupWindows.h"
#include "shell/Twips.h"
#include "shell/WorkArea.h"
#include "shell/frmAna.h"
#include "shell/frmBekle.h"
#include "shell/frmBrw.h"
#include "shell/frmHakkinda.h"
#include "shell/frmMDI.h"
#include "shell/frmPop.h"
#include "tests/support/Controls.h"
#include "tests/support/ErpStandIn.h"
#include "tests/support/MainWindowFixture.h"

#include <QAction>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

namespace {
// The windows of other folders that the navigation opens by name; these tests open a plain
// docked window in their place.
const QStringList kByName = {"frmHizliMesaj", "frmBakiyeGonder", "frmYetkiliMesaj",
                             "frmChkMesaj",   "frmGrupMesaj",    "frmSablonlar"};

class PlainWorkWindow : public DockedWindow {
    Q_OBJECT
public:
    explicit PlainWorkWindow(const QString &name) { setObjectName(name); }
};

// A work set member that records its close handler.
QStringList g_closed;
class ClosingWindow : public QWidget {
    Q_OBJECT
public:
    explicit ClosingWindow(const QString &name) : QWidget(nullptr, Qt::Tool) { setObjectName(name); }

protected:
    void closeEvent(QCloseEvent *e) override
    {
        g_closed << objectName();
        e->accept();
    }
};

struct Row {
    QString parent, key, caption;
    int image;
};

QList<Row> treeRows(QTreeWidget *tree)
{
    QList<Row> rows;
    for (QTreeWidgetItemIterator it(tree); *it; ++it) {
        QTreeWidgetItem *i = *it;
        rows << Row{i->parent() ? i->parent()->data(0, frmAna::kKeyRole).toString() : QString(),
                    i->data(0, frmAna::kKeyRole).toString(), i->text(0), i->data(0, frmAna::kImageRole).toInt()};
    }
    return rows;
}

QString rowText(const Row &r) { return QStringLiteral("%1/%2 \"%3\" %4").arg(r.parent, r.key, r.caption).arg(r.image); }

QAction *action(frmMDI *mdi, const char *name) { return mdi->findChild<QAction *>(QString::fromLatin1(name)); }

MainWindowFixture::Account account(const QString &kind, bool erp = true)
{
    MainWindowFixture::Account a;
    a.kind = kind;
    a.erpConfigured = erp;
    return a;
}

int currentTab(QWidget *w)
{
    auto *tabs = w ? w->findChild<QTabWidget *>(QStringLiteral("SSTab1")) : nullptr;
    return tabs ? tabs->currentIndex() : -1;
}
} // namespace

class TestMainWindow : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init() { g_closed.clear(); }

    void navigationTree_data();
    void navigationTree();
    void firstPageIsSignedInWebClient_data();
    void firstPageIsSignedInWebClient();
    void leafOpensItsWindowAlone_data();
    void leafOpensItsWindowAlone();
    void openingTheSameWindowReloadsIt();
    void rootsToggle();
    void erpGuard_data();
    void erpGuard();
    void browserPagesUnencoded_data();
    void browserPagesUnencoded();
    void layout();
    void nodesThatDoNotFitShowTheirCaption();
    void menus_data();
    void menus();
    void helpTopics_data();
    void helpTopics();
    void helpFileShipsBesideTheProgram();
    void kapatEndsWithoutCloseStep();
    void closingMainWindowEndsEverything();
    void closingWithNoConnectionOpened();
    void aboutBox_data();
    void aboutBox();
    void shellTabs_data();
    void shellTabs();
    void interactiveWindowUnloadsPlaceholderMenu();
    void releaseWindowsAtTheEnd_data();
    void releaseWindowsAtTheEnd();
    void reportWindowLoadClearsCancelFlag_data();
    void reportWindowLoadClearsCancelFlag();
};

void TestMainWindow::initTestCase()
{
    for (const QString &name : kByName) WorkForms::registerFactory(name, [name] { return new PlainWorkWindow(name); });
}

void TestMainWindow::cleanupTestCase()
{
    for (const QString &name : kByName) WorkForms::registerFactory(name, nullptr);
}

void TestMainWindow::navigationTree_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("hosted gateway") << "Brenvik";
    QTest::newRow("on-site server") << "Ambrel";
}

void TestMainWindow::navigationTree()
{
    QFETCH(QString, kind);
    MainWindowFixture fx(account(kind));
    QList<Row> expected = {
        {"", "MesajIslem", "Mesaj İşlemleri", 1},
        {"MesajIslem", "HizliMesaj", "Hızlı mesaj gönder", 9},
        {"MesajIslem", "BakiyeGonder", "Bakiye hatırlat", 9},
        {"MesajIslem", "YetkiliMesaj", "Yetkililere mesaj gönder", 9},
        {"MesajIslem", "ChkMesaj", "Müşterilere mesaj gönder", 9},
        {"MesajIslem", "GrupMesaj", "Gruplara mesaj gönder", 9},
        {"MesajIslem", "Sablonlar", "Şablonlar", 9},
        {"", "InteraktifIslem", "İnteraktif SMS İşlemleri", 3},
        {"InteraktifIslem", "GelenMesaj", "Gelen mesajlar", 12},
        {"InteraktifIslem", "GeriDonus", "Geri dönüş ayarları", 9},
        {"", "Ayarlar", "Ayarlar", 7},
        {"Ayarlar", "HesapAyar", "Hesap ayarları", 4},
        {"Ayarlar", "Kovaset", "Otomatik mesajlar", 11},
        {"Ayarlar", "Interaktif", "İnteraktif SMS", 3},
        {"", "Raporlar", "Raporlar", 6},
        {"Raporlar", "RapMesaj", "Gönderim bazında rapor", 9},
        {"Raporlar", "RapTarih", "Tarih bazında rapor", 8},
        {"Raporlar", "RapNumara", "Numara bazında rapor", 1},
        {"", "Servisler", "Servisler", 10},
        {"Servisler", "OnLineServisler", "On-Line Servisler", 10},
    };
    if (kind == QLatin1String("Brenvik")) expected << Row{"Servisler", "KontorYukle", "Kontör Yükleme", 13};
    QStringList want, got;
    for (const Row &r : expected) want << rowText(r);
    QTreeWidget *tree = Control<QTreeWidget>(fx.ana(), "TreeView1");
    for (const Row &r : treeRows(tree)) got << rowText(r);
    QCOMPARE(got, want);

    QTreeWidgetItem *services = fx.ana()->node("Servisler");
    QCOMPARE(services->child(services->childCount() - 1)->data(0, frmAna::kKeyRole).toString(),
             kind == QLatin1String("Brenvik") ? QStringLiteral("KontorYukle") : QStringLiteral("OnLineServisler"));
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        QCOMPARE(tree->topLevelItem(i)->isExpanded(), tree->topLevelItem(i) == services);
    QCOMPARE(tree->currentItem(), fx.ana()->node("OnLineServisler"));
    QVERIFY(!tree->currentItem()->icon(0).isNull());
    QCOMPARE(fx.prompts.count(), 0);
}

void TestMainWindow::firstPageIsSignedInWebClient_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("hosted gateway") << "Brenvik";
    QTest::newRow("on-site server") << "Ambrel";
}

void TestMainWindow::firstPageIsSignedInWebClient()
{
    QFETCH(QString, kind);
    MainWindowFixture fx(account(kind));
    // Built with the client code and the user name for either kind.
    const QString first = WebClientAddress("B001", "demo");
    QCOMPARE(fx.browser.navigations, QStringList({first}));
    QCOMPARE(gBrowserUrl, first);
    QCOMPARE(WorkForms::loadedWorkForms(), QStringList({"frmBrw"}));
    frmBrw *brw = WorkForms::find<frmBrw>();
    QVERIFY(brw->isVisible());
    QCOMPARE(brw->frmMDIForm.data(), fx.mdi());

    // "On-Line Servisler" afterwards opens the page of the kind.
    fx.clickNode("OnLineServisler");
    QCOMPARE(fx.browser.navigations.last(),
             WebClientAddressFor(ParseGatewayKind(kind).value_or(GatewayKind::None), "B001", "demo"));
    QCOMPARE(gBrowserUrl, fx.browser.navigations.last());
}

void TestMainWindow::leafOpensItsWindowAlone_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("window");
    QTest::addColumn<int>("tab");
    QTest::newRow("HizliMesaj") << "HizliMesaj"
                                << "frmHizliMesaj" << -1;
    QTest::newRow("BakiyeGonder") << "BakiyeGonder"
                                  << "frmBakiyeGonder" << -1;
    QTest::newRow("YetkiliMesaj") << "YetkiliMesaj"
                                  << "frmYetkiliMesaj" << -1;
    QTest::newRow("ChkMesaj") << "ChkMesaj"
                              << "frmChkMesaj" << -1;
    QTest::newRow("GrupMesaj") << "GrupMesaj"
                               << "frmGrupMesaj" << -1;
    QTest::newRow("Sablonlar") << "Sablonlar"
                               << "frmSablonlar" << -1;
    QTest::newRow("GelenMesaj") << "GelenMesaj"
                                << "frmInteractiveSMS" << 0;
    QTest::newRow("GeriDonus") << "GeriDonus"
                               << "frmInteractiveSMS" << 1;
    QTest::newRow("HesapAyar") << "HesapAyar"
                               << "frmAyarlar" << 0;
    QTest::newRow("Kovaset") << "Kovaset"
                             << "frmAyarlar" << 1;
    QTest::newRow("Interaktif") << "Interaktif"
                                << "frmAyarlar" << 2;
    QTest::newRow("RapMesaj") << "RapMesaj"
                              << "frmRapor" << 0;
    QTest::newRow("RapTarih") << "RapTarih"
                              << "frmRapor" << 1;
    QTest::newRow("RapNumara") << "RapNumara"
                               << "frmRapor" << 2;
    QTest::newRow("OnLineServisler") << "OnLineServisler"
                                     << "frmBrw" << -1;
    QTest::newRow("KontorYukle") << "KontorYukle"
                                 << "frmBrw" << -1;
}

void TestMainWindow::leafOpensItsWindowAlone()
{
    QFETCH(QString, key);
    QFETCH(QString, window);
    QFETCH(int, tab);
    MainWindowFixture fx;
    // The interactive window reads the field names of its rule kinds from the ERP database.
    QTemporaryDir erpDir;
    if (window == QLatin1String("frmInteractiveSMS")) {
        static const ErpSampleCopies sample;
        sample.copyInto(erpDir.path());
        ErpStandIn(erpDir.path()).configure();
        gCompanyCode = QStringLiteral("01");
    }
    Control<QTreeWidget>(fx.ana(), "TreeView1")->expandAll();
    // Something else open first, with a second, hidden window behind it.
    fx.clickNode(key == QLatin1String("RapNumara") ? "HesapAyar" : "RapNumara");
    WorkForms::get<frmInteractiveGraf>()->hide();
    QCOMPARE(WorkForms::loadedWorkForms().size(), 2);

    fx.clickNode(key);
    // The field placeholder menu that a window fills as it loads is no window of its own.
    QStringList loaded = WorkForms::loadedWorkForms();
    loaded.removeAll(QStringLiteral("frmPop"));
    QCOMPARE(loaded, QStringList({window}));
    auto *w = qobject_cast<DockedWindow *>(WorkForms::find(window));
    QVERIFY(w);
    QVERIFY(w->isVisible());
    QCOMPARE(w->frmMDIForm.data(), fx.mdi());
    QCOMPARE(w->parentWidget(), fx.mdi()->workArea());
    if (tab >= 0) QCOMPARE(currentTab(w), tab);
    QCOMPARE(fx.prompts.count(), 0);
}

void TestMainWindow::openingTheSameWindowReloadsIt()
{
    MainWindowFixture fx;
    QPointer<frmBrw> first = WorkForms::find<frmBrw>();
    fx.clickNode("OnLineServisler");
    fx.clickNode("OnLineServisler");
    QCOMPARE(fx.browser.created, 3);
    MainWindowFixture::flushDeletes();
    QVERIFY(first.isNull());
    QCOMPARE(WorkForms::loadedWorkForms(), QStringList({"frmBrw"}));

    Control<QTreeWidget>(fx.ana(), "TreeView1")->expandAll();
    fx.clickNode("RapTarih");
    QPointer<QWidget> report = WorkForms::find("frmRapor");
    QCOMPARE(currentTab(report), 1);
    fx.clickNode("RapTarih");
    QVERIFY(WorkForms::find("frmRapor") != report.data());
    QCOMPARE(currentTab(WorkForms::find("frmRapor")), 1);
}

void TestMainWindow::rootsToggle()
{
    MainWindowFixture fx;
    for (const char *key : {"MesajIslem", "InteraktifIslem", "Ayarlar", "Raporlar", "Servisler"}) {
        QTreeWidgetItem *root = fx.ana()->node(key);
        const bool before = root->isExpanded();
        fx.clickNode(key);
        QCOMPARE(root->isExpanded(), !before);
        fx.clickNode(key);
        QCOMPARE(root->isExpanded(), before);
    }
    QCOMPARE(WorkForms::loadedWorkForms(), QStringList({"frmBrw"}));
    QCOMPARE(fx.browser.navigations.size(), 1);
}

void TestMainWindow::erpGuard_data()
{
    QTest::addColumn<QString>("key");
    QTest::addColumn<bool>("blocked");
    for (const char *k :
         {"MesajIslem", "HizliMesaj", "BakiyeGonder", "YetkiliMesaj", "ChkMesaj", "GrupMesaj", "Sablonlar",
          "InteraktifIslem", "GelenMesaj", "GeriDonus", "Raporlar", "RapMesaj", "RapTarih", "RapNumara"})
        QTest::newRow(k) << k << true;
    for (const char *k :
         {"Ayarlar", "HesapAyar", "Kovaset", "Interaktif", "Servisler", "OnLineServisler", "KontorYukle"})
        QTest::newRow(k) << k << false;
}

void TestMainWindow::erpGuard()
{
    QFETCH(QString, key);
    QFETCH(bool, blocked);
    MainWindowFixture fx(account("Brenvik", false));
    Control<QTreeWidget>(fx.ana(), "TreeView1")->expandAll();
    QTreeWidgetItem *item = fx.ana()->node(key);
    const bool expandedBefore = item->isExpanded();
    QPointer<frmBrw> brw = WorkForms::find<frmBrw>();

    fx.clickNode(key);
    if (blocked) {
        QCOMPARE(fx.prompts.count(), 1);
        QCOMPARE(fx.prompts.last().text, frmAna::ErpGuardMessage());
        QCOMPARE(fx.prompts.last().text,
                 QStringLiteral("Programı kullanmaya başlamadan önce Orvek® veritabanına ait sunucu bilgilerini "
                                "Ayarlar -> Hesap ayarları menüsündeki Sunucu bilgileri bölümüne giriniz."));
        QCOMPARE(fx.prompts.last().icon, PromptIcon::Critical);
        QCOMPARE(fx.prompts.last().title, QStringLiteral("Uyarı"));
        QCOMPARE(item->isExpanded(), expandedBefore);
        QCOMPARE(WorkForms::loadedWorkForms(), QStringList({"frmBrw"}));
        QCOMPARE(WorkForms::find<frmBrw>(), brw.data());
        QCOMPARE(fx.browser.navigations.size(), 1);
    } else {
        QCOMPARE(fx.prompts.count(), 0);
        if (item->childCount() > 0)
            QCOMPARE(item->isExpanded(), !expandedBefore);
        else
            QCOMPARE(WorkForms::loadedWorkForms().size(), 1);
        if (item->childCount() == 0 && key != QLatin1String("OnLineServisler") && key != QLatin1String("KontorYukle"))
            QCOMPARE(WorkForms::loadedWorkForms(), QStringList({"frmAyarlar"}));
    }
}

void TestMainWindow::browserPagesUnencoded_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("hosted gateway") << "Brenvik";
    QTest::newRow("on-site server") << "Ambrel";
}

void TestMainWindow::browserPagesUnencoded()
{
    QFETCH(QString, kind);
    MainWindowFixture::Account a = account(kind);
    a.user = "ali veli&co";
    a.password = "p?w&x y";
    a.ckey = "K 1&2";
    MainWindowFixture fx(a);
    QCOMPARE(fx.browser.navigations.first(), WebClientAddress("K 1&2", "ali veli&co"));
    QVERIFY(fx.browser.navigations.first().endsWith("?company=K 1&2&Username=ali veli&co"));

    fx.clickNode("OnLineServisler");
    QCOMPARE(fx.browser.navigations.last(),
             WebClientAddressFor(ParseGatewayKind(kind).value_or(GatewayKind::None), "K 1&2", "ali veli&co"));

    // The credit page, as the settings and quick message windows' buttons open it for either kind.
    KontorYukleGoster();
    const QString credit = fx.browser.navigations.last();
    QCOMPARE(credit, CreditTopUpAddress("K 1&2", "ali veli&co", "p?w&x y"));
    QVERIFY(credit.endsWith("?Company=K 1&2&Username=ali veli&co&Password=p?w&x y"));
    QCOMPARE(gBrowserUrl, credit);
    QCOMPARE(BrowserRecorder::lastAddressOf(Control<BrowserView>(WorkForms::find<frmBrw>(), "WebBrowser1")), credit);
    QCOMPARE(fx.browser.navigations.size(), 3);
    QCOMPARE(WorkForms::loadedWorkForms(), QStringList({"frmBrw"}));
}

// At the design width every caption fits, so no node has a tooltip; in a narrower tree the
// long captions get theirs and the short ones none.
void TestMainWindow::nodesThatDoNotFitShowTheirCaption()
{
    MainWindowFixture fx;
    QTreeWidget *tree = Control<QTreeWidget>(fx.ana(), "TreeView1");
    tree->expandAll();
    QCoreApplication::processEvents();
    QStringList tips;
    for (QTreeWidgetItemIterator it(tree); *it; ++it)
        if (!(*it)->toolTip(0).isEmpty()) tips << (*it)->text(0);
    QCOMPARE(tips, QStringList());

    SetWidthTw(tree, 1800);
    QTRY_COMPARE(fx.ana()->node("ChkMesaj")->toolTip(0), QStringLiteral("Müşterilere mesaj gönder"));
    QCOMPARE(fx.ana()->node("KontorYukle")->toolTip(0), QStringLiteral("Kontör Yükleme"));
    QCOMPARE(fx.ana()->node("Ayarlar")->toolTip(0), QString());

    // Wide again: the tips go.
    SetWidthTw(tree, 2775);
    QTRY_COMPARE(fx.ana()->node("ChkMesaj")->toolTip(0), QString());
}

void TestMainWindow::layout()
{
    MainWindowFixture fx;
    frmMDI *mdi = fx.mdi();
    mdi->resize(900, 640);
    QTRY_COMPARE(mdi->workArea()->size().height(), mdi->height() - mdi->menuBar()->height());
    const int cw = mdi->ScaleWidth(), ch = mdi->ScaleHeight();
    QCOMPARE(cw, toTwips(mdi->workArea()->width()));

    frmAna *ana = fx.ana();
    QCOMPARE(ana->geometry(), QRect(0, 0, tw(2800), tw(ch - 5)));
    QCOMPARE(Control<QTreeWidget>(ana, "TreeView1")->height(), tw(toTwips(ana->height()) - 1200));
    QCOMPARE(Control<QTreeWidget>(ana, "TreeView1")->pos(), QPoint(0, tw(1155)));

    frmBrw *brw = WorkForms::find<frmBrw>();
    QCOMPARE(brw->geometry(), QRect(tw(2800), 0, tw(cw - 2850), tw(ch - 60)));
    // The browser keeps its width, centred, at full height less 10 twips.
    QCOMPARE(Control<BrowserView>(brw, "WebBrowser1")->width(), tw(frmBrw::kBrowserWidth));
    QCOMPARE(Control<BrowserView>(brw, "WebBrowser1")->x(), tw((toTwips(brw->width()) - frmBrw::kBrowserWidth) / 2));
    QCOMPARE(Control<BrowserView>(brw, "WebBrowser1")->y(), 0);
    QCOMPARE(Control<BrowserView>(brw, "WebBrowser1")->height(), tw(toTwips(brw->height()) - 10));

    // Shrunk below the panel: the panel keeps 2800 twips, the browser window keeps the size
    // it could not take.
    const QSize before = brw->size();
    mdi->resize(120, 300);
    QTRY_VERIFY(mdi->ScaleWidth() < 2850);
    QCOMPARE(ana->width(), tw(2800));
    QCOMPARE(brw->width(), before.width());
    QCOMPARE(brw->height(), tw(mdi->ScaleHeight() - 60));
}

void TestMainWindow::menus_data()
{
    QTest::addColumn<QString>("kind");
    QTest::newRow("hosted gateway") << "Brenvik";
    QTest::newRow("on-site server") << "Ambrel";
}

void TestMainWindow::menus()
{
    QFETCH(QString, kind);
    MainWindowFixture fx(account(kind));
    frmMDI *mdi = fx.mdi();
    QCOMPARE(mdi->windowTitle(), QStringLiteral("Orvek® Talvane"));
    const QList<QAction *> top = mdi->menuBar()->actions();
    QCOMPARE(top.size(), 2);
    QCOMPARE(top[0]->text(), QStringLiteral("&Program"));
    QCOMPARE(top[1]->text(), QStringLiteral("&Yardım"));
    QStringList help;
    for (QAction *a : top[1]->menu()->actions()) help << a->objectName() + "=" + a->text();
    QCOMPARE(help, QStringList(
                       {"miHakkinda=Orvek® Talvane Hakkında", "miF1=Yardım Ko&nuları", "miWEB=" + ProductSiteHost()}));
    QCOMPARE(action(mdi, "miKapat")->text(), QStringLiteral("&Kapat"));

    action(mdi, "miWEB")->trigger();
    QCOMPARE(fx.shell.openedUrls, QStringList({ProductSiteAddress(ParseGatewayKind(kind).value_or(GatewayKind::None),
                                                                  "demo", "parola", "B001")}));
    // A shell that fails at the product site says nothing.
    fx.shell.result = false;
    action(mdi, "miWEB")->trigger();
    QCOMPARE(fx.prompts.count(), 0);
}

void TestMainWindow::helpTopics_data()
{
    QTest::addColumn<QString>("folderName"); // the program folder inside the fixture's
    QTest::addColumn<bool>("filePresent");
    QTest::addColumn<QString>("opener");       // "opens", "refuses", "gives up later"
    QTest::addColumn<QString>("shownAddress"); // %F = the fixture's folder; "" = not shown
    QTest::newRow("desktop program opens it") << "" << true << "opens"
                                              << "";
    QTest::newRow("no opener") << "" << true << "refuses"
                               << "file://%F/brenvik.html";
    QTest::newRow("opener finds no program for HTML") << "" << true << "gives up later"
                                                      << "file://%F/brenvik.html";
    QTest::newRow("folder name with blank, # and Turkish letters") << "Yardım #1" << true << "refuses"
                                                                   << "file://%F/Yard%C4%B1m%20%231/brenvik.html";
    QTest::newRow("file missing") << "" << false << "refuses"
                                  << "";
}

// "Yardım Konuları" never does nothing: the desktop's program shows the guide, or else the
// browser window does; a missing guide is said in a box.
void TestMainWindow::helpTopics()
{
    QFETCH(QString, folderName);
    QFETCH(bool, filePresent);
    QFETCH(QString, opener);
    QFETCH(QString, shownAddress);
    MainWindowFixture fx;
    QString folder = fx.folder.folder();
    if (!folderName.isEmpty()) {
        folder = QDir(folder).filePath(folderName);
        QVERIFY(QDir().mkpath(folder));
        SetProgramFolder(folder);
    }
    const QString path = QDir(folder).filePath(QStringLiteral("brenvik.html"));
    if (filePresent) {
        QFile page(path);
        QVERIFY(page.open(QIODevice::WriteOnly));
    }
    Control<QTreeWidget>(fx.ana(), "TreeView1")->expandAll();
    fx.clickNode("HizliMesaj"); // the work window the operator was in
    QCOMPARE(WorkForms::loadedWorkForms(), QStringList({"frmHizliMesaj"}));
    const int navigations = fx.browser.navigations.size();
    fx.shell.result = opener != QLatin1String("refuses");

    action(fx.mdi(), "miF1")->trigger();
    if (opener == QLatin1String("gives up later")) {
        // Nothing is shown before the opener gives up, the guide once it does.
        QCOMPARE(WorkForms::loadedWorkForms(), QStringList({"frmHizliMesaj"}));
        fx.shell.decline();
    }

    QCOMPARE(fx.shell.openedFiles, filePresent ? QStringList({path}) : QStringList());
    if (shownAddress.isEmpty()) {
        QCOMPARE(fx.browser.navigations.size(), navigations);
        QCOMPARE(WorkForms::loadedWorkForms(), QStringList({"frmHizliMesaj"}));
    } else {
        shownAddress.replace(QStringLiteral("%F"), fx.folder.folder());
        QCOMPARE(fx.browser.navigations.mid(navigations), QStringList({shownAddress}));
        QCOMPARE(WorkForms::loadedWorkForms(), QStringList({"frmBrw"}));
        auto *brw = WorkForms::find<frmBrw>();
        QCOMPARE(BrowserRecorder::lastAddressOf(Control<BrowserView>(brw, "WebBrowser1")), shownAddress);
        QVERIFY(brw->isVisible());
    }
    if (filePresent) {
        QCOMPARE(fx.prompts.count(), 0);
    } else {
        QCOMPARE(fx.prompts.count(), 1);
        QCOMPARE(fx.prompts.last().text, "Yardım dosyası bulunamadı.\r\nAranan dosya: " + path);
        QCOMPARE(fx.prompts.last().icon, PromptIcon::Critical);
        QCOMPARE(fx.prompts.last().title, QStringLiteral("Uyarı"));
    }

    // An opener that gives up once the main window has gone shows nothing.
    if (opener == QLatin1String("opens") && filePresent) {
        fx.shell.result = true;
        action(fx.mdi(), "miF1")->trigger();
        delete fx.mdi();
        fx.shell.decline();
        QCOMPARE(fx.browser.navigations.size(), navigations);
    }
}

// The build puts the operator's guide beside the executables and the shipped database, where
// "Yardım Konuları" looks for it.
void TestMainWindow::helpFileShipsBesideTheProgram()
{
    QFile help(QFileInfo(QStringLiteral(ORVEK_SHIPPED_DB)).dir().filePath(QString::fromLatin1(kHelpFileName)));
    QVERIFY2(help.open(QIODevice::ReadOnly), qPrintable(help.fileName()));
    const QString page = QString::fromUtf8(help.readAll());
    QVERIFY(page.contains(QStringLiteral("<html lang=\"tr\">")));
    for (const char *topic : {"Oturum açma",
                              "Şirket seçimi",
                              "süzme",
                              "Alan ekle",
                              "Gönderim",
                              "şablonları",
                              "Hızlı mesaj",
                              "Bir SMS gönderimine ait rapor",
                              "İki tarih arasındaki SMS raporları",
                              "Bir GSM numarasına ait SMS raporları",
                              "Durum süzgeci",
                              "Excel'e gönder",
                              "Kaydet",
                              "Otomatik mesajlar",
                              "Tüm Mesajlara Tek Cevap Gönder",
                              "Anahtar kelime",
                              "İnteraktif SMS - Sorgula ve Grafik",
                              "kovaset.log",
                              "Kovaset /Uninstall",
                              "brenvik-kovaset.desktop"})
        QVERIFY2(page.contains(QString::fromUtf8(topic)), topic);
}

void TestMainWindow::kapatEndsWithoutCloseStep()
{
    MainWindowFixture fx;
    OpenLocalDb();
    action(fx.mdi(), "miKapat")->trigger();
    QCOMPARE(fx.life.endCount, 1);
    // No close step ran: the connection is as it was, the work windows too.
    QVERIFY(LocalDb().isOpen());
    QCOMPARE(WorkForms::loadedWorkForms(), QStringList({"frmBrw"}));
}

void TestMainWindow::closingMainWindowEndsEverything()
{
    MainWindowFixture fx;
    ErpStandIn erp(fx.folder.folder() + "/erp");
    erp.fillSample();
    erp.configure();
    OpenLocalDb();
    OpenErpDb();
    QVERIFY(LocalDb().isOpen() && ErpDb().isOpen());

    action(fx.mdi(), "miHakkinda")->trigger();
    QPointer<frmHakkinda> about = WorkForms::find<frmHakkinda>();
    QVERIFY(about && about->isVisible());
    QPointer<frmBekle> progress = frmBekle::instance();
    progress->show();
    QVERIFY(progress->isVisible());
    QPointer<frmPop> menu = frmPop::instance();
    auto *picker = new ClosingWindow("frmSablon");
    picker->show();
    WorkForms::adopt(picker, "frmSablon");
    QCOMPARE(WorkForms::loadedWorkForms(), QStringList({"frmBekle", "frmBrw", "frmPop", "frmSablon"}));

    fx.mdi()->close();
    QVERIFY(!LocalDb().isOpen());
    QVERIFY(!ErpDb().isOpen());
    QCOMPARE(fx.life.endCount, 1);
    QCOMPARE(g_closed, QStringList({"frmSablon"}));
    QVERIFY(WorkForms::loadedWorkForms().isEmpty());
    QVERIFY(!frmBekle::isLoaded());
    QVERIFY(!frmPop::isLoaded());
    QVERIFY(!WorkForms::isLoaded<frmHakkinda>());
    MainWindowFixture::flushDeletes();
    QVERIFY(about.isNull());
    QVERIFY(progress.isNull());
    QVERIFY(menu.isNull());
}

void TestMainWindow::closingWithNoConnectionOpened()
{
    MainWindowFixture fx;
    QVERIFY(!QSqlDatabase::contains(kLocalConnection) || !LocalDb().isOpen());
    fx.mdi()->close();
    QCOMPARE(fx.life.endCount, 1);
    QCOMPARE(fx.prompts.count(), 0);
}

void TestMainWindow::aboutBox_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("ckey");
    QTest::addColumn<bool>("clientCodeShown");
    QTest::newRow("hosted gateway") << "Brenvik"
                                    << "B001" << true;
    QTest::newRow("hosted gateway, empty client code") << "Brenvik"
                                                       << "" << true;
    QTest::newRow("on-site server") << "Ambrel"
                                    << "B001" << false;
}

void TestMainWindow::aboutBox()
{
    QFETCH(QString, kind);
    QFETCH(QString, ckey);
    QFETCH(bool, clientCodeShown);
    MainWindowFixture::Account a = account(kind);
    a.ckey = ckey;
    MainWindowFixture fx(a);
    action(fx.mdi(), "miHakkinda")->trigger();
    frmHakkinda *about = WorkForms::find<frmHakkinda>();
    QVERIFY(about);
    QVERIFY(about->isVisible());
    QVERIFY(!about->isModal());
    QVERIFY(about->isWindow());
    QCOMPARE(about->size(), QSize(tw(5190), tw(4575)));
    QCOMPARE(Control<QLabel>(about, "Label1")->text(), QStringLiteral("Orvek® Talvane 1.0"));
    QCOMPARE(Control<QLabel>(about, "lblKullaniciAdi")->text(), QStringLiteral("Kullanıcı adı"));
    QCOMPARE(Control<QLabel>(about, "lblKullanici")->text(), QStringLiteral("demo"));
    QCOMPARE(Control<QLabel>(about, "lblBayiKodu")->text(), QStringLiteral("Client kodu"));
    QCOMPARE(Control<QLabel>(about, "lblBayiKodu")->isVisible(), clientCodeShown);
    QCOMPARE(Control<QLabel>(about, "lblBayi")->isVisible(), clientCodeShown);
    if (clientCodeShown) QCOMPARE(Control<QLabel>(about, "lblBayi")->text(), ckey);
    QCOMPARE(Control<QPushButton>(about, "Command1")->text(), QStringLiteral("Kapat"));
    QCOMPARE(Control<QPushButton>(about, "Command1")->geometry(), QRect(tw(1920), tw(4080), tw(1335), tw(375)));
    QVERIFY(!Control<QLabel>(about, "Label2")->text().isEmpty());
    QCOMPARE(Control<QLabel>(about, "Label2")->parentWidget(), Control<QGroupBox>(about, "Frame1"));

    // Not a work window: navigation leaves it open. Opened again, it is the same box with the
    // values of its first load.
    fx.clickNode("OnLineServisler");
    gUserName = "baska";
    action(fx.mdi(), "miHakkinda")->trigger();
    QCOMPARE(WorkForms::find<frmHakkinda>(), about);
    QCOMPARE(Control<QLabel>(about, "lblKullanici")->text(), QStringLiteral("demo"));

    // "Kapat" unloads it; the next opening loads it afresh.
    QPointer<frmHakkinda> old = about;
    QTest::mouseClick(Control<QPushButton>(about, "Command1"), Qt::LeftButton);
    QVERIFY(!WorkForms::isLoaded<frmHakkinda>());
    MainWindowFixture::flushDeletes();
    QVERIFY(old.isNull());
    action(fx.mdi(), "miHakkinda")->trigger();
    QCOMPARE(Control<QLabel>(WorkForms::find<frmHakkinda>(), "lblKullanici")->text(), QStringLiteral("baska"));
    // Its close box is a full unload too.
    WorkForms::find<frmHakkinda>()->close();
    QVERIFY(!WorkForms::isLoaded<frmHakkinda>());
    // So is Esc, wherever the focus stands in it.
    for (bool onButton : {false, true}) {
        action(fx.mdi(), "miHakkinda")->trigger();
        frmHakkinda *box = WorkForms::find<frmHakkinda>();
        QVERIFY(box && box->isVisible());
        QTest::keyClick(onButton ? static_cast<QWidget *>(Control<QPushButton>(box, "Command1")) : box, Qt::Key_Escape);
        QVERIFY2(!WorkForms::isLoaded<frmHakkinda>(), onButton ? "focus on Kapat" : "focus on the box");
    }
}

void TestMainWindow::shellTabs_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QStringList>("tabs");
    QTest::newRow("frmRapor") << "frmRapor"
                              << QStringList({"Bir SMS gönderimine ait rapor", "İki tarih arasındaki SMS raporları",
                                              "Bir GSM numarasına ait SMS raporları"});
    QTest::newRow("frmInteractiveSMS") << "frmInteractiveSMS"
                                       << QStringList({"&İşlemler / Mesajlar", "&Geri Dönüş Ayarları"});
    QTest::newRow("frmInteractiveGraf") << "frmInteractiveGraf" << QStringList({"Bulunan Kayıtlar", "Grafik Gösterim"});
}

void TestMainWindow::shellTabs()
{
    QFETCH(QString, window);
    QFETCH(QStringList, tabs);
    MainWindowFixture fx;
    QWidget *w = WorkForms::get(window);
    QVERIFY(w);
    auto *tab = w->findChild<QTabWidget *>("SSTab1");
    QVERIFY(tab);
    QStringList captions;
    for (int i = 0; i < tab->count(); ++i) captions << tab->tabText(i);
    QCOMPARE(captions, tabs);
    // The shells hold no buttons that would pretend to work; the report and interactive
    // windows are no shells any more.
    if (window != QLatin1String("frmRapor") && !window.startsWith(QLatin1String("frmInteractive")))
        QCOMPARE(w->findChildren<QPushButton *>().size(), 0);
    if (auto *graf = qobject_cast<frmInteractiveGraf *>(w)) {
        graf->show();
        QTest::mouseClick(Control<QPushButton>(graf, "DMSXpButton1"), Qt::LeftButton);
        QVERIFY(!WorkForms::isLoaded<frmInteractiveGraf>());
    }
    WorkForms::unload(window);
}

void TestMainWindow::interactiveWindowUnloadsPlaceholderMenu()
{
    MainWindowFixture fx;
    Control<QTreeWidget>(fx.ana(), "TreeView1")->expandAll();
    fx.clickNode("GelenMesaj");
    QPointer<frmPop> menu = frmPop::instance();
    WorkForms::unload<frmInteractiveSMS>();
    QVERIFY(!frmPop::isLoaded());
    QVERIFY(!WorkForms::isLoaded("frmPop"));
    MainWindowFixture::flushDeletes();
    QVERIFY(menu.isNull());
}

void TestMainWindow::releaseWindowsAtTheEnd_data()
{
    QTest::addColumn<bool>("byKapat");
    QTest::newRow("ended by Kapat") << true;
    QTest::newRow("closed by its close box") << false;
}

void TestMainWindow::releaseWindowsAtTheEnd()
{
    QFETCH(bool, byKapat);
    MainWindowFixture fx;
    QPointer<frmMDI> mdi = fx.mdi();
    QPointer<frmBrw> brw = WorkForms::find<frmBrw>();
    QPointer<QWidget> view = Control<BrowserView>(brw, "WebBrowser1");
    action(mdi, "miHakkinda")->trigger();
    QPointer<frmHakkinda> about = WorkForms::find<frmHakkinda>();
    QPointer<frmBekle> progress = frmBekle::instance();
    QPointer<frmPop> menu = frmPop::instance();
    if (byKapat) {
        action(mdi, "miKapat")->trigger();
        QVERIFY(brw && view && about && WorkForms::isLoaded<frmBrw>());
    } else {
        mdi->close();
    }
    QCOMPARE(fx.life.endCount, 1);

    // The event loop has ended: nothing is left for it to delete, above all no browser page.
    ReleaseWindows();
    QVERIFY(mdi.isNull());
    QVERIFY(brw.isNull());
    QVERIFY(view.isNull());
    QVERIFY(about.isNull());
    QVERIFY(progress.isNull());
    QVERIFY(menu.isNull());
    QVERIFY(WorkForms::loadedWorkForms().isEmpty());
}

void TestMainWindow::reportWindowLoadClearsCancelFlag_data()
{
    QTest::addColumn<bool>("byNavigation");
    QTest::newRow("from the tree") << true;
    QTest::newRow("shown by the send screen") << false;
}

void TestMainWindow::reportWindowLoadClearsCancelFlag()
{
    QFETCH(bool, byNavigation);
    MainWindowFixture fx;
    gCancelRequested = true;
    if (byNavigation) {
        Control<QTreeWidget>(fx.ana(), "TreeView1")->expandAll();
        fx.clickNode("RapTarih");
    } else {
        auto *report = WorkForms::get<frmRapor>();
        report->frmMDIForm = fx.mdi();
        report->Show();
    }
    QVERIFY(WorkForms::isLoaded<frmRapor>());
    QVERIFY(!gCancelRequested);
    // Showing the loaded window again is no new load.
    gCancelRequested = true;
    WorkForms::find<frmRapor>()->Show();
    QVERIFY(gCancelRequested);
    gCancelRequested = false;
}

QTEST_MAIN(TestMainWindow)
#include "tst_mainwindow.moc"
