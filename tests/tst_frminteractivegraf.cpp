#include "core/AppState.h"
#include "core/LocalDb.h"
#include "interactive/InteractiveInbox.h"
#include "interactive/frmInteractiveGraf.h"
#include "shell/DataGrid.h"
#include "shell/WorkArea.h"
#include "tests/support/Controls.h"
#include "tests/support/Fixtures.h"
#include "tests/support/Recorders.h"
#include "tests/support/XlsxReader.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QChart>
#include <QChartView>
#include <QDateEdit>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QtTest>

namespace {
const QString kPluralQuestion = QStringLiteral("Kayıtları Silmek İstediğinizden Eminmisiniz?");
const QString kSingleQuestion = QStringLiteral("Kaydı Silmek İstediğinizden Eminmisiniz?");

struct Env {
    ProgramFolderFixture db;
    PromptRecorder prompts;
    ShellRecorder shell;
    FileDialogStub files;

    qint64 message(const QString &tarih, const QString &msg, const QString &gsm = QStringLiteral("5321234567"))
    {
        db.exec("INSERT INTO tbl_int_msgbox (tarih, gsmno, msg) VALUES (?,?,?)", {tarih, gsm, msg});
        return db.scalar("SELECT MAX(id) FROM tbl_int_msgbox").toLongLong();
    }
    qint64 count() { return db.scalar("SELECT COUNT(*) FROM tbl_int_msgbox").toLongLong(); }

