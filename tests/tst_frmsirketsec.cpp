#include "core/AppState.h"
#include "core/LocalDb.h"
#include "shell/CompanyChoice.h"
#include "shell/Twips.h"
#include "shell/frmSirketSec.h"
#include "tests/support/Controls.h"
#include "tests/support/ErpStandIn.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Recorders.h"

#include <QLabel>
#include <QPushButton>
#include <QTreeWidget>
#include <QtTest>

namespace {
const QString kNoCompany =
    QStringLiteral("Tanımlı şirket bulunamadı.\r\nOrvek® Talvane uygulamasını kullanabilmeniz için Orvek® "
                   "veritabanında tanımlı şirket ya da şirketler olmalıdır.\r\nUygulama kapatılıyor...");
const QString kErpUnreachable = QStringLiteral("Orvek® veritabanıyla bağlantı kurulamıyor.\r\nUygulama kapatılıyor...");

QStringList nodes(const frmSirketSec &w)
{
    QStringList out;
    for (int i = 0; i < Control<QTreeWidget>(w, "tw1")->topLevelItemCount(); ++i) {
        const QTreeWidgetItem *n = Control<QTreeWidget>(w, "tw1")->topLevelItem(i);
        out << n->data(0, frmSirketSec::KeyRole).toString() + QLatin1Char('=') + n->text(0);
        if (n->childCount() != 0 || !n->icon(0).isNull()) out << QStringLiteral("(child or image)");
    }
    return out;
}

void select(frmSirketSec &w, int row)
{
    Control<QTreeWidget>(w, "tw1")->setCurrentItem(Control<QTreeWidget>(w, "tw1")->topLevelItem(row));
    QVERIFY(Control<QTreeWidget>(w, "tw1")->topLevelItem(row)->isSelected());
}

QList<QVariantList> settingsRows(ProgramFolderFixture &fx)
{
    return fx.rows("SELECT sirket_kod, flg_dgun_mesaj, dgun_mesaj, dgun_gonderen, flg_evyil_mesaj, evyil_mesaj, "
                   "evyil_gonderen FROM tbl_kovaset_ayar ORDER BY sirket_kod");
}

// A program folder with the sample ERP stand-in configured.
struct CompanyFixture {
    CompanyFixture() : erp(fx.folder() + QStringLiteral("/erp"))
    {
        erp.fillSample();
        erp.configure();
        gErpConfigured = true;
    }
    ProgramFolderFixture fx;
    ErpStandIn erp;
};
} // namespace

class TestFrmSirketSec : public QObject {
    Q_OBJECT
private slots:
    void cleanup();

    void tableColumnsInOrder();
    void listsCompanies();
    void duplicateCodeKeepsFirstRow();
    void takesChoiceAndCreatesRowOnce();
    void existingRowKeepsSettings();
    void codeWithApostrophe();
    void tamamWithoutSelectionDoesNothing();
    void keyboardChoice();
    void closeBoxTakesNoChoice();
    void loadFailures_data();
    void loadFailures();
    void failingLocalDatabase();
};

void TestFrmSirketSec::cleanup() { ResetAppState(); }

void TestFrmSirketSec::tableColumnsInOrder()
{
    ProgramFolderFixture fx;
    QStringList names;
    for (const auto &c : fx.rows("SELECT name FROM pragma_table_info('tbl_kovaset_ayar') ORDER BY cid"))
        names << c.first().toString();
    QCOMPARE(names.mid(1), QStringList({"sirket_kod", "flg_dgun_mesaj", "dgun_mesaj", "dgun_gonderen",
                                        "flg_evyil_mesaj", "evyil_mesaj", "evyil_gonderen"}));
    QCOMPARE(names.size(), 8);
    QCOMPARE(fx.scalar("SELECT count(*) FROM tbl_kovaset_ayar").toInt(), 0);
}

