#include "core/AppState.h"
#include "core/LocalDb.h"
#include "reports/ReportDataControl.h"
#include "reports/frmRapor.h"
#include "shell/DataGrid.h"
#include "shell/OffThread.h"
#include "shell/Twips.h"
#include "shell/WidgetServices.h"
#include "shell/WorkArea.h"
#include "shell/frmAna.h"
#include "shell/frmBekle.h"
#include "shell/frmBrw.h"
#include "shell/frmMDI.h"
#include "tests/support/Controls.h"
#include "tests/support/ErpStandIn.h"
#include "tests/support/FakeGateway.h"
#include "tests/support/MainWindowFixture.h"
#include "tests/support/Recorders.h"
#include "tests/support/XlsxReader.h"

#include <QCheckBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include <functional>

namespace {
const QString kTab0NoNet = QStringLiteral(
    "Bağlantı Hatası! İnternete Bağlı Olmadan Rapor Görüntüleyemezsiniz\r\nİnternet bağlantınızı denetleyen bir "
    "güvenlik uygulaması Talvane'in internete çıkışını engelliyor olabilir.");
const QString kTab1NoNet = QStringLiteral("İnternete Bağlı Olmadan Rapor Görüntüleyemezsiniz");
const QString kWrongAccount = QStringLiteral("Hatalı Kullanıcı Adı veya Parola");
const QString kLinesStage = QStringLiteral("Rapor listesi oluşturulamıyor.");
const QString kErpStage = QStringLiteral("Raporlama işlemi yapılamıyor.\r\nOrvek® veritabanına bağlantı sağlanamadı.");

// n status lines "<number> <state>" LF with the states 3, 0, 5, 2, 1 in turn.
QString statusLines(int n, const QString &prefix = QString())
{
    static const char states[] = {'3', '0', '5', '2', '1'};
    QString reply;
    reply.reserve(n * 20);
    for (int i = 0; i < n; ++i)
        reply += prefix + QStringLiteral("53%1 ").arg(i, 8, 10, QLatin1Char('0')) + QLatin1Char(states[i % 5]) +
                 QLatin1Char('\n');
    return reply;
}

// The main window with the report window opened by the navigation, a fake gateway as the
// account's gateway and rows in the log of sends.
struct ReportWindow {
    FakeGateway gateway;
    MainWindowFixture fx;
    QPointer<frmRapor> w;

    static MainWindowFixture::Account account(const QString &kind)
    {
        MainWindowFixture::Account a;
        a.kind = kind;
        return a;
    }
    explicit ReportWindow(const QString &kind = QStringLiteral("Brenvik"), const QString &option = "0")
        : fx(account(kind))
    {
        gGatewayUrl = gateway.url();
        gCompanyCode = QStringLiteral("01");
        fx.folder.exec("UPDATE tbl_param SET deger = ? WHERE parametre = 'flg_raporad'", {option});
    }
    void logSend(const QString &msgid, const QString &tarih, const QString &kind = "Brenvik",
                 const QString &company = "01")
    {
        fx.folder.exec("INSERT INTO tbl_giden (msgid, msg_tip, gateway, paket_boyut, mesaj, originator, tarih, "
                       "gtarih, sirket_kod) VALUES (?, 'Hızlı mesaj gönder', ?, 2, 'İlk Kayıt :Merhaba', 'ORVEK', "
                       "?, ?, ?)",
                       {msgid, kind, tarih, tarih, company});
    }
    frmRapor *open(short tab = 0)
    {
        RaporlarGoster(tab);
        w = WorkForms::find<frmRapor>();
        return w;
    }
    // The report as shown (visible rows), fields joined by '|'.
    QStringList rows() const
    {
        QStringList out;
        const RecordSet &set = w->ReportSet();
        for (int r = 0; r < set.rowCount(); ++r) {
            QStringList f;
            for (int c = 0; c < set.fieldCount(); ++c) f << set.value(r, c).toString();
            out << f.join(QLatin1Char('|'));
        }
        return out;
    }
    QStringList counters(int tab) const
    {
        QStringList out;
        const QList<QLineEdit *> boxes =
            tab == 0 ? QList<QLineEdit *>{Control<QLineEdit>(w, "Text11"), Control<QLineEdit>(w, "Text1"),
                                          Control<QLineEdit>(w, "Text2"),  Control<QLineEdit>(w, "Text3"),
                                          Control<QLineEdit>(w, "Text4"),  Control<QLineEdit>(w, "Text5")}
                     : QList<QLineEdit *>{Control<QLineEdit>(w, "Text12"), Control<QLineEdit>(w, "Text13"),
                                          Control<QLineEdit>(w, "Text6"),  Control<QLineEdit>(w, "Text7"),
                                          Control<QLineEdit>(w, "Text8"),  Control<QLineEdit>(w, "Text9"),
                                          Control<QLineEdit>(w, "Text10")};
        for (QLineEdit *t : boxes) out << t->text();
        return out;
    }
    QList<QCheckBox *> boxes(int tab) const
    {
        return tab == 0 ? QList<QCheckBox *>{Control<QCheckBox>(w, "Check1"), Control<QCheckBox>(w, "Check2"),
                                             Control<QCheckBox>(w, "Check3"), Control<QCheckBox>(w, "Check4")}
                        : QList<QCheckBox *>{Control<QCheckBox>(w, "Check5"), Control<QCheckBox>(w, "Check6"),
                                             Control<QCheckBox>(w, "Check7"), Control<QCheckBox>(w, "Check8")};
    }
    QString boxStates(int tab) const
    {
        QString s;
        for (QCheckBox *c : boxes(tab))
            s += QLatin1Char(c->isChecked() ? 'x' : '-') + QString(c->isEnabled() ? "e" : "d");
        return s;
    }
    void view(int tab)
    {
        QTest::mouseClick(tab == 0 ? Control<QPushButton>(w, "cmdRaporGoruntule_1")
                                   : Control<QPushButton>(w, "cmdRaporGoruntule_2"),
                          Qt::LeftButton);
    }
    QStringList promptTexts() const { return fx.prompts.texts(); }
    // A number report on tab 2 from the reply `reply`.
    void numberReport(const QString &reply, const QString &gsmNo = QStringLiteral("5321234567"))
    {
        Control<QTabWidget>(w, "SSTab1")->setCurrentIndex(2);
        Control<QLineEdit>(w, "txtGsmNo")->setText(gsmNo);
        gateway.queueReply("14", reply);
        QTest::mouseClick(Control<QPushButton>(w, "cmdRaporGoruntule_3"), Qt::LeftButton);
    }
    bool tab2Idle() const
    {
        return Control<QPushButton>(w, "cmdRaporGoruntule_3")->isEnabled() &&
               Control<QPushButton>(w, "cmdMesajGoster")->isEnabled() &&
               Control<QPushButton>(w, "cmdExceleGonder_3")->isEnabled() &&
               Control<QPushButton>(w, "cmdVazgec_3")->isEnabled() &&
               Control<QTabWidget>(w, "SSTab1")->tabBar()->isEnabled() && !frmBekle::isLoaded();
    }
};

// Runs `step` once, from the event loop, as soon as `ready` holds during a fetch.
void whenDuringFetch(QObject *context, std::function<bool()> ready, std::function<void()> step)
{
    auto *timer = new QTimer(context);
    timer->setInterval(0);
    QObject::connect(timer, &QTimer::timeout, context, [timer, ready, step] {
        if (!ready()) return;
        timer->stop();
        timer->deleteLater();
        step();
    });
    timer->start();
}
} // namespace

class TestFrmRapor : public QObject {
    Q_OBJECT
private slots:
    void initTestCase() { InstallWidgetServices(); } // the real progress window
    void controlTexts_data();
    void controlTexts();
    void startsTicked();
    void listOfSends();
    void listColumnsFitTheirContents_data();
    void listColumnsFitTheirContents();
    void layoutFollowsTheWindow();
    void listThatCannotBeRead();
    void reportColumns_data();
    void reportColumns();
    void packageFetch_data();
    void packageFetch();
    void packageRequestBody_data();
    void packageRequestBody();
    void dateRangeFetch_data();
    void dateRangeFetch();
    void noRequestForAnotherKind();
    void namesFromTheErp();
    void unreachableErp();
    void statusFilter();
    void fetchTicksTheBoxesAgain();
    void tabChangeEmptiesTheReport();
    void resizeKeepsPickedDatesAndBoxes();
    void cancelAndClose();
    void cancelDuringFetchKeepsRows();
    void navigationDuringFetch();
    void enterAndEscape();
    void numberFetch_data();
    void numberFetch();
    void numberFetchRequestBody_data();
    void numberFetchRequestBody();
    void numberCheckSendsNothing_data();
    void numberCheckSendsNothing();
    void stageMarkOnFailure();
    void messageText_data();
    void messageText();
    void messageTextRequestBodies();
    void requestsLeaveTheWindowRunning_data();
    void requestsLeaveTheWindowRunning();
    void messageTextNeedsAReport();
    void exportTab_data();
    void exportTab();
    void exportChecks();
    void exportStopsWithoutFile_data();
    void exportStopsWithoutFile();
    void exportUnwritablePath();
    void exportTwoSheets();
    void exportCancelDuringCopy();
};

