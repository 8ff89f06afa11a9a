#include "core/AppState.h"
#include "core/Templates.h"
#include "messaging/frmSablon.h"
#include "shell/DataGrid.h"
#include "shell/TextBox.h"
#include "shell/Twips.h"
#include "shell/WorkArea.h"
#include "shell/frmMDI.h"
#include "tests/support/Controls.h"
#include "tests/support/MainWindowFixture.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>
#include <QtTest>

#include <functional>

namespace {
QString sample(int n)
{
    const QString unit = QStringLiteral("Sayın [##Ad##]'e ğüşıöç İĞÜŞÖÇ\r\n");
    QString s;
    while (s.size() < n) s += unit;
    s = s.left(n);
    if (s.endsWith(QLatin1Char('\r'))) s[s.size() - 1] = QLatin1Char('.'); // a box has no lone CR
    return s;
}

// A caller window with a message box, docked nowhere; the picker centres on the main window.
struct Caller {
    QWidget form;
    QPlainTextEdit *txtMesaj = nullptr;
    Caller()
    {
        auto *layout = new QVBoxLayout(&form);
        txtMesaj = new QPlainTextEdit(&form);
        txtMesaj->setObjectName("txtMesaj");
        layout->addWidget(txtMesaj);
        form.show();
    }
    QString text() const { return txtMesaj->toPlainText().replace("\n", "\r\n"); }
};

struct Seen {
    QString caption;
    QStringList rows;
    QSize size;
    QPoint pos;
};

// Opens the picker as the openers do, from the window of `box`, and runs `act` on it while it
// is up; the chosen text goes into `box`. Returns what the picker showed.
Seen pick(const QString &kind, const QString &title, QWidget *box, std::function<void(frmSablon *)> act)
{
    Seen seen;
    QTimer::singleShot(0, [&] {
        frmSablon *p = WorkForms::find<frmSablon>();
        if (!p || !p->isVisible()) {
            qWarning("the picker is not up");
            return;
        }
        seen.caption = p->windowTitle();
        for (int i = 0; i < p->rsSablon().rowCount(); ++i) seen.rows << p->rsSablon().value(i, 0).toString();
        seen.size = p->size();
        seen.pos = p->pos();
        act(p);
    });
    if (const auto text = frmSablon::Pick(kind, title, box)) SetTextBoxText(box, *text);
    return seen;
}

void click(QPushButton *b) { QTest::mouseClick(b, Qt::LeftButton); }
} // namespace

class TestFrmSablon : public QObject {
    Q_OBJECT
private slots:
    void cleanup();
    void choiceReplacesWholeText_data();
    void choiceReplacesWholeText();
    void emptyKindRefusesChoice();
    void cancelKeepsText();
    void kindFilterAndFreshList();
    void sameForEveryCompany();
    void lineEditTarget();
    void choiceHandedBackOnly();
    void unloadOfWorkSetEndsPicker();
    void placedOverMainWindow();
};

void TestFrmSablon::cleanup()
{
    UnloadWorkForms();
    MainWindowFixture::flushDeletes();
}

void TestFrmSablon::choiceReplacesWholeText_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QString>("text");
    QTest::newRow("quick message, short") << "HizliMesaj" << QStringLiteral("Hızlı mesaj gönder") << "Kısa 'metin'";
    QTest::newRow("accounts, 256") << "ChkMesaj" << QStringLiteral("Müşterilere mesaj gönder") << sample(256);
    QTest::newRow("balance, 500") << "BakiyeMesaj" << QStringLiteral("Bakiye gönder") << sample(500);
    QTest::newRow("birthday, 255") << "DGunMesaj" << QStringLiteral("Doğum günü tebriği") << sample(255);
}