void TestFrmSirketSec::listsCompanies()
{
    CompanyFixture c;
    PromptRecorder prompts;
    frmSirketSec w;
    QVERIFY(w.Form_Load());
    w.show();
    QCOMPARE(w.windowTitle(), QStringLiteral("Orvek® Talvane - Şirket seçimi"));
    QCOMPARE(w.size(), QSize(tw(4950), tw(3675)));
    QCOMPARE(w.minimumSize(), w.maximumSize());
    QCOMPARE(Control<QLabel>(w, "Label1")->text(), QStringLiteral("Lütfen çalışmak istediğiniz şirketi seçiniz."));
    QCOMPARE(Control<QPushButton>(w, "Command1")->text(), QStringLiteral("Tamam"));
    QVERIFY(Control<QPushButton>(w, "Command1")->isDefault());
    QVERIFY(w.findChild<QLabel *>(QStringLiteral("Image1")));
    QStringList shown = nodes(w);
    shown.sort();
    QCOMPARE(shown, QStringList({"SIR01=Merkez Ticaret", "SIR02=Şube Dağıtım"}));
    QCOMPARE(prompts.count(), 0);
    QCOMPARE(CompanyListQuery(),
             QStringLiteral("SELECT DISTINCT(SDK.Kod), SIR.KisaAdi FROM SIR, SDK WHERE SDK.SirketKod = SIR.Kod"));
}

void TestFrmSirketSec::duplicateCodeKeepsFirstRow()
{
    ProgramFolderFixture fx;
    ErpStandIn erp(fx.folder() + QStringLiteral("/erp"));
    // The same SDK code under two names: the first row's node stays, with no message.
    erp.addCompanyListRow(QStringLiteral("07"), QStringLiteral("A"), QStringLiteral("Birinci Ad"));
    erp.addCompanyListRow(QStringLiteral("07"), QStringLiteral("B"), QStringLiteral("İkinci Ad"));
    erp.addCompanyListRow(QStringLiteral("08"), QStringLiteral("C"), QStringLiteral("Üçüncü"));
    erp.configure();
    PromptRecorder prompts;
    LifecycleRecorder life;
    QVector<ErpCompany> companies;
    QVERIFY(LoadCompanyList(companies));
    QStringList keys;
    for (const ErpCompany &co : companies) keys << co.key;
    QCOMPARE(keys.count(QStringLiteral("SIR07")), 1);
    QCOMPARE(keys.size(), 2);
    // The row the query gives first is the one kept.
    QSqlQuery q = SqlExec(ErpDb(), ErpSqlText(CompanyListQuery()));
    QString first;
    while (q.next())
        if (q.value(0).toString() == QLatin1String("07")) {
            first = q.value(1).toString();
            break;
        }
    for (const ErpCompany &co : companies)
        if (co.key == QLatin1String("SIR07")) QCOMPARE(co.name, first);
    QCOMPARE(prompts.count(), 0);
    QCOMPARE(life.endCount, 0);
}

void TestFrmSirketSec::takesChoiceAndCreatesRowOnce()
{
    CompanyFixture c;
    PromptRecorder prompts;
    LifecycleRecorder life;
    for (int round = 0; round < 2; ++round) {
        frmSirketSec w;
        QVERIFY(w.Form_Load());
        w.show();
        for (int i = 0; i < Control<QTreeWidget>(w, "tw1")->topLevelItemCount(); ++i)
            if (Control<QTreeWidget>(w, "tw1")->topLevelItem(i)->text(0) == QStringLiteral("Şube Dağıtım"))
                select(w, i);
        QTest::mouseClick(Control<QPushButton>(w, "Command1"), Qt::LeftButton);
        QVERIFY(!w.isVisible());
        QCOMPARE(w.result(), int(QDialog::Accepted));
        QCOMPARE(gCompanyCode, QStringLiteral("02"));
        QCOMPARE(gCompanyName, QStringLiteral("Şube Dağıtım"));
        QCOMPARE(settingsRows(c.fx), QList<QVariantList>({{"02", "0", "", "", "0", "", ""}}));
        // The new row's insert closes the local connection; an existing row leaves it open.
        QCOMPARE(LocalDb().isOpen(), round == 1);
    }
    QCOMPARE(prompts.count(), 0);
    QCOMPARE(life.endCount, 0);
}