void TestFrmRapor::controlTexts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    const QList<QPair<const char *, const char *>> texts = {
        {"cmdMsgGoster", "Mesaj göster"},
        {"cmdRaporGoruntule_1", "Rapor görüntüle"},
        {"Frame2", "Özet"},
        {"Label11", "Mesaj ID :"},
        {"Label1", "Gönderilen Toplam :"},
        {"Label2", "Bekleyen SMS :"},
        {"Label3", "İletilen SMS :"},
        {"Label4", "Zaman Aşımı :"},
        {"Label5", "Reddedilen SMS :"},
        {"cmdExceleGonder_1", "Excel'e gönder"},
        {"cmdVazgec_1", "Vazgeç"},
        {"Frame3", "Tarih aralığı"},
        {"Label6", "Başlangıç tarihi :"},
        {"Label7", "Bitiş tarihi :"},
        {"cmdRaporGoruntule_2", "Rapor görüntüle"},
        {"Frame4", "Özet"},
        {"Label17", "Rapor başlangıcı:"},
        {"Label18", "Rapor Bitişi:"},
        {"Label8", "Gönderilen Toplam :"},
        {"Label9", "Bekleyen SMS :"},
        {"Label10", "İletilen SMS :"},
        {"Label12", "Zaman Aşımı :"},
        {"Label13", "Reddedilen SMS :"},
        {"cmdExceleGonder_2", "Excel'e gönder"},
        {"cmdVazgec_2", "Vazgeç"},
        {"Frame5", "Tarih aralığı"},
        {"Label15", "Başlangıç tarihi :"},
        {"Label16", "Bitiş tarihi :"},
        {"Frame6", "GSM Numarası"},
        {"cmdRaporGoruntule_3", "Rapor görüntüle"},
        {"cmdMesajGoster", "Mesaj göster"},
        {"cmdExceleGonder_3", "Excel'e gönder"},
        {"cmdVazgec_3", "Vazgeç"},
        {"DataGrid1", "Yapılan SMS gönderimlerinin listesi"},
        {"DataGrid2", "Gönderime ait SMS raporu"},
        {"DataGrid3", "SMS raporu"},
        {"DataGrid4", ""},
    };
    for (const auto &t : texts) QTest::newRow(t.first) << QString::fromLatin1(t.first) << QString::fromUtf8(t.second);
}

void TestFrmRapor::controlTexts()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    ReportWindow r;
    r.open();
    QWidget *c = r.w->findChild<QWidget *>(name);
    QVERIFY2(c, qPrintable(name));
    QString shown;
    if (auto *l = qobject_cast<QLabel *>(c))
        shown = l->text();
    else if (auto *b = qobject_cast<QPushButton *>(c))
        shown = b->text();
    else if (auto *g = qobject_cast<QGroupBox *>(c))
        shown = g->title();
    else if (auto *d = qobject_cast<DataGrid *>(c))
        shown = d->caption();
    QCOMPARE(shown, text);
}

void TestFrmRapor::startsTicked()
{
    ReportWindow r;
    r.open(1);
    QCOMPARE(r.w->parentWidget(), r.fx.mdi()->workArea());
    QCOMPARE(r.counters(0), QStringList({"0", "0", "0", "0", "0", "0"}));
    QCOMPARE(r.counters(1), QStringList({"00.00.0000", "00.00.0000", "0", "0", "0", "0", "0"}));
    QCOMPARE(r.boxStates(0), QStringLiteral("xdxdxdxd"));
    QCOMPARE(r.boxStates(1), QStringLiteral("xdxdxdxd"));
    for (QDateEdit *d : {Control<QDateEdit>(r.w, "DTPicker1"), Control<QDateEdit>(r.w, "DTPicker2"),
                         Control<QDateEdit>(r.w, "DTPicker3"), Control<QDateEdit>(r.w, "DTPicker4")})
        QCOMPARE(d->date(), QDate::currentDate());
    QCOMPARE(Control<QDateEdit>(r.w, "DTPicker1")->displayFormat(), QStringLiteral("dd.MM.yyyy"));
    QCOMPARE(Control<QLineEdit>(r.w, "txtGsmNo")->maxLength(), 10);
    QCOMPARE(Control<QTabWidget>(r.w, "SSTab1")->currentIndex(), 1);
    QVERIFY(Control<QFrame>(r.w, "frTarih")->isVisible());
    QVERIFY(!Control<QFrame>(r.w, "frSMS")->isVisible());
    QVERIFY(gReportFilter.isEmpty());
}

void TestFrmRapor::listOfSends()
{
    ReportWindow r;
    r.logSend("A1", "2024-03-01 09:00:00");
    r.logSend("A2", "2024-11-15 18:30:05");
    r.logSend("B1", "2024-12-01 10:00:00", "Ambrel");
    r.logSend("G1", "2024-06-10 07:00:00", "Ambrel", "-1");
    r.logSend("C1", "2024-12-02 10:00:00", "Brenvik", "02");
    r.open();
    QTableView *v = Control<DataGrid>(r.w, "DataGrid1")->view();
    QAbstractItemModel *m = v->model();
    QStringList ids;
    for (int row = 0; row < m->rowCount(); ++row) ids << m->index(row, 1).data().toString();
    QCOMPARE(ids, QStringList({"A2", "G1", "A1"}));
    QCOMPARE(m->index(0, 4).data().toString(), QStringLiteral("15.11.2024 18:30:05"));
    QCOMPARE(m->headerData(2, Qt::Horizontal).toString(), QStringLiteral("msg_tip"));
    QVERIFY(v->isColumnHidden(0));
    QCOMPARE(v->columnWidth(1), tw(800));
    QCOMPARE(v->columnWidth(2), tw(1800));
    QCOMPARE(v->columnWidth(3), tw(3300));
    QCOMPARE(v->columnWidth(4), tw(1800));
    QCOMPARE(Control<DataGrid>(r.w, "DataGrid1")->currentRow(), 0);
}

void TestFrmRapor::listColumnsFitTheirContents_data()
{
    QTest::addColumn<int>("desktopWidth");
    QTest::addColumn<bool>("messageWhole");
    // Room for every column; too little for the long first message, which takes what the
    // others leave; and too little even for that, where the message keeps its design width
    // and the grid scrolls.
    QTest::newRow("1600 wide") << 1600 << true;
    QTest::newRow("1600 wide, long message") << 1600 << false;
    QTest::newRow("1100 wide, long message") << 1100 << false;
}

void TestFrmRapor::listColumnsFitTheirContents()
{
    QFETCH(int, desktopWidth);
    QFETCH(bool, messageWhole);
    ReportWindow r;
    r.fx.folder.exec("INSERT INTO tbl_giden (msgid, msg_tip, gateway, paket_boyut, mesaj, originator, tarih, gtarih, "
                     "sirket_kod) VALUES ('100001', 'Yetkililere mesaj gönder', 'Brenvik', 2, ?, 'ORVEK', "
                     "'2024-05-01 10:00:00', '2024-05-03 09:30:00', '01')",
                     {messageWhole ? QStringLiteral("İlk Kayıt :Merhaba")
                                   : QStringLiteral("İlk Kayıt :Sayın Çağlar Gıda Ltd. Şti., faturanızın ödemesi "
                                                    "için teşekkür ederiz. İyi günler dileriz, Merkez Ticaret")});
    r.fx.mdi()->resize(desktopWidth, 800);
    r.open();
    QCoreApplication::processEvents();
    QTableView *v = Control<DataGrid>(r.w, "DataGrid1")->view();
    const QFontMetrics fm(v->font());
    const int margins = 1 + 2 * (v->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, v) + 1);
    const auto whole = [&](int column) {
        return fm.horizontalAdvance(v->model()->index(0, column).data().toString()) + margins <= v->columnWidth(column);
    };
    for (int c = 1; c < v->model()->columnCount(); ++c) {
        // msg_tip and gtarih, and every other short column, show whole; none below its design.
        if (c != 3) QVERIFY2(whole(c), qPrintable(v->model()->headerData(c, Qt::Horizontal).toString()));
    }
    QVERIFY(v->columnWidth(1) >= tw(800));
    QVERIFY(v->columnWidth(3) >= tw(3300));
    QCOMPARE(whole(3), messageWhole);
    // A whole message leaves no column past the grid's edge; a cut one uses all the room there
    // is, or, where that is less than its design width, keeps that and the grid scrolls.
    const auto fills = [&] {
        int used = 0;
        for (int c = 1; c < v->model()->columnCount(); ++c) used += v->columnWidth(c);
        if (whole(3)) return used <= v->viewport()->width();
        return used == v->viewport()->width() || (used > v->viewport()->width() && v->columnWidth(3) == tw(3300));
    };
    QVERIFY(fills());
    // The columns follow the grid when the desktop changes.
    r.fx.mdi()->resize(desktopWidth + 150, 800);
    QCoreApplication::processEvents();
    QVERIFY(fills());
    for (int c : {1, 2, 4, 5}) QVERIFY(whole(c));
}

void TestFrmRapor::layoutFollowsTheWindow()
{
    ReportWindow r;
    r.fx.mdi()->resize(1100, 800);
    r.open();
    QCoreApplication::processEvents();
    frmRapor *w = r.w;
    auto *frRapor = Control<QFrame>(w, "frRapor");
    auto *SSTab1 = Control<QTabWidget>(w, "SSTab1");
    auto *frSMS = Control<QFrame>(w, "frSMS");
    auto *DataGrid1 = Control<DataGrid>(w, "DataGrid1");
    auto *DataGrid2 = Control<DataGrid>(w, "DataGrid2");
    auto *DataGrid3 = Control<DataGrid>(w, "DataGrid3");
    auto *frOzet1 = Control<QFrame>(w, "frOzet1");
    auto *Frame3 = Control<QGroupBox>(w, "Frame3");
    auto *cmdVazgec_3 = Control<QPushButton>(w, "cmdVazgec_3");
    auto *cmdExceleGonder_3 = Control<QPushButton>(w, "cmdExceleGonder_3");
    QCOMPARE(w->geometry(),
             QRect(tw(2800), 0, tw(r.fx.mdi()->ScaleWidth() - 2850), tw(r.fx.mdi()->ScaleHeight() - 60)));
    QCOMPARE(frRapor->geometry(), QRect(tw(25), tw(25), tw(WidthTw(w) - 75), tw(HeightTw(w) - 75)));
    QCOMPARE(SSTab1->geometry(), QRect(tw(LeftTw(frRapor) + 75), tw(TopTw(frRapor) + 150), tw(WidthTw(frRapor) - 225),
                                       tw(HeightTw(frRapor) - 250)));
    const int fw = WidthTw(SSTab1) - 225;
    const int fh = HeightTw(SSTab1) - 450;
    // The frames' pages hold what the layout gives them.
    QVERIFY(WidthTw(frSMS) >= fw);
    QVERIFY(HeightTw(frSMS) >= fh);
    QCOMPARE(DataGrid1->geometry(), QRect(tw(120), tw(240), tw(fw - 250), tw(fh / 2 - 1000)));
    const int g1 = HeightTw(DataGrid1);
    QCOMPARE(DataGrid2->geometry(), QRect(tw(120), tw(g1 + 400), tw(fw - 3375 - 300), tw(fh - g1 - 600)));
    QCOMPARE(frOzet1->pos(), QPoint(tw(WidthTw(DataGrid2) + 200), tw(g1 + 400)));
    QCOMPARE(Frame3->width(), tw(fw - 225));
    QCOMPARE(DataGrid3->geometry(),
             QRect(tw(120), tw(HeightTw(Frame3) + 250), tw(fw - 3375 - 300), tw(fh - HeightTw(Frame3) - 450)));
    QCOMPARE(Control<QFrame>(w, "frOzet2")->pos(), QPoint(tw(WidthTw(DataGrid3) + 180), tw(HeightTw(Frame3) + 175)));
    QCOMPARE(Control<QGroupBox>(w, "Frame6")->x(), tw(fw - 3015 - 225));
    QCOMPARE(Control<DataGrid>(w, "DataGrid4")->geometry(), QRect(tw(120), tw(960), tw(fw - 225), tw(fh - 1500)));
    QCOMPARE(cmdVazgec_3->pos(), QPoint(tw(fw - 1410 - 100), tw(fh - 375 - 100)));
    QCOMPARE(cmdExceleGonder_3->pos(), QPoint(tw(LeftTw(cmdVazgec_3) - 1335 - 100), cmdVazgec_3->y()));
    QCOMPARE(Control<QPushButton>(w, "cmdMesajGoster")->pos(),
             QPoint(tw(LeftTw(cmdExceleGonder_3) - 1335 - 100), cmdVazgec_3->y()));
    // The summary panel and the number tab's buttons stand inside their pages.
    const auto inside = [](QWidget *c) {
        return c->geometry().right() < c->parentWidget()->width() &&
               c->geometry().bottom() < c->parentWidget()->height();
    };
    QVERIFY(inside(frOzet1));
    SSTab1->setCurrentIndex(2);
    QCoreApplication::processEvents();
    QVERIFY2(inside(cmdVazgec_3), qPrintable(QStringLiteral("%1 in %2")
                                                 .arg(cmdVazgec_3->geometry().bottom())
                                                 .arg(Control<QFrame>(w, "frGSM")->height())));
}