void TestFrmSablon::choiceReplacesWholeText()
{
    QFETCH(QString, kind);
    QFETCH(QString, title);
    QFETCH(QString, text);
    MainWindowFixture fx;
    InsertTemplate(kind, "ilk şablon", "00");
    InsertTemplate(kind, text, "ID5", TemplateLayout::SplitNoP2);
    Caller caller;
    caller.txtMesaj->setPlainText("daha önce yazılan");
    const Seen seen = pick(kind, title, caller.txtMesaj, [](frmSablon *p) {
        Control<DataGrid>(p, "DataGrid1")->setCurrentRow(1);
        click(Control<QPushButton>(p, "Command1"));
    });
    QCOMPARE(seen.caption, QStringLiteral("Mesaj şablonları - ") + title);
    QCOMPARE(seen.rows, QStringList({QStringLiteral("ilk şablon"), text}));
    QCOMPARE(caller.text(), text);
    QCOMPARE(fx.prompts.count(), 0);
    QVERIFY(!WorkForms::isLoaded<frmSablon>());
}

void TestFrmSablon::emptyKindRefusesChoice()
{
    MainWindowFixture fx;
    InsertTemplate("ChkMesaj", "başka tür", "00");
    Caller caller;
    caller.txtMesaj->setPlainText("yazılan");
    bool stayedOpen = false;
    const Seen seen = pick("GrupMesaj", QStringLiteral("Gruplara mesaj gönder"), caller.txtMesaj, [&](frmSablon *p) {
        click(Control<QPushButton>(p, "Command1"));
        stayedOpen = p->isVisible() && WorkForms::find<frmSablon>() == p;
        click(Control<QPushButton>(p, "Command2"));
    });
    QVERIFY(seen.rows.isEmpty());
    QVERIFY(stayedOpen);
    QCOMPARE(fx.prompts.texts(), QStringList({QStringLiteral("Tanımlanmış mesaj şablonu bulunamadı.")}));
    QCOMPARE(fx.prompts.last().icon, PromptIcon::Information);
    QCOMPARE(fx.prompts.last().title, QString());
    QCOMPARE(caller.text(), QStringLiteral("yazılan"));
    QVERIFY(!WorkForms::isLoaded<frmSablon>());
}

void TestFrmSablon::cancelKeepsText()
{
    MainWindowFixture fx;
    InsertTemplate("YetkiliMesaj", "şablon", "00");
    Caller caller;
    caller.txtMesaj->setPlainText("yazılan\nikinci satır");
    pick("YetkiliMesaj", QStringLiteral("Yetkililere mesaj gönder"), caller.txtMesaj,
         [](frmSablon *p) { click(Control<QPushButton>(p, "Command2")); });
    QCOMPARE(caller.text(), QStringLiteral("yazılan\r\nikinci satır"));
    // The close box and Escape close it the same way.
    pick("YetkiliMesaj", "x", caller.txtMesaj, [](frmSablon *p) { p->close(); });
    pick("YetkiliMesaj", "x", caller.txtMesaj, [](frmSablon *p) { QTest::keyClick(p, Qt::Key_Escape); });
    QCOMPARE(caller.text(), QStringLiteral("yazılan\r\nikinci satır"));
    QVERIFY(!WorkForms::isLoaded<frmSablon>());
    QCOMPARE(fx.prompts.count(), 0);
}

void TestFrmSablon::kindFilterAndFreshList()
{
    MainWindowFixture fx;
    InsertTemplate("EvYilMesaj", "evlilik 1", "00", TemplateLayout::WholeNoP2);
    InsertTemplate("DGunMesaj", "doğum günü", "00", TemplateLayout::WholeNoP2);
    InsertTemplate("EvYilMesaj", "evlilik 2", "00");
    // A row left by another writer without its second half, and one without either half.
    fx.folder.exec("INSERT INTO tbl_sablonlar (msgid,sablon_tip,sablon_p1) VALUES('00','EvYilMesaj','yarım')");
    fx.folder.exec("INSERT INTO tbl_sablonlar (msgid,sablon_tip) VALUES('00','EvYilMesaj')");
    Caller caller;
    Seen seen = pick("EvYilMesaj", QStringLiteral("Evlilik yıldönümü tebriği"), caller.txtMesaj,
                     [](frmSablon *p) { click(Control<QPushButton>(p, "Command2")); });
    QCOMPARE(seen.rows, QStringList({"evlilik 1", "evlilik 2", QStringLiteral("yarım"), ""}));
    // Every opening reads the templates again.
    InsertTemplate("EvYilMesaj", "sonradan", "00");
    caller.txtMesaj->setPlainText("dolu");
    seen = pick("EvYilMesaj", QStringLiteral("Evlilik yıldönümü tebriği"), caller.txtMesaj, [](frmSablon *p) {
        Control<DataGrid>(p, "DataGrid1")->setCurrentRow(3);
        click(Control<QPushButton>(p, "Command1"));
    });
    QCOMPARE(seen.rows.size(), 5);
    QCOMPARE(seen.rows.last(), QStringLiteral("sonradan"));
    QCOMPARE(caller.text(), QString()); // a row with both halves absent gives the empty text
}