    frmInteractiveGraf *open()
    {
        auto *w = WorkForms::get<frmInteractiveGraf>();
        w->Form_Load();
        w->show();
        return w;
    }
    ~Env()
    {
        WorkForms::unload<frmInteractiveGraf>();
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    }
};

QString today(const char *time) { return QDate::currentDate().toString("yyyy-MM-dd ") + QLatin1String(time); }

QStringList column(const RecordSet &rs, int c)
{
    QStringList out;
    for (int i = 0; i < rs.rowCount(); ++i) out << rs.value(i, c).toString();
    return out;
}

void click(QPushButton *b) { QTest::mouseClick(b, Qt::LeftButton); }

// What the axis shows under the bars, as plain text ("" for a bar without a name); nothing
// while it shows no names.
QStringList shownNames(frmInteractiveGraf *w)
{
    Control<QTabWidget>(w, "SSTab1")->setCurrentIndex(1);
    QCoreApplication::processEvents();
    auto *axis =
        qobject_cast<QBarCategoryAxis *>(Control<QChartView>(w, "MSChart1")->chart()->axes(Qt::Horizontal).value(0));
    if (!axis || !axis->labelsVisible()) return {};
    QStringList out;
    for (const QString &c : axis->categories()) {
        QTextDocument doc;
        doc.setHtml(c);
        out << doc.toPlainText().remove(QChar(0x200B)).replace(QLatin1Char('\n'), QLatin1Char('|'));
    }
    return out;
}

void selectRows(frmInteractiveGraf *w, const QList<int> &rows)
{
    QTableView *v = Control<DataGrid>(w, "DataGrid1")->view();
    v->clearSelection();
    for (int r : rows)
        v->selectionModel()->select(v->model()->index(r, 1), QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

void filterBy(frmInteractiveGraf *w, QDate from, QDate to, const QString &keyword)
{
    Control<QDateEdit>(w, "DTPicker1")->setDate(from);
    Control<QDateEdit>(w, "DTPicker2")->setDate(to);
    Control<QLineEdit>(w, "Text1")->setText(keyword);
    click(Control<QPushButton>(w, "DMSXpButton4"));
}
} // namespace

class TestFrmInteractiveGraf : public QObject {
    Q_OBJECT
private slots:
    void loadsAllWithBarsPerText();
    void dayBounds_data();
    void dayBounds();
    void keywords_data();
    void keywords();
    void deleteSelectedUnderFilter();
    void deleteGates();
    void deleteAll();
    void filteredExport();
    void failuresAreShown();
    void manyBarsStayOneEach();
    void barNames_data();
    void barNames();
    void barTextUnderTheChart();
};

void TestFrmInteractiveGraf::loadsAllWithBarsPerText()
{
    Env env;
    for (int i = 0; i < 10; ++i) env.message(today("10:00:00"), i % 2 ? "bakiye" : "BAKİYE");
    for (int i = 0; i < 3; ++i) env.message("2025-01-01 10:00:00", "abc");
    env.message("2026-02-01 10:00:00", "yardım");
    frmInteractiveGraf *w = env.open();
    QCOMPARE(env.prompts.count(), 0);
    QCOMPARE(w->windowTitle(), QStringLiteral("İnteraktif SMS - Sorgula ve Grafik"));
    QVERIFY(w->isModal());
    QCOMPARE(Control<QDateEdit>(w, "DTPicker1")->date(), QDate::currentDate());
    QCOMPARE(Control<QDateEdit>(w, "DTPicker2")->date(), QDate::currentDate());
    QCOMPARE(Control<QDateEdit>(w, "DTPicker1")->displayFormat(), QStringLiteral("dd.MM.yyyy"));
    QCOMPARE(Control<DataGrid>(w, "DataGrid1")->view()->selectionMode(), QAbstractItemView::ExtendedSelection);
    // Every message, newest first, whatever the pickers show.
    QCOMPARE(w->rs1().rowCount(), 14);
    QCOMPARE(w->rs1().value(13, kInboxMsg).toString(), QStringLiteral("abc"));
    QVERIFY(Control<DataGrid>(w, "DataGrid1")->view()->isColumnHidden(0));
    QAbstractItemModel *m2 = Control<DataGrid>(w, "DataGrid2")->view()->model();
    QCOMPARE(m2->headerData(0, Qt::Horizontal).toString(), QStringLiteral("Adet"));
    QCOMPARE(m2->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Mesaj"));
    // Counts ordered by the text, one bar per count row in that order, as high as its count.
    QCOMPARE(column(w->rs2(), 0), QStringList({"3", "10", "1"}));
    QCOMPARE(w->BarValues(), QList<qreal>({3, 10, 1}));
    QCOMPARE(w->BarLabels().size(), 3);
    QCOMPARE(w->BarLabels()[0], QStringLiteral("abc"));
    QCOMPARE(w->BarLabels()[1], QStringLiteral("BAKİYE")); // equally frequent: the first stored
    QCOMPARE(w->BarLabels()[2], QStringLiteral("yardım"));
    QVERIFY(w->ChartSeries());
    QCOMPARE(w->ChartSeries()->count(), 1);
    auto *axis =
        qobject_cast<QBarCategoryAxis *>(Control<QChartView>(w, "MSChart1")->chart()->axes(Qt::Horizontal).value(0));
    QVERIFY(axis);
    QCOMPARE(axis->count(), 3);
}

void TestFrmInteractiveGraf::dayBounds_data()
{
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QDate>("to");
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<QList<qreal>>("bars");
    QTest::newRow("5 March") << QDate(2026, 3, 5) << QDate(2026, 3, 5) << QStringList({"gece", "öğle", "ilk"})
                             << QList<qreal>({1, 1, 1});
    QTest::newRow("3 May, not 5 March") << QDate(2026, 5, 3) << QDate(2026, 5, 3) << QStringList({"mayıs"})
                                        << QList<qreal>({1});
    QTest::newRow("both") << QDate(2026, 3, 5) << QDate(2026, 5, 3)
                          << QStringList({"mayıs", "ertesi", "gece", "öğle", "ilk"}) << QList<qreal>({1, 1, 1, 1, 1});
}

void TestFrmInteractiveGraf::dayBounds()
{
    QFETCH(QDate, from);
    QFETCH(QDate, to);
    QFETCH(QStringList, messages);
    QFETCH(QList<qreal>, bars);
    Env env;
    env.message("2026-03-05 00:00:00", "gece yarısı");
    env.message("2026-03-05 00:00:01", "ilk");
    env.message("2026-03-05 12:00:00", "öğle");
    env.message("2026-03-05 23:59:59", "gece");
    env.message("2026-03-06 00:00:00", "ertesi");
    env.message("2026-05-03 12:00:00", "mayıs");
    frmInteractiveGraf *w = env.open();
    filterBy(w, from, to, QString());
    QCOMPARE(column(w->rs1(), kInboxMsg), messages);
    QCOMPARE(w->BarValues(), bars);
    QCOMPARE(env.prompts.count(), 0);
    // The pickers keep their values; "Tüm kayıtlar" shows everything again and keeps them.
    QCOMPARE(Control<QDateEdit>(w, "DTPicker1")->date(), from);
    click(Control<QPushButton>(w, "DMSXpButton2"));
    QCOMPARE(w->rs1().rowCount(), 6);
    QCOMPARE(w->BarValues().size(), 6);
    QCOMPARE(Control<QDateEdit>(w, "DTPicker2")->date(), to);
}

void TestFrmInteractiveGraf::keywords_data()
{
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<QStringList>("messages");
    QTest::newRow("prefix, any case") << "bak" << QStringList({"Bakiye 2", "bakiye 1"});
    QTest::newRow("dot") << "a.b" << QStringList({"a.b"});
    QTest::newRow("apostrophe") << "o'n" << QStringList({"o'nun"});
    QTest::newRow("percent") << "%5" << QStringList({"%50 indirim"});
    QTest::newRow("underscore") << "a_" << QStringList({"a_b"});
    QTest::newRow("none") << "zzz" << QStringList();
    QTest::newRow("Turkish capitals") << "şe" << QStringList({"ŞEKER kampanya", "Şeker"});
    QTest::newRow("Turkish small letters") << "ŞE" << QStringList({"ŞEKER kampanya", "Şeker"});
    QTest::newRow("I is the capital of ı") << "ılı" << QStringList({"ILIK"});
    QTest::newRow("İ is the capital of i") << "inc" << QStringList({"İNCİ"});
}

void TestFrmInteractiveGraf::keywords()
{
    QFETCH(QString, keyword);
    QFETCH(QStringList, messages);
    Env env;
    env.message(today("10:00:00"), "bakiye 1");
    env.message(today("10:00:01"), "Bakiye 2");
    env.message(today("10:00:02"), "a.b");
    env.message(today("10:00:03"), "a/b");
    env.message(today("10:00:04"), "axb");
    env.message(today("10:00:05"), "o'nun");
    env.message(today("10:00:06"), "%50 indirim");
    env.message(today("10:00:07"), "150 indirim");
    env.message(today("10:00:08"), "a_b");
    env.message(today("10:00:09"), "xbakiye");
    env.message(today("10:00:10"), "Şeker");
    env.message(today("10:00:11"), "ŞEKER kampanya");
    env.message(today("10:00:12"), "ILIK");
    env.message(today("10:00:13"), "İNCİ");
    frmInteractiveGraf *w = env.open();
    filterBy(w, QDate::currentDate(), QDate::currentDate(), keyword);
    QCOMPARE(column(w->rs1(), kInboxMsg), messages);
    // The chart counts the same messages.
    qreal total = 0;
    for (qreal v : w->BarValues()) total += v;
    QCOMPARE(int(total), messages.size());
    QCOMPARE(env.prompts.count(), 0);
}

void TestFrmInteractiveGraf::deleteSelectedUnderFilter()
{
    Env env;
    const qint64 old = env.message("2025-06-01 10:00:00", "eski bakiye");
    const qint64 a = env.message(today("09:00:00"), "bakiye a");
    const qint64 other = env.message(today("09:30:00"), "merhaba");
    const qint64 b = env.message(today("10:00:00"), "bakiye b");
    const qint64 c = env.message(today("11:00:00"), "bakiye c");
    env.db.exec("INSERT INTO tbl_int_donus (gelenid, donusmesaj) VALUES (?, 'cevap')", {a});
    frmInteractiveGraf *w = env.open();
    filterBy(w, QDate::currentDate(), QDate::currentDate(), "bakiye");
    QCOMPARE(column(w->rs1(), kInboxMsg), QStringList({"bakiye c", "bakiye b", "bakiye a"}));
    // Rows 0 and 2 of the filtered grid are c and a, not the rows at those places unfiltered.
    selectRows(w, {0, 2});
    env.prompts.setNextAnswer(PromptAnswer::No);
    click(Control<QPushButton>(w, "DMSXpButton3"));
    QCOMPARE(env.prompts.texts(), QStringList({kPluralQuestion}));
    QCOMPARE(env.prompts.last().title, QStringLiteral("Uyarı"));
    QCOMPARE(env.prompts.last().buttons, PromptButtons::YesNo);
    QCOMPARE(env.count(), 5);
    click(Control<QPushButton>(w, "DMSXpButton3"));
    QCOMPARE(env.prompts.last().text, kPluralQuestion);
    QCOMPARE(env.db.scalar("SELECT group_concat(id) FROM (SELECT id FROM tbl_int_msgbox ORDER BY id)").toString(),
             QStringLiteral("%1,%2,%3").arg(old).arg(other).arg(b));
    // The answers stay; the filter is gone and the pickers show today.
    QCOMPARE(env.db.scalar("SELECT COUNT(*) FROM tbl_int_donus").toInt(), 1);
    QCOMPARE(w->rs1().rowCount(), 3);
    QCOMPARE(Control<QDateEdit>(w, "DTPicker1")->date(), QDate::currentDate());
    QCOMPARE(w->BarValues().size(), 3);
    // One row: the singular question.
    env.prompts.clear();
    selectRows(w, {0});
    click(Control<QPushButton>(w, "DMSXpButton3"));
    QCOMPARE(env.prompts.texts(), QStringList({kSingleQuestion}));
    QCOMPARE(env.count(), 2);
    Q_UNUSED(c);
}

void TestFrmInteractiveGraf::deleteGates()
{
    Env env;
    frmInteractiveGraf *w = env.open();
    // An empty inbox: the deletes of rows and the export do nothing and say nothing.
    click(Control<QPushButton>(w, "DMSXpButton3"));
    click(Control<QPushButton>(w, "DMSXpButton5"));
    QCOMPARE(env.prompts.count(), 0);
    QVERIFY(!w->ChartSeries());
    env.message(today("10:00:00"), "a");
    click(Control<QPushButton>(w, "DMSXpButton2"));
    Control<DataGrid>(w, "DataGrid1")->view()->clearSelection();
    click(Control<QPushButton>(w, "DMSXpButton3"));
    QCOMPARE(env.prompts.texts(), QStringList({"Silmek istediğiniz kayıt ya da kayıtları seçiniz"}));
    QCOMPARE(env.prompts.last().icon, PromptIcon::Information);
    QCOMPARE(env.count(), 1);
}

void TestFrmInteractiveGraf::deleteAll()
{
    Env env;
    env.message("2025-01-01 10:00:00", "a");
    const qint64 last = env.message(today("10:00:00"), "b");
    frmInteractiveGraf *w = env.open();
    filterBy(w, QDate(2025, 1, 1), QDate(2025, 1, 1), QString());
    QCOMPARE(w->rs1().rowCount(), 1);
    // No: nothing deleted, but the filter goes and the pickers show today.
    env.prompts.setNextAnswer(PromptAnswer::No);
    click(Control<QPushButton>(w, "DMSXpButton6"));
    QCOMPARE(env.prompts.last().text, QStringLiteral("Kayıtların Tümünü Silmek İstediğinizden Emin misiniz?"));
    QCOMPARE(env.prompts.last().title, QStringLiteral("İnteraktif SMS - Gelen Mesajlar"));
    QCOMPARE(env.count(), 2);
    QCOMPARE(w->rs1().rowCount(), 2);
    QCOMPARE(Control<QDateEdit>(w, "DTPicker1")->date(), QDate::currentDate());
    // Yes: every message, whatever the filter; a message after it gets a new id.
    filterBy(w, QDate(2025, 1, 1), QDate(2025, 1, 1), QString());
    click(Control<QPushButton>(w, "DMSXpButton6"));
    QCOMPARE(env.count(), 0);
    QCOMPARE(w->rs1().rowCount(), 0);
    QVERIFY(!w->ChartSeries());
    QVERIFY(env.message(today("11:00:00"), "c") > last);
    click(Control<QPushButton>(w, "DMSXpButton2"));
    QCOMPARE(w->rs1().rowCount(), 1);
}

void TestFrmInteractiveGraf::filteredExport()
{
    Env env;
    env.message("2025-01-01 10:00:00", "eski");
    const qint64 a = env.message(today("09:00:00"), "bakiye a", "905321234567");
    const qint64 b = env.message(today("10:00:00"), "bakiye b");
    env.message(today("11:00:00"), "merhaba");
    frmInteractiveGraf *w = env.open();
    filterBy(w, QDate::currentDate(), QDate::currentDate(), "bak");
    QTemporaryDir out;
    const QString file = out.filePath("grafik.xlsx");
    // Refused, then cancelled at the file dialog: nothing written.
    env.prompts.setNextAnswer(PromptAnswer::No);
    click(Control<QPushButton>(w, "DMSXpButton5"));
    QCOMPARE(env.prompts.last().text, QStringLiteral("Kayıtları Excel'e Aktarmak İstiyor musunuz?"));
    QCOMPARE(env.prompts.last().title, QStringLiteral("İnteraktif SMS - Veri Aktarma"));
    env.files.setNextFileName(QString());
    click(Control<QPushButton>(w, "DMSXpButton5"));
    QVERIFY(!QFile::exists(file));
    env.files.setNextFileName(file);
    click(Control<QPushButton>(w, "DMSXpButton5"));
    QVERIFY(w->isEnabled());
    XlsxReader reader;
    QVERIFY2(reader.open(file), qPrintable(reader.error()));
    const XlsxSheet &sheet = reader.sheet(0);
    QCOMPARE(sheet.rowTexts(0), QStringList({"id", "tarih", "gsmno", "msg"}));
    QCOMPARE(sheet.rowCount(), 3);
    QCOMPARE(sheet.cell(1, 0).number, double(b));
    QCOMPARE(sheet.cell(2, 0).number, double(a));
    QCOMPARE(sheet.cell(2, 2).text, QStringLiteral("905321234567"));
    QCOMPARE(sheet.cell(2, 3).text, QStringLiteral("bakiye a"));
}

void TestFrmInteractiveGraf::failuresAreShown()
{
    Env env;
    const qint64 a = env.message(today("10:00:00"), "a");
    env.message(today("10:00:01"), "b");
    frmInteractiveGraf *w = env.open();
    env.db.exec(QStringLiteral("CREATE TRIGGER fail_write BEFORE DELETE ON tbl_int_msgbox WHEN OLD.id = %1 "
                               "BEGIN SELECT RAISE(ABORT, 'disk full'); END")
                    .arg(a));
    selectRows(w, {0, 1});
    click(Control<QPushButton>(w, "DMSXpButton3"));
    QCOMPARE(env.prompts.count(), 2);
    QVERIFY(env.prompts.last().text.startsWith(QStringLiteral("Tanımlanamayan bir hata oluştu.\r\n")));
    QVERIFY(env.prompts.last().text.contains(QStringLiteral("disk full")));
    QCOMPARE(env.prompts.last().icon, PromptIcon::Critical);
    QCOMPARE(env.prompts.last().title, QStringLiteral("Uyarı"));
    // All or nothing.
    QCOMPARE(env.count(), 2);
    // An unreadable inbox: the filter says so and the window stays.
    env.db.exec("DROP TRIGGER fail_write");
    env.db.exec("ALTER TABLE tbl_int_msgbox RENAME TO eski_msgbox");
    env.prompts.clear();
    filterBy(w, QDate::currentDate(), QDate::currentDate(), QString());
    QCOMPARE(env.prompts.count(), 1);
    QVERIFY(env.prompts.last().text.startsWith(QStringLiteral("Tanımlanamayan bir hata oluştu.\r\n")));
    QCOMPARE(w->rs1().rowCount(), 2);
    // "Tüm kayıtlar" passes over its failing steps silently.
    env.prompts.clear();
    click(Control<QPushButton>(w, "DMSXpButton2"));
    QCOMPARE(env.prompts.count(), 0);
    QVERIFY(w->isVisible());
}

void TestFrmInteractiveGraf::manyBarsStayOneEach()
{
    Env env;
    env.db.exec("BEGIN");
    for (int i = 0; i < 300; ++i)
        env.db.exec("INSERT INTO tbl_int_msgbox (tarih, gsmno, msg) VALUES (?,?,?)",
                    {today("10:00:00"), "1", QStringLiteral("metin %1").arg(i, 3, 10, QLatin1Char('0'))});
    env.db.exec("COMMIT");
    // An empty text and a Null text are two rows with one look.
    env.message(today("10:00:00"), "");
    env.db.exec("INSERT INTO tbl_int_msgbox (tarih, gsmno, msg) VALUES (?, '1', NULL)", {today("10:00:00")});
    frmInteractiveGraf *w = env.open();
    QCOMPARE(w->rs2().rowCount(), 302);
    QCOMPARE(w->BarValues().size(), 302);
    QCOMPARE(w->BarLabels().size(), 302);
    QCOMPARE(w->BarLabels().last(), QStringLiteral("metin 299"));
    // Two equal labels on a short chart still make two categories.
    filterBy(w, QDate::currentDate(), QDate::currentDate(), QString());
    env.db.exec("DELETE FROM tbl_int_msgbox WHERE msg LIKE 'metin%'");
    click(Control<QPushButton>(w, "DMSXpButton2"));
    QCOMPARE(w->BarValues(), QList<qreal>({1, 1}));
    auto *axis =
        qobject_cast<QBarCategoryAxis *>(Control<QChartView>(w, "MSChart1")->chart()->axes(Qt::Horizontal).value(0));
    QVERIFY(axis);
    QCOMPARE(axis->count(), 2);
}

void TestFrmInteractiveGraf::barNames_data()
{
    QTest::addColumn<QStringList>("texts"); // one message each
    QTest::addColumn<QStringList>("names"); // in the order of the count rows
    QTest::newRow("short texts: whole") << QStringList({"EVET", "hayır", "bilgi"})
                                        << QStringList({"bilgi", "EVET", "hayır"});
    QTest::newRow("wrapped onto lines") << QStringList({"bakiye sorgu", "al", "b", "c", "d", "e"})
                                        << QStringList({"al", "b", "bakiye|sorgu", "c", "d", "e"});
    QTest::newRow("rich text shown as written")
        << QStringList({"<b>a</b>", "a & b"}) << QStringList({"<b>a</b>", "a & b"});
    // A text that would be cut: every bar carries its row number instead.
    QTest::newRow("one text needs too many lines")
        << QStringList({"evet", "hayır", "bilgi", "Kampanya hakkında bilgi almak istiyorum lütfen arayınız"})
        << QStringList({"1", "2", "3", "4"});
    QTest::newRow("a word too wide") << QStringList({"evet", "Hesapbakiyemiöğrenebilirmiyimacaba"})
                                     << QStringList({"1", "2"});
    // Two texts that only their blanks tell apart would look alike.
    QTest::newRow("alike but for blanks") << QStringList({"a b", "a  b"}) << QStringList({"1", "2"});
    QStringList many;
    for (int i = 0; i < 60; ++i) many << QStringLiteral("metin %1").arg(i, 2, 10, QLatin1Char('0'));
    // Not even a number fits a bar: the axis names none (the tip and the line under the chart do).
    QTest::newRow("no room for numbers") << many << QStringList();
}

void TestFrmInteractiveGraf::barNames()
{
    QFETCH(QStringList, texts);
    QFETCH(QStringList, names);
    Env env;
    for (const QString &t : std::as_const(texts)) env.message(today("10:00:00"), t);
    frmInteractiveGraf *w = env.open();
    QCOMPARE(shownNames(w), names);
    QCOMPARE(w->BarValues().size(), texts.size());
}

void TestFrmInteractiveGraf::barTextUnderTheChart()
{
    Env env;
    env.message(today("10:00:00"), "evet");
    env.message(today("10:00:01"), "EVET");
    env.message(today("10:00:02"), "Kampanya hakkında bilgi almak istiyorum");
    frmInteractiveGraf *w = env.open();
    Control<QTabWidget>(w, "SSTab1")->setCurrentIndex(1);
    auto *line = w->findChild<QLabel *>(QStringLiteral("BarText"));
    QVERIFY(line);
    QVERIFY(line->text().isEmpty());
    Control<DataGrid>(w, "DataGrid2")->setCurrentRow(0);
    QCOMPARE(line->text(), QStringLiteral("1. evet : 2"));
    Control<DataGrid>(w, "DataGrid2")->setCurrentRow(1);
    QCOMPARE(line->text(), QStringLiteral("2. Kampanya hakkında bilgi almak istiyorum : 1"));
    QCOMPARE(line->textFormat(), Qt::PlainText);
    // A new chart starts without a chosen bar.
    click(Control<QPushButton>(w, "DMSXpButton2"));
    QVERIFY(line->text().isEmpty());
}

QTEST_MAIN(TestFrmInteractiveGraf)
#include "tst_frminteractivegraf.moc"