void TestFrmRapor::listThatCannotBeRead()
{
    ReportWindow r;
    r.fx.folder.exec("ALTER TABLE tbl_giden RENAME TO tbl_giden_eski");
    r.open();
    QCOMPARE(r.fx.prompts.count(), 1);
    QVERIFY(r.fx.prompts.last().text.startsWith(QStringLiteral("Gönderim listesi okunamadı.\r\n")));
    QCOMPARE(r.fx.prompts.last().icon, PromptIcon::Critical);
    // The window opens with an empty list: the send report asks nothing, the date report works.
    QVERIFY(r.w && r.w->isVisible());
    QCOMPARE(Control<DataGrid>(r.w, "DataGrid1")->view()->model()->rowCount(), 0);
    r.view(0);
    QCOMPARE(r.gateway.requestCount(), 0);
    Control<QTabWidget>(r.w, "SSTab1")->setCurrentIndex(1);
    r.gateway.queueReply("17", "1 5321234567 3\n");
    r.view(1);
    QCOMPARE(r.rows(), QStringList{"5321234567|İletildi"});
}

void TestFrmRapor::reportColumns_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QStringList>("fields");
    QTest::newRow("names") << "1" << QStringList({"GsmNo", "Ad", "Soyad", "Durum"});
    QTest::newRow("no names") << "0" << QStringList({"GsmNo", "Durum"});
    QTest::newRow("other value reads as 0") << "evet" << QStringList({"GsmNo", "Durum"});
}

void TestFrmRapor::reportColumns()
{
    QFETCH(QString, option);
    QFETCH(QStringList, fields);
    ReportWindow r("Brenvik", option);
    r.open(2);
    QCOMPARE(r.w->ReportSet().fieldNames(), fields);
    const bool names = fields.size() == 4;
    QTableView *g2 = Control<DataGrid>(r.w, "DataGrid2")->view();
    QTableView *g3 = Control<DataGrid>(r.w, "DataGrid3")->view();
    QTableView *g4 = Control<DataGrid>(r.w, "DataGrid4")->view();
    QCOMPARE(g2->columnWidth(0), tw(1100));
    QCOMPARE(g2->columnWidth(1), tw(1050));
    QCOMPARE(g2->model()->headerData(1, Qt::Horizontal).toString(), fields.at(1));
    if (names) {
        QCOMPARE(g3->columnWidth(2), tw(1100));
        QCOMPARE(g3->columnWidth(3), tw(1050));
    }
    QCOMPARE(g4->model()->headerData(0, Qt::Horizontal).toString(), QStringLiteral("MsgID"));
    QCOMPARE(g4->model()->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Tarih"));
    QCOMPARE(g4->columnWidth(0), tw(3200));
    QCOMPARE(g4->columnWidth(1), tw(3200));
    for (int c = 0; c < fields.size(); ++c) QCOMPARE(g4->isColumnHidden(c), names && c >= 2);
}

void TestFrmRapor::packageFetch_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QStringList>("counters"); // Text11, Text1 to Text5
    QTest::addColumn<QStringList>("prompts");
    QTest::addColumn<int>("current");

    const QStringList before{"5051111111|İletildi"}; // the report of the first fetch
    const QStringList beforeCounters{"100001", "1", "0", "1", "0", "0"};
    QTest::newRow("lines") << "5321234567 3\n5051234567 0\n5421112233 5\n5551234567 2\n5061231231 1\n5071231231 9\n"
                           << QStringList{"5321234567|İletildi",   "5051234567|Beklemede", "5421112233|Zaman Aşımı",
                                          "5551234567|Reddedildi", "5061231231|Beklemede", "5071231231|Reddedildi"}
                           << QStringList{"100002", "6", "2", "1", "1", "2"} << QStringList{} << 5;
    QTest::newRow("CR LF, no final line feed") << "5321234567 3\r\n5051234567 0" << QStringList{"5321234567|İletildi"}
                                               << QStringList{"100002", "1", "0", "1", "0", "0"} << QStringList{} << 0;
    QTest::newRow("a letter stops, rows before kept")
        << "5321234567 3\n5051234567 x\n5421112233 5\n"
        << QStringList{"5321234567|İletildi"} << QStringList{"100002", "3", "0", "1", "0", "0"}
        << QStringList{kLinesStage} << 0;
    QTest::newRow("empty line stops") << "\n5321234567 3\n"
                                      << QStringList{} << QStringList{"100002", "2", "0", "0", "0", "0"}
                                      << QStringList{kLinesStage} << -1;
    QTest::newRow("empty reply: report emptied, counts kept")
        << "" << QStringList{} << QStringList{"100002", "1", "0", "1", "0", "0"} << QStringList{} << -1;
    QTest::newRow("a code is read as lines")
        << "18" << QStringList{} << QStringList{"100002", "0", "0", "0", "0", "0"} << QStringList{} << -1;
    QTest::newRow("no connection keeps the report") << "-1" << before << beforeCounters << QStringList{kTab0NoNet} << 0;
    QTest::newRow("blocked keeps the report") << "04" << before << beforeCounters << QStringList{kTab0NoNet} << 0;
    QTest::newRow("wrong account keeps the report")
        << "01" << before << beforeCounters << QStringList{kWrongAccount} << 0;
}

void TestFrmRapor::packageFetch()
{
    QFETCH(QString, reply);
    QFETCH(QStringList, rows);
    QFETCH(QStringList, counters);
    QFETCH(QStringList, prompts);
    QFETCH(int, current);
    ReportWindow r;
    r.logSend("100001", "2024-05-01 10:00:00");
    r.logSend("100002", "2024-05-02 10:00:00");
    r.open();
    // A first report, of the older send.
    r.gateway.queueReply("11", "5051111111 3\n");
    Control<DataGrid>(r.w, "DataGrid1")->setCurrentRow(1);
    r.view(0);
    QCOMPARE(r.rows(), QStringList{"5051111111|İletildi"});
    QCOMPARE(r.counters(0), QStringList({"100001", "1", "0", "1", "0", "0"}));

    Control<DataGrid>(r.w, "DataGrid1")->setCurrentRow(0);
    Control<QCheckBox>(r.w, "Check2")->setEnabled(true);
    Control<QCheckBox>(r.w, "Check2")->setChecked(false);
    r.gateway.queueReply("11", reply);
    r.view(0);
    QCOMPARE(r.rows(), rows);
    QCOMPARE(r.counters(0), counters);
    QCOMPARE(r.promptTexts(), prompts);
    for (const PromptRecord &p : r.fx.prompts.records()) {
        QCOMPARE(p.title, QStringLiteral("Uyarı"));
        QCOMPARE(p.icon, p.text == kTab0NoNet ? PromptIcon::Information : PromptIcon::Critical);
    }
    // Whatever the reply: the boxes ticked and usable again, the buttons back, the progress
    // window gone, the last row read current.
    QCOMPARE(r.boxStates(0), QStringLiteral("xexexexe"));
    QVERIFY(Control<QPushButton>(r.w, "cmdRaporGoruntule_1")->isEnabled());
    QVERIFY(Control<QPushButton>(r.w, "cmdExceleGonder_1")->isEnabled());
    QVERIFY(Control<QPushButton>(r.w, "cmdMsgGoster")->isEnabled());
    QVERIFY(Control<QTabWidget>(r.w, "SSTab1")->tabBar()->isEnabled());
    QVERIFY(!frmBekle::isLoaded());
    QCOMPARE(Control<DataGrid>(r.w, "DataGrid2")->currentRow(), current);
    const bool kept = prompts == QStringList{kTab0NoNet} || prompts == QStringList{kWrongAccount};
    QCOMPARE(gProgressDone, qint64(kept ? 1 : rows.size()));
}

void TestFrmRapor::packageRequestBody_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("user");
    QTest::newRow("hosted") << "Brenvik"
                            << "demo-B001";
    QTest::newRow("on premises") << "Ambrel"
                                 << "demo";
}