void TestFrmSablon::sameForEveryCompany()
{
    MainWindowFixture fx;
    InsertTemplate("ChkMesaj", "herkese", "00");
    Caller caller;
    for (const char *company : {"01", "02"}) {
        gCompanyCode = QString::fromLatin1(company);
        const Seen seen =
            pick("ChkMesaj", "x", caller.txtMesaj, [](frmSablon *p) { click(Control<QPushButton>(p, "Command2")); });
        QCOMPARE(seen.rows, QStringList({"herkese"}));
    }
}

void TestFrmSablon::lineEditTarget()
{
    MainWindowFixture fx;
    InsertTemplate("DGunMesaj", "İyi ki doğdun [##Ad##]", "00");
    QLineEdit box;
    box.setText("eski");
    pick("DGunMesaj", QStringLiteral("Doğum günü tebriği"), &box,
         [](frmSablon *p) { click(Control<QPushButton>(p, "Command1")); });
    QCOMPARE(box.text(), QStringLiteral("İyi ki doğdun [##Ad##]"));
}

void TestFrmSablon::choiceHandedBackOnly()
{
    // The picker returns the choice and leaves the opener's controls to the opener.
    MainWindowFixture fx;
    InsertTemplate("ChkMesaj", "şablon", "00");
    Caller caller;
    caller.txtMesaj->setPlainText("yazılan");
    QStringList signalled;
    QTimer::singleShot(0, [&] {
        frmSablon *p = WorkForms::find<frmSablon>();
        QObject::connect(p, &frmSablon::TemplateChosen, [&](const QString &text) { signalled << text; });
        click(Control<QPushButton>(p, "Command1"));
    });
    QCOMPARE(frmSablon::Pick("ChkMesaj", "x", &caller.form), std::optional<QString>(QStringLiteral("şablon")));
    QCOMPARE(signalled, QStringList{QStringLiteral("şablon")});
    QCOMPARE(caller.text(), QStringLiteral("yazılan"));

    QTimer::singleShot(0, [] { click(Control<QPushButton>(WorkForms::find<frmSablon>(), "Command2")); });
    QCOMPARE(frmSablon::Pick("ChkMesaj", "x", &caller.form), std::optional<QString>());
    QVERIFY(!WorkForms::isLoaded<frmSablon>());
}

void TestFrmSablon::unloadOfWorkSetEndsPicker()
{
    MainWindowFixture fx;
    InsertTemplate("HizliMesaj", "şablon", "00");
    Caller caller;
    caller.txtMesaj->setPlainText("yazılan");
    pick("HizliMesaj", "x", caller.txtMesaj, [](frmSablon *) { UnloadWorkForms(); });
    QVERIFY(!WorkForms::isLoaded<frmSablon>());
    QCOMPARE(caller.text(), QStringLiteral("yazılan"));
}

void TestFrmSablon::placedOverMainWindow()
{
    MainWindowFixture fx;
    fx.mdi()->resize(tw(12000), tw(9000));
    QTRY_COMPARE(fx.mdi()->width(), tw(12000));
    Caller caller;
    const Seen seen =
        pick("HizliMesaj", "x", caller.txtMesaj, [](frmSablon *p) { click(Control<QPushButton>(p, "Command2")); });
    const int cw = fx.mdi()->ScaleWidth(), ch = fx.mdi()->ScaleHeight();
    QCOMPARE(seen.size, QSize(tw(cw / 2), tw(ch / 2)));
    const QPoint origin = fx.mdi()->frameGeometry().topLeft();
    QCOMPARE(seen.pos,
             origin + QPoint(tw((cw - toTwips(seen.size.width())) / 2), tw((ch - toTwips(seen.size.height())) / 2)));
}

QTEST_MAIN(TestFrmSablon)
#include "tst_frmsablon.moc"