void TestFrmSirketSec::existingRowKeepsSettings()
{
    CompanyFixture c;
    c.fx.exec("INSERT INTO tbl_kovaset_ayar(sirket_kod,flg_dgun_mesaj,dgun_mesaj,dgun_gonderen,flg_evyil_mesaj,"
              "evyil_mesaj,evyil_gonderen) VALUES ('01','1','İyi ki doğdunuz','ORVEK','1','Mutlu yıllar','TALVANE')");
    QVERIFY(!EnsureCompanySettingsRow(QStringLiteral("01")));
    QVERIFY(EnsureCompanySettingsRow(QStringLiteral("02")));
    QCOMPARE(settingsRows(c.fx),
             QList<QVariantList>({{"01", "1", "İyi ki doğdunuz", "ORVEK", "1", "Mutlu yıllar", "TALVANE"},
                                  {"02", "0", "", "", "0", "", ""}}));
}

void TestFrmSirketSec::codeWithApostrophe()
{
    ProgramFolderFixture fx;
    ErpStandIn erp(fx.folder() + QStringLiteral("/erp"));
    erp.addCompanyListRow(QStringLiteral("0'3"), QStringLiteral("0'3"), QStringLiteral("O'Neil Ltd."));
    erp.configure();
    PromptRecorder prompts;
    LifecycleRecorder life;
    for (int round = 0; round < 2; ++round) {
        frmSirketSec w;
        QVERIFY(w.Form_Load());
        QCOMPARE(nodes(w), QStringList{"SIR0'3=O'Neil Ltd."});
        select(w, 0);
        QTest::mouseClick(Control<QPushButton>(w, "Command1"), Qt::LeftButton);
        QCOMPARE(gCompanyCode, QStringLiteral("0'3"));
        QCOMPARE(settingsRows(fx), QList<QVariantList>({{"0'3", "0", "", "", "0", "", ""}}));
    }
    QCOMPARE(prompts.count(), 0);
}

void TestFrmSirketSec::tamamWithoutSelectionDoesNothing()
{
    CompanyFixture c;
    PromptRecorder prompts;
    LifecycleRecorder life;
    frmSirketSec w;
    QVERIFY(w.Form_Load());
    w.show();
    Control<QTreeWidget>(w, "tw1")->clearSelection();
    QTest::mouseClick(Control<QPushButton>(w, "Command1"), Qt::LeftButton);
    QVERIFY(w.isVisible());
    QVERIFY(gCompanyCode.isEmpty());
    QVERIFY(gCompanyName.isEmpty());
    QVERIFY(settingsRows(c.fx).isEmpty());
    QCOMPARE(prompts.count(), 0);
    QCOMPARE(life.endCount, 0);
}

void TestFrmSirketSec::keyboardChoice()
{
    CompanyFixture c;
    LifecycleRecorder life;
    frmSirketSec w;
    QVERIFY(w.Form_Load());
    w.show();
    w.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&w));
    // The list has the focus; its first node is the selected one, Down moves on, Enter takes it.
    QCOMPARE(QApplication::focusWidget(), static_cast<QWidget *>(Control<QTreeWidget>(w, "tw1")));
    QCOMPARE(Control<QTreeWidget>(w, "tw1")->selectedItems().size(), 1);
    QCOMPARE(Control<QTreeWidget>(w, "tw1")->selectedItems().first(), Control<QTreeWidget>(w, "tw1")->topLevelItem(0));
    QTest::keyClick(Control<QTreeWidget>(w, "tw1"), Qt::Key_Down);
    const QString second =
        Control<QTreeWidget>(w, "tw1")->topLevelItem(1)->data(0, frmSirketSec::KeyRole).toString().mid(3);
    QTest::keyClick(Control<QTreeWidget>(w, "tw1"), Qt::Key_Return);
    QVERIFY(!w.isVisible());
    QCOMPARE(gCompanyCode, second);
    QCOMPARE(settingsRows(c.fx).size(), 1);
}