void TestFrmRapor::packageRequestBody()
{
    QFETCH(QString, kind);
    QFETCH(QString, user);
    ReportWindow r(kind);
    r.logSend("4711", "2024-05-01 10:00:00", kind);
    r.open();
    r.view(0);
    QCOMPARE(r.gateway.bodies(), QStringList{"<MainReportRoot><UserName>" + user +
                                             "</UserName><PassWord>parola</PassWord><Action>11</Action><MsgID>4711"
                                             "</MsgID></MainReportRoot>"});
    // Empty list: nothing asked, nothing said.
    ReportWindow empty(kind);
    empty.open();
    empty.view(0);
    QCOMPARE(empty.gateway.requestCount(), 0);
    QCOMPARE(empty.fx.prompts.count(), 0);
}

void TestFrmRapor::dateRangeFetch_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QStringList>("counters"); // Text12, Text13, Text6 to Text10
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("title");

    const QStringList before{"5051111111|Zaman Aşımı"};
    const QStringList beforeCounters{"01.01.2024", "01.01.2024", "1", "0", "0", "1", "0"};
    const QStringList picked{"07.03.2024", "30.04.2024"};
    const int info = int(PromptIcon::Information), crit = int(PromptIcon::Critical), none = int(PromptIcon::None);
    QTest::newRow("lines") << "Brenvik"
                           << "100001 5321234567 3\n100002 5051234567 1\n"
                           << QStringList{"5321234567|İletildi", "5051234567|Beklemede"}
                           << (picked + QStringList{"2", "1", "1", "0", "0"}) << "" << none << "";
    QTest::newRow("lines, on premises") << "Ambrel"
                                        << "100001 5321234567 7\n"
                                        << QStringList{"5321234567|Reddedildi"}
                                        << (picked + QStringList{"1", "0", "0", "0", "1"}) << "" << none << "";
    QTest::newRow("100") << "Brenvik"
                         << "100" << QStringList{} << beforeCounters
                         << "Server Yoğun Lütfen Daha Sonra Tekrar Deneyiniz" << crit << "Uyar";
    QTest::newRow("17") << "Brenvik"
                        << "17" << QStringList{} << beforeCounters << "Hatalı Tarih Girişi" << crit << "Uyar";
    QTest::newRow("18") << "Brenvik"
                        << "18" << QStringList{} << beforeCounters << "Bu Tarihler Arasında Gönderilmiş Rapor Yok."
                        << info << "Uyar";
    QTest::newRow("19") << "Brenvik"
                        << "19" << QStringList{} << beforeCounters << "Tanımlanamayan Hata." << crit << "Uyar";
    QTest::newRow("-1 keeps the report") << "Brenvik"
                                         << "-1" << before << beforeCounters << kTab1NoNet << info << "Uyarı";
    QTest::newRow("05 keeps the report") << "Brenvik"
                                         << "05" << before << beforeCounters << kTab1NoNet << info << "Uyarı";
    QTest::newRow("03 keeps the report") << "Brenvik"
                                         << "03" << before << beforeCounters << kWrongAccount << crit << "Uyarı";
    QTest::newRow("empty: dates shown, counts kept")
        << "Brenvik"
        << "" << QStringList{} << (picked + beforeCounters.mid(2)) << "" << none << "";
}

void TestFrmRapor::dateRangeFetch()
{
    QFETCH(QString, kind);
    QFETCH(QString, reply);
    QFETCH(QStringList, rows);
    QFETCH(QStringList, counters);
    QFETCH(QString, prompt);
    QFETCH(int, icon);
    QFETCH(QString, title);
    ReportWindow r(kind);
    r.open(1);
    // A first report, of one day.
    Control<QDateEdit>(r.w, "DTPicker1")->setDate(QDate(2024, 1, 1));
    Control<QDateEdit>(r.w, "DTPicker2")->setDate(QDate(2024, 1, 1));
    r.gateway.queueReply("17", "100000 5051111111 5\n");
    r.view(1);
    QCOMPARE(r.rows(), QStringList{"5051111111|Zaman Aşımı"});
    r.gateway.clearRequests();

    Control<QDateEdit>(r.w, "DTPicker1")->setDate(QDate(2024, 3, 7));
    Control<QDateEdit>(r.w, "DTPicker2")->setDate(QDate(2024, 4, 30));
    Control<QCheckBox>(r.w, "Check8")->setEnabled(true);
    Control<QCheckBox>(r.w, "Check8")->setChecked(false);
    r.gateway.queueReply("17", reply);
    r.view(1);
    const QString user = kind == QLatin1String("Brenvik") ? "demo-B001" : "demo";
    QCOMPARE(r.gateway.bodies(),
             QStringList{"<MainReportRoot><UserName>" + user +
                         "</UserName><PassWord>parola</PassWord><Action>17</Action><FDate>2024-03-07</FDate>"
                         "<LDate>2024-04-30</LDate></MainReportRoot>"});
    QCOMPARE(r.rows(), rows);
    QCOMPARE(r.counters(1), counters);
    if (prompt.isEmpty()) {
        QCOMPARE(r.fx.prompts.count(), 0);
    } else {
        QCOMPARE(r.promptTexts(), QStringList{prompt});
        QCOMPARE(int(r.fx.prompts.last().icon), icon);
        QCOMPARE(r.fx.prompts.last().title, title);
    }
    QCOMPARE(r.boxStates(1), QStringLiteral("xexexexe"));
    QVERIFY(Control<QPushButton>(r.w, "cmdRaporGoruntule_2")->isEnabled());
    QVERIFY(Control<QPushButton>(r.w, "cmdExceleGonder_2")->isEnabled());
    QVERIFY(!frmBekle::isLoaded());
    QCOMPARE(Control<QTabWidget>(r.w, "SSTab1")->currentIndex(), 1);
}

void TestFrmRapor::noRequestForAnotherKind()
{
    ReportWindow r;
    r.logSend("4711", "2024-05-01 10:00:00", "Brenvik");
    r.open();
    gGatewayKind = GatewayKind::None;
    r.view(0);
    Control<QTabWidget>(r.w, "SSTab1")->setCurrentIndex(1);
    r.view(1);
    QCOMPARE(r.gateway.requestCount(), 0);
    QCOMPARE(r.fx.prompts.count(), 0);
    // Read as an empty reply: the message id and the days are shown, nothing else.
    QCOMPARE(r.counters(0), QStringList({"4711", "0", "0", "0", "0", "0"}));
    const QString today = QDate::currentDate().toString("dd.MM.yyyy");
    QCOMPARE(r.counters(1), QStringList({today, today, "0", "0", "0", "0", "0"}));
}

void TestFrmRapor::namesFromTheErp()
{
    ReportWindow r("Brenvik", "1");
    ErpStandIn erp(r.fx.folder.folder() + QStringLiteral("/erp"));
    erp.fillSample();
    const QString longName(80, QChar(u'Ş'));
    erp.addContact("01", {{"Sirket", "120.004"},
                          {"Adi", "Cem"},
                          {"Adi2", longName},
                          {"Soyadi", QVariant()},
                          {"CepTelBKod", "556"},
                          {"CepTel", "1230000 "}});
    erp.configure();
    r.logSend("4711", "2024-05-01 10:00:00");
    r.open();
    // The progress window's steps, recorded.
    QStringList steps;
    ProgressWindow::Handlers h;
    h.show = [&] { steps << "show"; };
    h.hide = [&] { steps << "hide"; };
    h.setStatus = [&](const QString &text) { steps << text; };
    h.showSpeed = [&](bool shown) { steps << (shown ? "speed on" : "speed off"); };
    h.runTimer = [&](bool running) { steps << (running ? "timer on" : "timer off"); };
    ProgressWindow::setHandlers(h);
    r.gateway.queueReply("11", "5321234567 3\n5359998877 0\n5543334455 5\n5561230000 1\n5990000000 3\n");
    r.view(0);
    InstallWidgetServices();
    QCOMPARE(steps,
             QStringList({"show", "Raporunuz Mesaj Merkezinden Çekiliyor...Lütfen Bekleyiniz.", "speed on",
                          "Raporunuzdaki Kayıt Sayısı Hesaplanıyor...Lütfen Bekleyiniz.",
                          "Orvek® veritabanına bağlanılıyor...Lütfen Bekleyiniz.", "speed on", "timer on",
                          "Rapor Listesi Oluşturuluyor...Lütfen Bekleyiniz.", "timer off", "speed off", "hide"}));
    QCOMPARE(gProgressTotal, 5);
    QCOMPARE(gProgressDone, 5);
    QCOMPARE(r.promptTexts(), QStringList{});
    QCOMPARE(r.rows(), QStringList({"5321234567|Ayşe |Yılmaz|İletildi",           // no second name
                                    "5359998877|||Beklemede",                     // card type 1: no name
                                    "5543334455|Irmak |Ilgaz|Zaman Aşımı",        //
                                    "5561230000|Cem " + longName + "||Beklemede", // long, Null surname
                                    "5990000000|||İletildi"}));
}

void TestFrmRapor::unreachableErp()
{
    ReportWindow r("Brenvik", "1");
    gErpServer = QStringLiteral("sqlite:") + r.fx.folder.folder() + QStringLiteral("/no-erp-here");
    gErpDatabase = QStringLiteral("ORVEK");
    r.logSend("4711", "2024-05-01 10:00:00");
    r.open();
    r.gateway.queueReply("11", "no line feed");
    r.view(0);
    QCOMPARE(r.promptTexts(), QStringList{kErpStage});
    QCOMPARE(r.fx.prompts.last().icon, PromptIcon::Critical);
    QCOMPARE(r.rows(), QStringList{});
    QCOMPARE(r.counters(0), QStringList({"4711", "0", "0", "0", "0", "0"}));
    QCOMPARE(r.boxStates(0), QStringLiteral("xexexexe"));
    QVERIFY(Control<QPushButton>(r.w, "cmdRaporGoruntule_1")->isEnabled());
}

void TestFrmRapor::statusFilter()
{
    ReportWindow r;
    r.logSend("4711", "2024-05-01 10:00:00");
    r.open();
    r.gateway.queueReply("11", statusLines(10));
    r.view(0);
    QCOMPARE(r.rows().size(), 10);
    QCOMPARE(Control<DataGrid>(r.w, "DataGrid2")->currentRow(), 9);
    // The boxes stood ticked: ticking them again changed nothing, so no filter was built.
    QCOMPARE(gReportFilter, QString());

    QTest::mouseClick(Control<QCheckBox>(r.w, "Check1"), Qt::LeftButton);
    QCOMPARE(gReportFilter, QStringLiteral("Durum = 'İletildi' OR Durum = 'Zaman Aşımı' OR Durum = 'Reddedildi'"));
    QCOMPARE(r.rows().size(), 6);
    QCOMPARE(Control<DataGrid>(r.w, "DataGrid2")->view()->model()->rowCount(), 6);
    QCOMPARE(Control<DataGrid>(r.w, "DataGrid2")->currentRow(), 0);
    QCOMPARE(Control<DataGrid>(r.w, "DataGrid2")->view()->columnWidth(0), tw(1100));

    Control<QCheckBox>(r.w, "Check3")->setChecked(false); // a tick made in code filters too
    Control<QCheckBox>(r.w, "Check4")->setChecked(false);
    QCOMPARE(gReportFilter, QStringLiteral("Durum = 'İletildi'"));
    QCOMPARE(r.rows(), QStringList({"5300000000|İletildi", "5300000005|İletildi"}));

    // The other tab's boxes do not speak for the shown tab's report.
    Control<QCheckBox>(r.w, "Check5")->setChecked(false);
    QCOMPARE(gReportFilter, QStringLiteral("Durum = 'İletildi'"));

    // No box ticked: the whole report.
    QTest::mouseClick(Control<QCheckBox>(r.w, "Check2"), Qt::LeftButton);
    QCOMPARE(gReportFilter, QString());
    QCOMPARE(r.rows().size(), 10);
}

void TestFrmRapor::fetchTicksTheBoxesAgain()
{
    ReportWindow r;
    r.logSend("4711", "2024-05-01 10:00:00");
    r.open();
    r.gateway.queueReply("11", statusLines(5));
    r.view(0);
    QTest::mouseClick(Control<QCheckBox>(r.w, "Check1"), Qt::LeftButton);
    QTest::mouseClick(Control<QCheckBox>(r.w, "Check2"), Qt::LeftButton);
    QCOMPARE(r.rows().size(), 2);
    // A second fetch ticks every box first: the whole new report shows, with the counts of
    // this fetch alone.
    r.gateway.queueReply("11", statusLines(2).replace(QLatin1Char('3'), QLatin1Char('1')));
    r.view(0);
    QCOMPARE(r.boxStates(0), QStringLiteral("xexexexe"));
    QCOMPARE(r.rows().size(), 2);
    QCOMPARE(r.counters(0).mid(1), QStringList({"2", "2", "0", "0", "0"}));
}

void TestFrmRapor::tabChangeEmptiesTheReport()
{
    ReportWindow r;
    r.logSend("4711", "2024-05-01 10:00:00");
    r.open();
    r.gateway.queueReply("11", statusLines(5));
    r.view(0);
    QCOMPARE(r.rows().size(), 5);
    Control<QTabWidget>(r.w, "SSTab1")->setCurrentIndex(1);
    QVERIFY(r.rows().isEmpty());
    Control<QTabWidget>(r.w, "SSTab1")->setCurrentIndex(0);
    QVERIFY(r.rows().isEmpty());
    QCOMPARE(Control<DataGrid>(r.w, "DataGrid2")->view()->model()->rowCount(), 0);
    QCOMPARE(r.counters(0), QStringList({"4711", "5", "2", "1", "1", "1"}));
}

void TestFrmRapor::resizeKeepsPickedDatesAndBoxes()
{
    ReportWindow r;
    r.logSend("4711", "2024-05-01 10:00:00");
    r.open(1);
    r.gateway.queueReply("17", statusLines(5, "4711 "));
    r.view(1);
    Control<QDateEdit>(r.w, "DTPicker1")->setDate(QDate(2024, 2, 29));
    Control<QDateEdit>(r.w, "DTPicker4")->setDate(QDate(2024, 3, 1));
    QTest::mouseClick(Control<QCheckBox>(r.w, "Check6"), Qt::LeftButton);
    const QStringList narrowed = r.rows();
    QCOMPARE(narrowed.size(), 4);

    r.fx.mdi()->resize(r.fx.mdi()->width() + 120, r.fx.mdi()->height() + 60);
    QCoreApplication::processEvents();
    QCOMPARE(Control<QDateEdit>(r.w, "DTPicker1")->date(), QDate(2024, 2, 29));
    QCOMPARE(Control<QDateEdit>(r.w, "DTPicker4")->date(), QDate(2024, 3, 1));
    QVERIFY(!Control<QCheckBox>(r.w, "Check6")->isChecked());
    QCOMPARE(r.rows(), narrowed);
    // The docked geometry and the tab layout followed the new size.
    QCOMPARE(r.w->width(), tw(r.fx.mdi()->ScaleWidth() - 2850));
    QCOMPARE(Control<QPushButton>(r.w, "cmdRaporGoruntule_2")->x(),
             tw(WidthTw(Control<QGroupBox>(r.w, "Frame3")) - WidthTw(Control<QPushButton>(r.w, "cmdRaporGoruntule_2")) -
                100));
}

void TestFrmRapor::cancelAndClose()
{
    ReportWindow r;
    r.logSend("4711", "2024-05-01 10:00:00");
    r.open(1);
    QTest::mouseClick(Control<QPushButton>(r.w, "cmdVazgec_2"), Qt::LeftButton);
    QVERIFY(gCancelRequested);
    QCOMPARE(Control<QPushButton>(r.w, "cmdVazgec_2")->text(), QStringLiteral("Kapat"));
    QCOMPARE(Control<QPushButton>(r.w, "cmdVazgec_1")->text(), QStringLiteral("Vazgeç"));
    QCOMPARE(r.fx.prompts.count(), 0);
    // A fetch starts afresh: a cancel pressed before it does not empty it.
    Control<QTabWidget>(r.w, "SSTab1")->setCurrentIndex(0);
    r.gateway.queueReply("11", statusLines(3));
    r.view(0);
    QCOMPARE(r.rows().size(), 3);
    QVERIFY(!gCancelRequested);

    Control<QTabWidget>(r.w, "SSTab1")->setCurrentIndex(1);
    gCancelRequested = true;
    QTest::mouseClick(Control<QPushButton>(r.w, "cmdVazgec_2"), Qt::LeftButton);
    QVERIFY(!gCancelRequested);
    QVERIFY(!WorkForms::isLoaded<frmRapor>());
    QCOMPARE(WorkForms::loadedWorkForms(), QStringList{"frmBrw"});
    MainWindowFixture::flushDeletes();
    QVERIFY(r.w.isNull());
}

void TestFrmRapor::cancelDuringFetchKeepsRows()
{
    ReportWindow r;
    r.logSend("4711", "2024-05-01 10:00:00");
    r.open();
    const int total = 200000;
    r.gateway.queueReply("11", statusLines(total));
    bool tabsDuring = true, viewDuring = true, exportDuring = true, otherViewDuring = true, cancelDuring = false;
    bool progressShown = false;
    whenDuringFetch(
        r.w, [] { return gProgressDone > 0; },
        [&] {
            tabsDuring = Control<QTabWidget>(r.w, "SSTab1")->tabBar()->isEnabled();
            viewDuring = Control<QPushButton>(r.w, "cmdRaporGoruntule_1")->isEnabled();
            exportDuring = Control<QPushButton>(r.w, "cmdExceleGonder_1")->isEnabled() ||
                           Control<QPushButton>(r.w, "cmdExceleGonder_3")->isEnabled();
            otherViewDuring = Control<QPushButton>(r.w, "cmdRaporGoruntule_2")->isEnabled() ||
                              Control<QPushButton>(r.w, "cmdMesajGoster")->isEnabled();
            cancelDuring = Control<QPushButton>(r.w, "cmdVazgec_1")->isEnabled() &&
                           Control<QPushButton>(r.w, "cmdVazgec_3")->isEnabled();
            progressShown = frmBekle::isLoaded() && frmBekle::instance()->isVisible();
            QTest::mouseClick(Control<QPushButton>(r.w, "cmdVazgec_1"), Qt::LeftButton);
        });
    r.view(0);
    QVERIFY(!tabsDuring);
    QVERIFY(!viewDuring);
    QVERIFY(!exportDuring);
    QVERIFY(!otherViewDuring);
    QVERIFY(cancelDuring);
    QVERIFY(progressShown);
    const int kept = r.w->ReportSet().rowCount();
    QVERIFY(kept > 0);
    QVERIFY(kept < total);
    QCOMPARE(qint64(kept), gProgressDone);
    QCOMPARE(gProgressTotal, qint64(total));
    QCOMPARE(Control<QLineEdit>(r.w, "Text1")->text(), QString::number(total));
    int counted = 0;
    for (QLineEdit *t : {Control<QLineEdit>(r.w, "Text2"), Control<QLineEdit>(r.w, "Text3"),
                         Control<QLineEdit>(r.w, "Text4"), Control<QLineEdit>(r.w, "Text5")})
        counted += t->text().toInt();
    QCOMPARE(counted, kept);
    QCOMPARE(Control<DataGrid>(r.w, "DataGrid2")->view()->model()->rowCount(), kept);
    QCOMPARE(Control<QPushButton>(r.w, "cmdVazgec_1")->text(), QStringLiteral("Kapat"));
    QVERIFY(!frmBekle::isLoaded());
    QVERIFY(Control<QTabWidget>(r.w, "SSTab1")->tabBar()->isEnabled());
    QVERIFY(Control<QPushButton>(r.w, "cmdRaporGoruntule_1")->isEnabled());
    QCOMPARE(r.boxStates(0), QStringLiteral("xexexexe"));
    QCOMPARE(r.fx.prompts.count(), 0);
}