void TestFrmSirketSec::closeBoxTakesNoChoice()
{
    CompanyFixture c;
    LifecycleRecorder life;
    frmSirketSec w;
    QVERIFY(w.Form_Load());
    w.show();
    select(w, 0);
    QVERIFY(w.close());
    QVERIFY(gCompanyCode.isEmpty());
    QVERIFY(gCompanyName.isEmpty());
    QVERIFY(settingsRows(c.fx).isEmpty());
    // The start goes on.
    QCOMPARE(life.endCount, 0);
    QVERIFY(gErpConfigured);
}

void TestFrmSirketSec::loadFailures_data()
{
    QTest::addColumn<QString>("erp"); // missing, empty, broken
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("title");
    QTest::newRow("ERP unreachable") << "missing" << kErpUnreachable << "Brenvik";
    QTest::newRow("no company") << "empty" << kNoCompany << "Uyarı";
    QTest::newRow("query fails") << "broken" << kNoCompany << "Uyarı";
}

void TestFrmSirketSec::loadFailures()
{
    QFETCH(QString, erp);
    QFETCH(QString, text);
    QFETCH(QString, title);
    ProgramFolderFixture fx;
    const QString folder = fx.folder() + QStringLiteral("/erp");
    if (erp == QLatin1String("missing")) {
        gErpServer = QStringLiteral("sqlite:") + folder;
        gErpDatabase = QStringLiteral("ORVEK");
    } else {
        ErpStandIn standIn(folder);
        if (erp == QLatin1String("broken")) standIn.exec(QStringLiteral("ORVEK"), QStringLiteral("DROP TABLE SDK"));
        standIn.configure();
    }
    gErpConfigured = true;
    PromptRecorder prompts;
    LifecycleRecorder life;
    frmSirketSec w;
    QVERIFY(!w.Form_Load());
    QCOMPARE(prompts.count(), 1);
    QCOMPARE(prompts.last().text, text);
    QCOMPARE(prompts.last().icon, PromptIcon::Critical);
    QCOMPARE(prompts.last().title, title);
    QVERIFY(!gErpConfigured);
    QCOMPARE(life.endCount, 1);
    QCOMPARE(Control<QTreeWidget>(w, "tw1")->topLevelItemCount(), 0);
}

void TestFrmSirketSec::failingLocalDatabase()
{
    CompanyFixture c;
    c.fx.exec("DROP TABLE tbl_kovaset_ayar");
    PromptRecorder prompts;
    LifecycleRecorder life;
    frmSirketSec w;
    QVERIFY(w.Form_Load());
    w.show();
    select(w, 0);
    QTest::mouseClick(Control<QPushButton>(w, "Command1"), Qt::LeftButton);
    QCOMPARE(prompts.count(), 1);
    QCOMPARE(prompts.last().text, QStringLiteral("Sistem bilgileri kaydedilemiyor.\r\nSınırlı kullanıcı hesabıyla "
                                                 "oturum açmış olabilirsiniz\r\nLütfen sistem yöneticinize başvurun."));
    QCOMPARE(prompts.last().icon, PromptIcon::Critical);
    QCOMPARE(prompts.last().title, QStringLiteral("Brenvik"));
    QCOMPARE(life.endCount, 1);
    QVERIFY(!w.isVisible());
    // The connection is usable again afterwards (no transaction left open).
    c.fx.exec("CREATE TABLE tbl_kovaset_ayar (n INTEGER, sirket_kod TEXT)");
    SetParam(QStringLiteral("flg_kovaset"), QStringLiteral("1"));
}

QTEST_MAIN(TestFrmSirketSec)
#include "tst_frmsirketsec.moc"