void TestFrmRapor::navigationDuringFetch()
{
    ReportWindow r;
    r.logSend("4711", "2024-05-01 10:00:00");
    r.open();
    r.gateway.queueReply("11", statusLines(200000));
    whenDuringFetch(
        r.w, [] { return gProgressDone > 0; },
        [&] {
            Control<QTreeWidget>(r.fx.ana(), "TreeView1")->expandAll();
            r.fx.clickNode(QStringLiteral("RapTarih"));
        });
    QPointer<frmRapor> first = r.w;
    r.view(0);
    QCOMPARE(r.fx.prompts.count(), 0);
    frmRapor *second = WorkForms::find<frmRapor>();
    QVERIFY(second);
    QVERIFY(second != first.data());
    QCOMPARE(Control<QTabWidget>(second, "SSTab1")->currentIndex(), 1);
    QVERIFY(second->ReportSet().rowCount() == 0);
    QVERIFY(Control<QTabWidget>(second, "SSTab1")->tabBar()->isEnabled());
    MainWindowFixture::flushDeletes();
    QVERIFY(first.isNull());
}

void TestFrmRapor::enterAndEscape()
{
    ReportWindow r;
    r.open();
    QSignalSpy number(Control<QPushButton>(r.w, "cmdRaporGoruntule_3"), &QPushButton::clicked);
    Control<DataGrid>(r.w, "DataGrid1")->view()->setFocus();
    QTest::keyClick(Control<DataGrid>(r.w, "DataGrid1")->view(), Qt::Key_Return);
    QCOMPARE(number.count(), 0);
    Control<QTabWidget>(r.w, "SSTab1")->setCurrentIndex(2);
    Control<QLineEdit>(r.w, "txtGsmNo")->setFocus();
    QTest::keyClick(Control<QLineEdit>(r.w, "txtGsmNo"), Qt::Key_Return);
    QCOMPARE(number.count(), 1);
    QTest::keyClick(Control<QLineEdit>(r.w, "txtGsmNo"), Qt::Key_Escape);
    QCOMPARE(Control<QPushButton>(r.w, "cmdVazgec_1")->text(), QStringLiteral("Kapat"));
    QVERIFY(gCancelRequested);
}

// ---- The number tab ---------------------------------------------------------------------------

namespace {
const QString kFetchNoNet = QStringLiteral(
    "Lütfen İnternet Bağlantınızı Kontrol Ediniz. Bir Güvenlik Uygulaması Internet Bağlantınızı Denetliyor Olabilir.");
const QString kNothingSent = QStringLiteral("Bu Tarihler Arasında Gönderilmiş SMS Bulunamadı");
const QString kBadNumber = QStringLiteral("GSMNo Alanını Kontrol Ediniz");
const QString kFetchFailure = QStringLiteral("Lütfen İnternet Bağlantınızı Kontrol Ediniz");
} // namespace

void TestFrmRapor::numberFetch_data()
{
    QTest::addColumn<QString>("reply");
    QTest::addColumn<QStringList>("rows");
    QTest::addColumn<QString>("prompt");
    QTest::addColumn<int>("icon");
    QTest::addColumn<bool>("passes"); // the reply passed the code tests (gStageMark "1")

    const QStringList before{"1|01.01.2024 09:00:00"};
    QTest::newRow("lines, tail ignored") << "7 01.05.2024 10:00:00\r\n8 02.05.2024 11:30:00\n9 03.05"
                                         << QStringList{"7|01.05.2024 10:00:00", "8|02.05.2024 11:30:00"} << "" << 0
                                         << true;
    QTest::newRow("empty reply empties") << "" << QStringList{} << "" << 0 << true;
    QTest::newRow("lower-case html is read") << "<html> x\n" << QStringList{"<html>|x"} << "" << 0 << true;
    QTest::newRow("no space: rows before kept")
        << "7 a\n8\n9 c\n"
        << QStringList{"7|a"} << "1" + kFetchFailure << int(PromptIcon::Critical) << true;
    QTest::newRow("-1") << "-1" << before << kFetchNoNet << int(PromptIcon::Critical) << false;
    QTest::newRow("HTML") << "<HTML>proxy</HTML>" << before << kFetchNoNet << int(PromptIcon::Critical) << false;
    QTest::newRow("01") << "01" << before << "Hatalı Kullanıcı Adı veya Parola" << int(PromptIcon::Critical) << false;
    QTest::newRow("04") << "04" << before << "Hatalı Kullanıcı Adı veya Parola" << int(PromptIcon::Critical) << false;
    QTest::newRow("08 keeps the report") << "08" << before << kNothingSent << int(PromptIcon::Information) << false;
}

void TestFrmRapor::numberFetch()
{
    QFETCH(QString, reply);
    QFETCH(QStringList, rows);
    QFETCH(QString, prompt);
    QFETCH(int, icon);
    QFETCH(bool, passes);
    ReportWindow r;
    r.open();
    r.numberReport("1 01.01.2024 09:00:00\n");
    QCOMPARE(r.rows(), QStringList{"1|01.01.2024 09:00:00"});
    gStageMark.clear();
    r.fx.prompts.clear();

    r.numberReport(reply);
    QCOMPARE(r.rows(), rows);
    QCOMPARE(r.promptTexts(), prompt.isEmpty() ? QStringList{} : QStringList{prompt});
    if (!prompt.isEmpty()) {
        QCOMPARE(int(r.fx.prompts.last().icon), icon);
        QCOMPARE(r.fx.prompts.last().title, QStringLiteral("Uyarı"));
    }
    QCOMPARE(gStageMark, passes ? QStringLiteral("1") : QString());
    QVERIFY(r.tab2Idle());
}

void TestFrmRapor::numberFetchRequestBody_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("user");
    QTest::newRow("hosted") << "Brenvik"
                            << "demo-B001";
    QTest::newRow("on premises") << "Ambrel"
                                 << "demo";
}

void TestFrmRapor::numberFetchRequestBody()
{
    QFETCH(QString, kind);
    QFETCH(QString, user);
    ReportWindow r(kind);
    r.open(2);
    Control<QDateEdit>(r.w, "DTPicker3")->setDate(QDate(2024, 3, 9));
    Control<QDateEdit>(r.w, "DTPicker4")->setDate(QDate(2024, 2, 1));
    r.numberReport("08", "5ab 345678");
    QCOMPARE(r.gateway.bodies(),
             QStringList{"<MainReportRoot><UserName>" + user +
                         "</UserName><PassWord>parola</PassWord><Action>14</Action><GsmNo>5ab 345678</GsmNo>"
                         "<FDate>2024-03-09</FDate><LDate>2024-02-01</LDate></MainReportRoot>"});
}

void TestFrmRapor::numberCheckSendsNothing_data()
{
    QTest::addColumn<QString>("number");
    QTest::newRow("nine") << "532123456";
    QTest::newRow("empty") << "";
    QTest::newRow("first not 5") << "4321234567";
    QTest::newRow("markup") << "5321<34567";
}

void TestFrmRapor::numberCheckSendsNothing()
{
    QFETCH(QString, number);
    ReportWindow r;
    r.open(2);
    r.w->show();
    r.numberReport("1 x\n", number);
    QTest::mouseClick(Control<QPushButton>(r.w, "cmdMesajGoster"), Qt::LeftButton);
    QCOMPARE(r.gateway.requestCount(), 0);
    QCOMPARE(r.promptTexts(), QStringList({kBadNumber, kBadNumber}));
    for (const PromptRecord &p : r.fx.prompts.records()) {
        QCOMPARE(p.icon, PromptIcon::Information);
        QCOMPARE(p.title, QStringLiteral("Uyarı"));
    }
    QVERIFY(r.tab2Idle());
    QCOMPARE(QApplication::focusWidget(), Control<QLineEdit>(r.w, "txtGsmNo"));
}

void TestFrmRapor::stageMarkOnFailure()
{
    ReportWindow r;
    r.open(2);
    gStageMark.clear();
    const QString url = gGatewayUrl;
    gGatewayUrl = FakeHttpServer::refusedUrl();
    r.numberReport(QString());
    gGatewayUrl = url;
    r.gateway.clearScript();
    QCOMPARE(r.promptTexts(), QStringList{kFetchFailure});
    QCOMPARE(r.fx.prompts.last().icon, PromptIcon::Critical);
    QVERIFY(r.tab2Idle());
    r.numberReport("08"); // a code: still no mark
    QCOMPARE(gStageMark, QString());
    r.numberReport("5 a\n"); // passes
    QCOMPARE(gStageMark, QStringLiteral("1"));
    r.fx.prompts.clear();
    gGatewayUrl = FakeHttpServer::refusedUrl();
    QTest::mouseClick(Control<QPushButton>(r.w, "cmdRaporGoruntule_3"), Qt::LeftButton);
    QCOMPARE(r.promptTexts(), QStringList{"1" + kFetchFailure});
    QCOMPARE(r.rows(), QStringList{"5|a"});
    QVERIFY(r.tab2Idle());
}

void TestFrmRapor::messageText_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("reply"); // "<closed>": the exchange fails
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("title");

    const int C = int(PromptIcon::Critical);
    const int I = int(PromptIcon::Information);
    const QString u = QStringLiteral("Uyarı");
    // Tab 2 asks for send "7" to 5321234567; tab 0 for send "100001" to 5051111111.
    const QString one2 = "7 mesaj paketindeki 5321234567 numaralı GSM hattına giden mesaj :\r\n\r\n";
    const QString one0 = "100001 mesaj paketindeki 5051111111 numaralı GSM hattına giden mesaj :\r\n\r\n";
    const QString many0 = "100001 mesaj paketindeki 5051111111 numaralı GSM hattına giden mesajlar :\r\n\r\n";
    const QString tab2Fail = "Tanımlanamayan hata oluştu\r\nSistemin ürettiği hata mesajı : ";
    const QString stage0 = "Bağlantı Hatası! Mesaj merkezine bağlanılamıyor";
    const QString wrong = "Hatalı Kullanıcı Adı veya Parola";

    // The text as the gateway sent it, its blanks and line breaks at either end included.
    QTest::newRow("2 one") << 2 << "<r><msgbody> Merhaba Şule </msgbody></r>" << one2 + " Merhaba Şule " << I
                           << "Brenvik";
    QTest::newRow("2 line breaks") << 2 << "<r><msgbody>\n  Merhaba\nŞule\n</msgbody></r>"
                                   << one2 + "\n  Merhaba\nŞule\n"
                                   << I << "Brenvik";
    QTest::newRow("2 -1") << 2 << "-1" << kFetchFailure << C << u;
    QTest::newRow("2 HTML") << 2 << "<HTML>x" << kFetchFailure << C << u;
    QTest::newRow("2 01") << 2 << "01" << wrong << C << u;
    QTest::newRow("2 04") << 2 << "04" << wrong << C << u;
    QTest::newRow("2 08") << 2 << "08" << kNothingSent << I << u;
    QTest::newRow("2 no XML") << 2 << "Merhaba" << tab2Fail << C << u;
    QTest::newRow("2 no msgbody") << 2 << "<r/>" << tab2Fail << C << u;
    QTest::newRow("2 empty") << 2 << "" << tab2Fail << C << u;
    QTest::newRow("2 lower-case html") << 2 << "<html><msgbody>x</msgbody></html>" << one2 + "x" << I << "Brenvik";
    QTest::newRow("2 failed exchange") << 2 << "<closed>" << tab2Fail << C << u;

    QTest::newRow("0 three") << 0 << "<r><m><msgbody>a</msgbody></m><msgbody>b</msgbody><msgbody>c</msgbody></r>"
                             << many0 + "Mesaj 1 : a\r\nMesaj 2 : b\r\nMesaj 3 : c\r\n"
                             << I << "Brenvik";
    QTest::newRow("0 one") << 0 << "<msgbody>  tek\n</msgbody>" << one0 + "  tek\n" << I << "Brenvik";
    QTest::newRow("0 -1") << 0 << "-1"
                          << "Bağlantı hatası! Lütfen internet bağlantınızı kontrol ediniz.\r\nİnternet Bağlantınız "
                             "kapalı ya da bir güvenlik uygulaması internet bağlantınızı kontrol ediyor olabilir."
                          << C << u;
    QTest::newRow("0 05") << 0 << "05" << wrong << C << u;
    QTest::newRow("0 04") << 0 << "04"
                          << "Bağlantı hatası! Lütfen internet bağlantınızı kontrol ediniz.\r\nProxy ya da güvenlik "
                             "duvarı ayarlarınız programın çalışmasına izin vermiyor olabilir."
                          << C << u;
    QTest::newRow("0 08") << 0 << "08" << kNothingSent << I << u;
    QTest::newRow("0 no XML") << 0 << "Merhaba" << stage0 << C << u;
    QTest::newRow("0 no msgbody") << 0 << "<r/>" << stage0 << C << u;
    QTest::newRow("0 failed exchange") << 0 << "<closed>" << stage0 << C << u;
}

void TestFrmRapor::messageText()
{
    QFETCH(int, tab);
    QFETCH(QString, reply);
    QFETCH(QString, text);
    QFETCH(int, icon);
    QFETCH(QString, title);
    ReportWindow r;
    r.logSend("100001", "2024-05-01 10:00:00");
    r.open();
    if (tab == 0) {
        r.gateway.queueReply("11", "5051111111 3\n");
        r.view(0);
    } else {
        r.numberReport("7 01.05.2024 10:00:00\n");
    }
    QCOMPARE(r.w->ReportSet().rowCount(), 1);
    r.fx.prompts.clear();
    if (reply == QLatin1String("<closed>"))
        r.gateway.queueReply("15", FakeReply::closed());
    else
        r.gateway.queueReply("15", reply);
    QTest::mouseClick(tab == 0 ? Control<QPushButton>(r.w, "cmdMsgGoster")
                               : Control<QPushButton>(r.w, "cmdMesajGoster"),
                      Qt::LeftButton);
    QCOMPARE(r.fx.prompts.count(), 1);
    // The number tab's failure box ends with the failure's own description.
    if (tab == 2 && icon == int(PromptIcon::Critical) && text.startsWith(QStringLiteral("Tanımlanamayan")))
        QVERIFY2(r.fx.prompts.last().text.startsWith(text) && r.fx.prompts.last().text.size() > text.size(),
                 qPrintable(r.fx.prompts.last().text));
    else
        QCOMPARE(r.fx.prompts.last().text, text);
    QCOMPARE(int(r.fx.prompts.last().icon), icon);
    QCOMPARE(r.fx.prompts.last().title, title);
    // Nothing stored, the report as it was, the buttons back.
    QCOMPARE(r.w->ReportSet().rowCount(), 1);
    QVERIFY(r.tab2Idle());
    QVERIFY(Control<QPushButton>(r.w, "cmdMsgGoster")->isEnabled());
}

void TestFrmRapor::messageTextRequestBodies()
{
    ReportWindow r(QStringLiteral("Ambrel"));
    r.logSend("4711", "2024-05-01 10:00:00", "Ambrel");
    r.open();
    r.gateway.queueReply("11", "5051111111 3\n5052222222 3\n");
    r.view(0);
    Control<DataGrid>(r.w, "DataGrid2")->setCurrentRow(1);
    r.gateway.clearRequests();
    r.gateway.queueReply("15", "<msgbody>x</msgbody>");
    QTest::mouseClick(Control<QPushButton>(r.w, "cmdMsgGoster"), Qt::LeftButton);
    QCOMPARE(r.gateway.lastBody(), QStringLiteral("<MainReportRoot><UserName>demo</UserName><PassWord>parola</PassWord>"
                                                  "<Action>15</Action><GsmNo>5052222222</GsmNo><MsgID>4711</MsgID>"
                                                  "</MainReportRoot>"));

    r.numberReport("31 a\n32 b\n", "5ab3456789");
    Control<DataGrid>(r.w, "DataGrid4")->setCurrentRow(1);
    r.gateway.clearRequests();
    r.gateway.queueReply("15", "<msgbody>x</msgbody>");
    QTest::mouseClick(Control<QPushButton>(r.w, "cmdMesajGoster"), Qt::LeftButton);
    QCOMPARE(r.gateway.lastBody(), QStringLiteral("<MainReportRoot><UserName>demo</UserName><PassWord>parola</PassWord>"
                                                  "<Action>15</Action><GsmNo>5ab3456789</GsmNo><MsgID>32</MsgID>"
                                                  "</MainReportRoot>"));
}

void TestFrmRapor::requestsLeaveTheWindowRunning_data()
{
    QTest::addColumn<QString>("request");
    QTest::newRow("number report") << "14";
    QTest::newRow("text of a send") << "15";
}

// A slow gateway answer is awaited off the window thread: the window's timers keep firing
// and the answer is shown as from a quick one.
void TestFrmRapor::requestsLeaveTheWindowRunning()
{
    QFETCH(QString, request);
    ReportWindow r;
    r.open();
    r.numberReport("7 01.05.2024 10:00:00\n");
    QCOMPARE(r.w->ReportSet().rowCount(), 1);
    r.fx.prompts.clear();

    int ticksDuringWait = 0;
    QTimer timer;
    timer.setInterval(5);
    connect(&timer, &QTimer::timeout, [&] {
        if (OffThreadWait::runningCount() > 0) ++ticksDuringWait;
    });
    timer.start();
    if (request == QLatin1String("14")) {
        r.gateway.queueReply("14", FakeReply::delayed(400, "8 02.05.2024 11:30:00\n"));
        QTest::mouseClick(Control<QPushButton>(r.w, "cmdRaporGoruntule_3"), Qt::LeftButton);
        QCOMPARE(r.rows(), QStringList{"8|02.05.2024 11:30:00"});
    } else {
        r.gateway.queueReply("15", FakeReply::delayed(400, "<msgbody>Merhaba</msgbody>"));
        QTest::mouseClick(Control<QPushButton>(r.w, "cmdMesajGoster"), Qt::LeftButton);
        QCOMPARE(r.fx.prompts.count(), 1);
        QVERIFY2(r.fx.prompts.last().text.contains(QStringLiteral("Merhaba")), qPrintable(r.fx.prompts.last().text));
    }
    timer.stop();
    QVERIFY2(ticksDuringWait > 5, qPrintable(QString::number(ticksDuringWait)));
    QCOMPARE(OffThreadWait::runningCount(), 0);
    QVERIFY(r.tab2Idle());
}

void TestFrmRapor::messageTextNeedsAReport()
{
    ReportWindow r;
    r.open(2);
    Control<QLineEdit>(r.w, "txtGsmNo")->setText("5321234567");
    QTest::mouseClick(Control<QPushButton>(r.w, "cmdMesajGoster"), Qt::LeftButton);
    Control<QTabWidget>(r.w, "SSTab1")->setCurrentIndex(0);
    QTest::mouseClick(Control<QPushButton>(r.w, "cmdMsgGoster"), Qt::LeftButton);
    QCOMPARE(r.promptTexts(), QStringList({"Önce Rapor Çekmelisiniz", "Önce Rapor Çekmelisiniz"}));
    QCOMPARE(r.gateway.requestCount(), 0);
    // A report on tab 2, then a tab change: empty again.
    r.numberReport("7 a\n");
    Control<QTabWidget>(r.w, "SSTab1")->setCurrentIndex(0);
    r.fx.prompts.clear();
    QTest::mouseClick(Control<QPushButton>(r.w, "cmdMsgGoster"), Qt::LeftButton);
    QCOMPARE(r.promptTexts(), QStringList{"Önce Rapor Çekmelisiniz"});
}

// ---- Exports ------------------------------------------------------------------------------------

namespace {
const QString kExportQuestion = QStringLiteral("Mesaj Raporlarını Excele Kopyalamak İstediğinizden Eminmisiniz");
const QString kNoReport = QStringLiteral("Önce Rapor Çekmelisiniz");

QPushButton *exportButton(frmRapor *w, int tab)
{
    return tab == 0   ? Control<QPushButton>(w, "cmdExceleGonder_1")
           : tab == 1 ? Control<QPushButton>(w, "cmdExceleGonder_2")
                      : Control<QPushButton>(w, "cmdExceleGonder_3");
}

// A report of tab `tab` fetched through the window: five numbers in the states 3, 0, 5, 2, 1.
void fetchFor(ReportWindow &r, int tab)
{
    if (tab == 0) {
        r.logSend("100001", "2024-05-01 10:00:00");
        r.open();
        r.gateway.queueReply("11", statusLines(5));
        r.view(0);
    } else if (tab == 1) {
        r.open(1);
        r.gateway.queueReply("17", statusLines(5, "100001 "));
        r.view(1);
    } else {
        r.open(2);
        r.numberReport("31 01.05.2024 10:00:00\n32 02.05.2024\n33 x y z\n");
    }
}

QStringList sheetTexts(const QString &path)
{
    XlsxReader x;
    if (!x.open(path)) return {"unreadable: " + x.error()};
    QStringList out;
    for (const XlsxSheet &sh : x.sheets())
        for (int row = 0; row < sh.rowCount(); ++row) out << sh.rowTexts(row).join(QLatin1Char('|'));
    return out;
}
} // namespace

void TestFrmRapor::exportTab_data()
{
    QTest::addColumn<int>("tab");
    QTest::addColumn<QString>("option");
    QTest::addColumn<bool>("onlyDelivered"); // tabs 0/1: only "İletildi" ticked
    QTest::addColumn<bool>("staleCancel");   // a cancel left over from before
    QTest::addColumn<QStringList>("sheet");

    QTest::newRow("tab 0 all") << 0 << "0" << false << false
                               << QStringList{"GsmNo|Durum",           "5300000000|İletildi",
                                              "5300000001|Beklemede",  "5300000002|Zaman Aşımı",
                                              "5300000003|Reddedildi", "5300000004|Beklemede"};
    QTest::newRow("tab 0 delivered") << 0 << "0" << true << false << QStringList{"GsmNo|Durum", "5300000000|İletildi"};
    QTest::newRow("tab 1 not delivered ticked off")
        << 1 << "0" << true << true << QStringList{"GsmNo|Durum", "5300000000|İletildi"};
    QTest::newRow("tab 2") << 2 << "0" << false << false
                           << QStringList{"MSGID|Tarih", "31|01.05.2024 10:00:00", "32|02.05.2024", "33|x y z"};
    QTest::newRow("tab 2 with names, stale cancel")
        << 2 << "1" << false << true
        << QStringList{"MSGID|Tarih", "31|01.05.2024 10:00:00", "32|02.05.2024", "33|x y z"};
}

void TestFrmRapor::exportTab()
{
    QFETCH(int, tab);
    QFETCH(QString, option);
    QFETCH(bool, onlyDelivered);
    QFETCH(bool, staleCancel);
    QFETCH(QStringList, sheet);
    ReportWindow r(QStringLiteral("Brenvik"), option);
    fetchFor(r, tab);
    if (onlyDelivered) {
        const QList<QCheckBox *> b = r.boxes(tab);
        b[0]->setChecked(false);
        b[2]->setChecked(false);
        b[3]->setChecked(false);
    }
    r.fx.prompts.clear();
    FileDialogStub dialog;
    const QString path = r.fx.folder.folder() + "/rapor.xlsx";
    dialog.setNextFileName(path);
    gCancelRequested = staleCancel;
    QTest::mouseClick(exportButton(r.w, tab), Qt::LeftButton);
    gCancelRequested = false;

    QCOMPARE(sheetTexts(path), sheet);
    QCOMPARE(dialog.titles, QStringList{"Save As"});
    QVERIFY(r.fx.prompts.count() >= 1);
    const PromptRecord &q = r.fx.prompts.records().first();
    QCOMPARE(q.text, kExportQuestion);
    QCOMPARE(q.icon, PromptIcon::Question);
    QCOMPARE(q.buttons, PromptButtons::YesNo);
    QCOMPARE(q.title, QStringLiteral("Uyarı"));
    if (tab == 2) {
        // The date texts stay texts.
        XlsxReader x;
        QVERIFY(x.open(path));
        QCOMPARE(x.sheet(0).cell(1, 1).kind, XlsxCell::Text);
    }
    // The report is emptied afterwards; a second click finds nothing to export.
    QCOMPARE(r.w->ReportSet().totalRowCount(), 0);
    r.fx.prompts.clear();
    QTest::mouseClick(exportButton(r.w, tab), Qt::LeftButton);
    QCOMPARE(r.promptTexts(), QStringList{kNoReport});
    QVERIFY(Control<QTabWidget>(r.w, "SSTab1")->tabBar()->isEnabled());
    QVERIFY(exportButton(r.w, tab)->isEnabled());
    QVERIFY(!frmBekle::isLoaded());
}

void TestFrmRapor::exportChecks()
{
    ReportWindow r;
    r.open();
    FileDialogStub dialog;
    for (int tab = 0; tab < 3; ++tab) {
        Control<QTabWidget>(r.w, "SSTab1")->setCurrentIndex(tab);
        QTest::mouseClick(exportButton(r.w, tab), Qt::LeftButton);
    }
    QCOMPARE(r.promptTexts(), QStringList({kNoReport, kNoReport, kNoReport}));
    QCOMPARE(r.fx.prompts.last().icon, PromptIcon::Information);

    // Tab 1's own boxes decide, whatever tab 0's show.
    const QString noState = QStringLiteral("Lütfen Excel dosyası olarak kaydetmek istediğiniz durum bilgilerini seçin");
    for (int tab = 0; tab < 2; ++tab) {
        ReportWindow t;
        fetchFor(t, tab);
        for (QCheckBox *c : t.boxes(tab)) c->setChecked(false);
        for (QCheckBox *c : t.boxes(1 - tab)) c->setChecked(true);
        Control<ReportDataControl>(t.w, "rsKopuk1")->setFilterText(QString()); // rows visible, yet no box ticked
        t.fx.prompts.clear();
        FileDialogStub d;
        QTest::mouseClick(exportButton(t.w, tab), Qt::LeftButton);
        QCOMPARE(t.promptTexts(), QStringList{noState});
        QCOMPARE(t.fx.prompts.last().title, QStringLiteral("Talvane"));
        QCOMPARE(t.fx.prompts.last().icon, PromptIcon::Information);
        QVERIFY(d.titles.isEmpty());
    }
    QVERIFY(dialog.titles.isEmpty());
}

void TestFrmRapor::exportStopsWithoutFile_data()
{
    QTest::addColumn<bool>("answerNo");
    QTest::newRow("No") << true;
    QTest::newRow("dialog cancelled") << false;
}

void TestFrmRapor::exportStopsWithoutFile()
{
    QFETCH(bool, answerNo);
    ReportWindow r;
    fetchFor(r, 0);
    FileDialogStub dialog;
    if (answerNo)
        r.fx.prompts.setNextAnswer(PromptAnswer::No);
    else
        dialog.setNextFileName(QString());
    r.fx.prompts.clear();
    QTest::mouseClick(Control<QPushButton>(r.w, "cmdExceleGonder_1"), Qt::LeftButton);
    QCOMPARE(r.promptTexts(), QStringList{kExportQuestion});
    QCOMPARE(dialog.titles.size(), answerNo ? 0 : 1);
    QCOMPARE(r.w->ReportSet().rowCount(), 5);
    QVERIFY(QDir(r.fx.folder.folder()).entryList({"*.xlsx"}).isEmpty());
    QVERIFY(Control<QPushButton>(r.w, "cmdExceleGonder_1")->isEnabled());
}

void TestFrmRapor::exportUnwritablePath()
{
    ReportWindow r;
    fetchFor(r, 1);
    FileDialogStub dialog;
    dialog.setNextFileName(r.fx.folder.folder() + "/yok/klasör/rapor.xlsx");
    r.fx.prompts.clear();
    QTest::mouseClick(Control<QPushButton>(r.w, "cmdExceleGonder_2"), Qt::LeftButton);
    // The spreadsheet export's own failure box, then the report is emptied all the same.
    QCOMPARE(r.fx.prompts.count(), 2);
    QCOMPARE(r.fx.prompts.last().icon, PromptIcon::Critical);
    QVERIFY(r.fx.prompts.last().text.contains(QStringLiteral("oluşturulamadı")));
    QCOMPARE(r.w->ReportSet().totalRowCount(), 0);
    QVERIFY(!frmBekle::isLoaded());
}

void TestFrmRapor::exportTwoSheets()
{
    ReportWindow r;
    r.open(2);
    QString reply;
    for (int i = 0; i < 65536; ++i) reply += QString::number(i) + QStringLiteral(" t\n");
    r.numberReport(reply);
    QCOMPARE(r.w->ReportSet().rowCount(), 65536);
    FileDialogStub dialog;
    const QString path = r.fx.folder.folder() + "/iki.xlsx";
    dialog.setNextFileName(path);
    QTest::mouseClick(Control<QPushButton>(r.w, "cmdExceleGonder_3"), Qt::LeftButton);
    XlsxReader x;
    QVERIFY(x.open(path));
    QCOMPARE(x.sheetNames(), QStringList({"Sayfa1", "Sayfa2"}));
    QCOMPARE(x.sheet(0).rowCount(), 65536);
    QCOMPARE(x.sheet(1).rowTexts(0), QStringList({"MSGID", "Tarih"}));
    QCOMPARE(x.sheet(1).rowTexts(1), QStringList({"65535", "t"}));
}

void TestFrmRapor::exportCancelDuringCopy()
{
    ReportWindow r;
    r.open();
    r.w->CreateFields1();
    for (int i = 0; i < 400000; ++i)
        Control<ReportDataControl>(r.w, "rsKopuk1")->append({QString::number(5300000000LL + i), "İletildi"});
    Control<ReportDataControl>(r.w, "rsKopuk1")->catchUp();
    FileDialogStub dialog;
    const QString path = r.fx.folder.folder() + "/iptal.xlsx";
    dialog.setNextFileName(path);
    bool pressed = false;
    whenDuringFetch(
        r.w, [&] { return r.w->isFetching(); },
        [&] {
            pressed = !frmBekle::isLoaded();
            QTest::mouseClick(Control<QPushButton>(r.w, "cmdVazgec_1"), Qt::LeftButton);
        });
    QTest::mouseClick(Control<QPushButton>(r.w, "cmdExceleGonder_1"), Qt::LeftButton);
    if (!pressed) QSKIP("the copy ended before its first turn of the event loop");
    QVERIFY(!QFileInfo::exists(path));
    QCOMPARE(r.w->ReportSet().totalRowCount(), 0);
    QCOMPARE(Control<QPushButton>(r.w, "cmdVazgec_1")->text(), QStringLiteral("Kapat"));
    gCancelRequested = false;
}

QTEST_MAIN(TestFrmRapor)
#include "tst_frmrapor.moc"
