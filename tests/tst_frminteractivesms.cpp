#include "core/AppState.h"
#include "core/ErpQueries.h"
#include "core/InteractiveRules.h"
#include "core/LocalDb.h"
#include "interactive/InteractiveInbox.h"
#include "interactive/frmInteractiveGraf.h"
#include "interactive/frmInteractiveSMS.h"
#include "interactive/frmInteractiveSMSprm.h"
#include "shell/DataGrid.h"
#include "shell/TextBox.h"
#include "shell/WorkArea.h"
#include "shell/frmAna.h"
#include "shell/frmPop.h"
#include "tests/support/Controls.h"
#include "tests/support/ErpStandIn.h"
#include "tests/support/MainWindowFixture.h"
#include "tests/support/XlsxReader.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QTemporaryDir>
#include <QTimer>
#include <QTreeWidget>
#include <QtTest>

#include <functional>
#include <memory>

namespace {
using Row = QVariantList;
const QString kSaved = QStringLiteral("İşlem Başarı İle Kaydedildi");
const QString kDuplicate = QStringLiteral(
    "Bu alan için tanımlama, diğer şirket tanımları ya da oturum açtığınız şirket tanımı için daha önce yapılmış.");
const QString kRuleError = QStringLiteral("Tanımlanamayan hata oluştu. Lütfen sistem yöneticinize başvurun.");
const QString kErpDown =
    QStringLiteral("Orvek® veritabanıyla bağlantı kurulamıyor.\r\nLütfen daha sonra tekrar deneyiniz.");

// The main window over a fresh program folder and a copy of the sample ERP stand-in,
// company 01 signed in.
struct Env {
    MainWindowFixture main;
    QTemporaryDir erpDir;
    FileDialogStub files;
    explicit Env(bool erpUp = true)
    {
        static const ErpSampleCopies sample;
        sample.copyInto(erpDir.path());
        ErpStandIn(erpDir.path()).configure();
        if (!erpUp) gErpServer = QStringLiteral("sqlite:") + erpDir.path() + QStringLiteral("/yok");
        gCompanyCode = QStringLiteral("01");
    }
    ProgramFolderFixture &db() { return main.folder; }
    PromptRecorder &prompts() { return main.prompts; }

    frmInteractiveSMS *open(const char *leaf = "GelenMesaj")
    {
        Control<QTreeWidget>(main.ana(), "TreeView1")->expandAll();
        main.clickNode(QString::fromLatin1(leaf));
        auto *w = WorkForms::find<frmInteractiveSMS>();
        if (w && !QTest::qWaitForWindowExposed(w)) qWarning("interactive window not exposed");
        return w;
    }

    // A message as the automatic program stores it, through its own connection.
    qint64 message(const QString &tarih, const QString &gsm, const QString &msg)
    {
        db().exec("INSERT INTO tbl_int_msgbox (tarih, gsmno, msg) VALUES (?,?,?)", {tarih, gsm, msg});
        return db().scalar("SELECT MAX(id) FROM tbl_int_msgbox").toLongLong();
    }
    void answer(qint64 id, const QString &text)
    {
        db().exec("INSERT INTO tbl_int_donus (gelenid, donusmesaj) VALUES (?,?)", {id, text});
    }
    void rule(const QString &values) { db().exec("INSERT INTO tbl_int_parametre VALUES (" + values + ")"); }
    Row ruleRow(const QString &keyword)
    {
        const auto r = db().rows("SELECT * FROM tbl_int_parametre WHERE parametre = ?", {keyword});
        return r.isEmpty() ? Row() : r.first();
    }
    QList<Row> rules() { return db().rows("SELECT * FROM tbl_int_parametre ORDER BY rowid"); }
};

// A rule row as texts, Null as "NULL".
QStringList cells(const Row &row)
{
    QStringList out;
    for (const QVariant &v : row) out << (v.isNull() ? QStringLiteral("NULL") : v.toString());
    return out;
}

void click(QPushButton *b) { QTest::mouseClick(b, Qt::LeftButton); }

QList<qint64> gridIds(frmInteractiveSMS *w)
{
    QList<qint64> ids;
    for (int i = 0; i < w->rsMsgBox().rowCount(); ++i) ids << w->rsMsgBox().value(i, 0).toLongLong();
    return ids;
}

qint64 selectedId(frmInteractiveSMS *w)
{
    const int row = Control<DataGrid>(w, "DataGrid1")->currentRow();
    return row < 0 ? -1 : w->rsMsgBox().value(row, 0).toLongLong();
}

QStringList listTexts(QListWidget *list)
{
    QStringList out;
    for (int i = 0; i < list->count(); ++i) out << list->item(i)->text();
    return out;
}

QStringList comboTexts(QComboBox *c)
{
    QStringList out;
    for (int i = 0; i < c->count(); ++i) out << c->itemText(i);
    return out;
}

QStringList menuCaptions()
{
    QStringList out;
    for (QAction *a : frmPop::instance()->AltmnuAry()) out << a->text();
    return out;
}

void pickKind(frmInteractiveSMS *w, const QString &kind)
{
    const int i = Control<QComboBox>(w, "Combo1")->findText(kind);
    QVERIFY(i >= 0);
    Control<QComboBox>(w, "Combo1")->setCurrentIndex(i);
    emit Control<QComboBox>(w, "Combo1")->activated(i);
}

void selectRule(frmInteractiveSMS *w, const QString &keyword)
{
    const auto items = Control<QListWidget>(w, "List1")->findItems(keyword, Qt::MatchExactly);
    QVERIFY(!items.isEmpty());
    Control<QListWidget>(w, "List1")->setCurrentItem(items.first());
}

bool locked(frmInteractiveSMS *w)
{
    const bool listSide =
        Control<QListWidget>(w, "List1")->isEnabled() && Control<QPushButton>(w, "DMSXpButton1")->isEnabled() &&
        Control<QPushButton>(w, "DMSXpButton4")->isEnabled() && Control<QPushButton>(w, "DMSXpButton2")->isEnabled();
    bool fields = false;
    for (QWidget *c : std::initializer_list<QWidget *>{
             Control<QRadioButton>(w, "Option2"), Control<QRadioButton>(w, "Option5"), Control<QComboBox>(w, "Combo1"),
             Control<QComboBox>(w, "Combo2"), Control<QComboBox>(w, "Combo3"), Control<QPlainTextEdit>(w, "Text5"),
             Control<QCheckBox>(w, "Check1"), Control<QPlainTextEdit>(w, "Text4"),
             Control<QPushButton>(w, "DMSXpButton5")})
        fields = fields || c->isEnabled();
    return listSide && !fields && Control<QPushButton>(w, "DMSXpButton7")->text() == QStringLiteral("Değiştir");
}

bool editing(frmInteractiveSMS *w)
{
    const bool listSide =
        Control<QListWidget>(w, "List1")->isEnabled() || Control<QPushButton>(w, "DMSXpButton1")->isEnabled() ||
        Control<QPushButton>(w, "DMSXpButton4")->isEnabled() || Control<QPushButton>(w, "DMSXpButton2")->isEnabled();
    bool fields = true;
    for (QWidget *c : std::initializer_list<QWidget *>{
             Control<QRadioButton>(w, "Option2"), Control<QRadioButton>(w, "Option5"), Control<QComboBox>(w, "Combo1"),
             Control<QComboBox>(w, "Combo2"), Control<QComboBox>(w, "Combo3"), Control<QPlainTextEdit>(w, "Text5"),
             Control<QCheckBox>(w, "Check1"), Control<QPlainTextEdit>(w, "Text4"),
             Control<QPushButton>(w, "DMSXpButton5")})
        fields = fields && c->isEnabled();
    return !listSide && fields && Control<QPushButton>(w, "DMSXpButton7")->text() == QStringLiteral("Kaydet") &&
           Control<QPushButton>(w, "DMSXpButton7")->isEnabled();
}

// Runs `step` on the keyword dialog once "Yeni" has shown it.
void onKeywordDialog(std::function<void(frmInteractiveSMSprm *)> step)
{
    QTimer::singleShot(0, [step] {
        auto *d = qobject_cast<frmInteractiveSMSprm *>(QApplication::activeModalWidget());
        if (!d) {
            qWarning("no keyword dialog");
            if (QWidget *m = QApplication::activeModalWidget()) m->close();
            return;
        }
        step(d);
    });
}

void addRule(frmInteractiveSMS *w, const QString &typed)
{
    onKeywordDialog([typed](frmInteractiveSMSprm *d) {
        QTest::keyClicks(Control<QLineEdit>(d, "Text1"), typed);
        QTest::mouseClick(Control<QPushButton>(d, "DMSXpButton1"), Qt::LeftButton);
    });
    click(Control<QPushButton>(w, "DMSXpButton1"));
}

// Sends text as the operator's typing does: every character a key event carrying it.
void typeText(QWidget *box, const QString &text)
{
    box->setFocus();
    for (const QChar c : text) QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
}
} // namespace

class TestFrmInteractiveSMS : public QObject {
    Q_OBJECT
private slots:
    void opensOnInboxWithSelectedMessage();
    void refreshKeepsTheMessage_data();
    void refreshKeepsTheMessage();
    void newMessagesKeepColumnsFitted_data();
    void newMessagesKeepColumnsFitted();
    void answerModeShown_data();
    void answerModeShown();
    void answerModeSaved_data();
    void answerModeSaved();
    void failingSaveShowsAndKeepsCaption();
    void answerBoxesTakeNoEnterAndAtMost160();
    void exportGatesAndFile();
    void newRule_data();
    void newRule();
    void keywordDialogKeysAndPaste();
    void editAndSave();
    void savingSharedAndOwnRules();
    void editorStartsFromNewRuleValues();
    void failedSaveReloadsRule();
    void deleteRule();
    void erpDownDisablesWindow();
    void chartWindowOpensModally();
};

void TestFrmInteractiveSMS::opensOnInboxWithSelectedMessage()
{
    Env env;
    const qint64 a = env.message("2026-03-05 09:15:30", "905321234567", "BAKIYE 120.001");
    const qint64 b = env.message("2026-03-06 10:00:00", "5051112233", "bilgi");
    env.answer(b, "ilk cevap");
    env.answer(b, "ikinci cevap");
    frmInteractiveSMS *w = env.open();
    QVERIFY(w);
    QCOMPARE(Control<QTabWidget>(w, "SSTab1")->currentIndex(), 0);
    QCOMPARE(env.prompts().count(), 0);
    QCOMPARE(gridIds(w), QList<qint64>({b, a}));
    QTableView *view = Control<DataGrid>(w, "DataGrid1")->view();
    QVERIFY(view->isColumnHidden(0));
    QAbstractItemModel *m = view->model();
    QCOMPARE(m->headerData(1, Qt::Horizontal).toString(), QStringLiteral("Tarih"));
    QCOMPARE(m->headerData(2, Qt::Horizontal).toString(), QStringLiteral("GsmNo"));
    QCOMPARE(m->headerData(3, Qt::Horizontal).toString(), QStringLiteral("Mesaj"));
    QCOMPARE(m->data(m->index(1, 1)).toString(), QStringLiteral("05.03.2026 09:15:30"));
    QVERIFY(w->rsMsgBox().value(0, 1).typeId() == QMetaType::QDateTime);
    QVERIFY(view->editTriggers() == QAbstractItemView::NoEditTriggers);
    // The newest message is the current one, with the first answer sent to it.
    QCOMPARE(selectedId(w), b);
    QCOMPARE(TextBoxText(Control<QPlainTextEdit>(w, "Text3")), QStringLiteral("bilgi"));
    QCOMPARE(TextBoxText(Control<QPlainTextEdit>(w, "Text1")), QStringLiteral("ilk cevap"));
    // Another row: its text, and no answer empties the answer box.
    Control<DataGrid>(w, "DataGrid1")->setCurrentRow(1);
    QCOMPARE(TextBoxText(Control<QPlainTextEdit>(w, "Text3")), QStringLiteral("BAKIYE 120.001"));
    QCOMPARE(TextBoxText(Control<QPlainTextEdit>(w, "Text1")), QString());
    QVERIFY(Control<QTimer>(w, "Timer1")->isActive());
    QCOMPARE(Control<QTimer>(w, "Timer1")->interval(), 6000);
    // The rule editor: its list with the default rule shown, locked.
    QCOMPARE(listTexts(Control<QListWidget>(w, "List1")), QStringList({"noprm"}));
    QCOMPARE(w->List1Tag(), QStringLiteral("noprm"));
    QVERIFY(locked(w));
    QCOMPARE(comboTexts(Control<QComboBox>(w, "Combo1")),
             QStringList({"BakiyeMesaj", "YetkiliMesaj", "ChkMesaj", "GrupMesaj"}));
    QCOMPARE(comboTexts(Control<QComboBox>(w, "Combo2")), ErpColumnNames("BakiyeMesaj"));
    QCOMPARE(comboTexts(Control<QComboBox>(w, "Combo3")), QStringList({"Metin", "Sayı"}));
    QCOMPARE(menuCaptions(), ErpColumnNames("BakiyeMesaj"));
}

void TestFrmInteractiveSMS::refreshKeepsTheMessage_data()
{
    QTest::addColumn<QString>("change");
    QTest::newRow("new messages") << "new";
    QTest::newRow("selected message deleted") << "deleteSelected";
    QTest::newRow("other message deleted") << "deleteOther";
    QTest::newRow("inbox emptied") << "deleteAll";
    QTest::newRow("answer arrives") << "answer";
    QTest::newRow("older stamp") << "older";
}

void TestFrmInteractiveSMS::refreshKeepsTheMessage()
{
    QFETCH(QString, change);
    Env env;
    const qint64 a = env.message("2026-03-05 09:00:00", "1", "birinci");
    const qint64 b = env.message("2026-03-05 10:00:00", "2", "ikinci");
    const qint64 c = env.message("2026-03-05 11:00:00", "3", "üçüncü");
    env.answer(b, "b'ye cevap");
    frmInteractiveSMS *w = env.open();
    Control<DataGrid>(w, "DataGrid1")->setCurrentRow(1); // b
    QCOMPARE(selectedId(w), b);
    QCOMPARE(TextBoxText(Control<QPlainTextEdit>(w, "Text1")), QStringLiteral("b'ye cevap"));

    qint64 expected = b;
    QString text = QStringLiteral("ikinci"), answer = QStringLiteral("b'ye cevap");
    if (change == "new") {
        env.message("2026-03-05 12:00:00", "4", "dördüncü");
        env.message("2026-03-05 12:00:01", "5", "beşinci");
    } else if (change == "deleteSelected") {
        env.db().exec("DELETE FROM tbl_int_msgbox WHERE id = ?", {b});
        expected = c;
        text = QStringLiteral("üçüncü");
        answer.clear();
    } else if (change == "deleteOther") {
        env.db().exec("DELETE FROM tbl_int_msgbox WHERE id = ?", {c});
    } else if (change == "deleteAll") {
        env.db().exec("DELETE FROM tbl_int_msgbox");
        expected = -1;
    } else if (change == "answer") {
        env.db().exec("DELETE FROM tbl_int_donus");
        env.answer(b, "geç gelen cevap");
        answer = QStringLiteral("geç gelen cevap");
    } else if (change == "older") {
        env.message("2026-03-01 08:00:00", "6", "eski damga");
    }
    w->Timer1_Timer();
    QCOMPARE(gridIds(w).size(), int(env.db().scalar("SELECT COUNT(*) FROM tbl_int_msgbox").toInt()));
    QList<qint64> stored;
    for (const Row &r : env.db().rows("SELECT id FROM tbl_int_msgbox ORDER BY tarih DESC, id DESC"))
        stored << r[0].toLongLong();
    QCOMPARE(gridIds(w), stored);
    QCOMPARE(selectedId(w), expected);
    // The boxes show the selected message; an empty inbox leaves them as they were.
    QCOMPARE(TextBoxText(Control<QPlainTextEdit>(w, "Text3")), text);
    QCOMPARE(TextBoxText(Control<QPlainTextEdit>(w, "Text1")), answer);
    QCOMPARE(env.prompts().count(), 0);
    Q_UNUSED(a);
}

void TestFrmInteractiveSMS::newMessagesKeepColumnsFitted_data()
{
    QTest::addColumn<QString>("gsm");
    QTest::addColumn<QString>("msg");
    QTest::addColumn<bool>("wider");
    QTest::newRow("fits") << "4"
                          << "kısa" << false;
    QTest::newRow("long text") << "4" << QString("BAKIYE hesabımın son durumunu öğrenmek istiyorum ").repeated(3)
                               << true;
    QTest::newRow("long number") << "+90 532 123 45 67 / dahili 1234567890"
                                 << "kısa" << true;
}

void TestFrmInteractiveSMS::newMessagesKeepColumnsFitted()
{
    QFETCH(QString, gsm);
    QFETCH(QString, msg);
    QFETCH(bool, wider);
    Env env;
    env.message("2026-03-05 09:00:00", "1", "birinci");
    env.message("2026-03-05 10:00:00", "2", "ikinci");
    frmInteractiveSMS *w = env.open();
    auto *grid = w->findChild<DataGrid *>("DataGrid1");
    QVERIFY(grid);
    const auto widths = [grid] {
        QList<int> out;
        for (int c = kInboxTarih; c <= kInboxMsg; ++c) out << grid->view()->columnWidth(c);
        return out;
    };
    const QList<int> before = widths();
    const qint64 id = env.message("2026-03-05 11:00:00", gsm, msg);
    w->Timer1_Timer();
    QCOMPARE(gridIds(w).value(0), id);
    // The widths after the new rows are the ones a whole new fit gives.
    const QList<int> after = widths();
    grid->fitColumns();
    QCOMPARE(after, widths());
    QCOMPARE(after != before, wider);
}

void TestFrmInteractiveSMS::answerModeShown_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("checked");
    QTest::addColumn<QString>("text");
    QTest::newRow("0 none") << "0"
                            << "Option4"
                            << "";
    QTest::newRow("1 one text") << "1"
                                << "Option1"
                                << "Mesajınız alındı, teşekkürler";
    QTest::newRow("2 rules") << "2"
                             << "Option3"
                             << "Mesajınız alındı, teşekkürler";
    QTest::newRow("5 unknown") << "5"
                               << ""
                               << "Mesajınız alındı, teşekkürler";
    QTest::newRow("empty") << ""
                           << ""
                           << "Mesajınız alındı, teşekkürler";
}

void TestFrmInteractiveSMS::answerModeShown()
{
    QFETCH(QString, mode);
    QFETCH(QString, checked);
    QFETCH(QString, text);
    Env env;
    env.db().exec("UPDATE tbl_param SET deger = ? WHERE parametre = 'IntDonusTip'", {mode});
    env.db().exec("UPDATE tbl_param SET deger = 'Mesajınız alındı, teşekkürler' WHERE parametre = 'Int1Mesaj'");
    frmInteractiveSMS *w = env.open("GeriDonus");
    QCOMPARE(Control<QTabWidget>(w, "SSTab1")->currentIndex(), 1);
    QCOMPARE(Control<QRadioButton>(w, "Option1")->isChecked(), checked == "Option1");
    QCOMPARE(Control<QRadioButton>(w, "Option3")->isChecked(), checked == "Option3");
    QCOMPARE(Control<QRadioButton>(w, "Option4")->isChecked(), checked == "Option4");
    QCOMPARE(TextBoxText(Control<QPlainTextEdit>(w, "Text2")), text);
}

void TestFrmInteractiveSMS::answerModeSaved_data()
{
    QTest::addColumn<QString>("option");
    QTest::addColumn<QString>("mode");
    QTest::newRow("none keeps the text too") << "Option4"
                                             << "0";
    QTest::newRow("one text") << "Option1"
                              << "1";
    QTest::newRow("rules") << "Option3"
                           << "2";
    QTest::newRow("nothing chosen") << ""
                                    << "0";
}

void TestFrmInteractiveSMS::answerModeSaved()
{
    QFETCH(QString, option);
    QFETCH(QString, mode);
    Env env;
    env.db().exec("UPDATE tbl_param SET deger = '7' WHERE parametre = 'IntDonusTip'");
    frmInteractiveSMS *w = env.open("GeriDonus");
    if (!option.isEmpty()) w->findChild<QRadioButton *>(option)->click();
    SetTextBoxText(Control<QPlainTextEdit>(w, "Text2"),
                   QStringLiteral("Sayın müşterimiz, 'talebiniz' alındı\r\nİyi günler"));
    QCOMPARE(Control<QPushButton>(w, "DMSXpButton3")->text(), QStringLiteral("Vazgeç"));
    click(Control<QPushButton>(w, "DMSXpButton2"));
    QCOMPARE(env.prompts().texts(), QStringList({kSaved}));
    QCOMPARE(env.prompts().last().icon, PromptIcon::Information);
    QCOMPARE(env.prompts().last().title, QStringLiteral("Uyarı"));
    QCOMPARE(Control<QPushButton>(w, "DMSXpButton3")->text(), QStringLiteral("Kapat"));
    QCOMPARE(env.db().scalar("SELECT deger FROM tbl_param WHERE parametre = 'IntDonusTip'").toString(), mode);
    QCOMPARE(env.db().scalar("SELECT deger FROM tbl_param WHERE parametre = 'Int1Mesaj'").toString(),
             QStringLiteral("Sayın müşterimiz, 'talebiniz' alındı\r\nİyi günler"));
}

void TestFrmInteractiveSMS::failingSaveShowsAndKeepsCaption()
{
    Env env;
    frmInteractiveSMS *w = env.open("GeriDonus");
    env.db().exec("CREATE TRIGGER fail_write BEFORE UPDATE ON tbl_param WHEN NEW.parametre = 'Int1Mesaj' "
                  "BEGIN SELECT RAISE(ABORT, 'disk full'); END");
    Control<QRadioButton>(w, "Option1")->click();
    SetTextBoxText(Control<QPlainTextEdit>(w, "Text2"), QStringLiteral("tek cevap"));
    click(Control<QPushButton>(w, "DMSXpButton2"));
    QCOMPARE(env.prompts().count(), 1);
    QVERIFY(env.prompts().last().text.startsWith(QStringLiteral("Tanımlanamayan bir hata oluştu.\r\n")));
    QVERIFY(env.prompts().last().text.contains(QStringLiteral("disk full")));
    QCOMPARE(env.prompts().last().icon, PromptIcon::Critical);
    QCOMPARE(env.prompts().last().title, QStringLiteral("Uyarı"));
    QCOMPARE(Control<QPushButton>(w, "DMSXpButton3")->text(), QStringLiteral("Vazgeç"));
    // Neither value was written.
    QCOMPARE(env.db().scalar("SELECT deger FROM tbl_param WHERE parametre = 'IntDonusTip'").toString(),
             QStringLiteral("0"));
}

void TestFrmInteractiveSMS::answerBoxesTakeNoEnterAndAtMost160()
{
    Env env;
    frmInteractiveSMS *w = env.open("GeriDonus");
    click(Control<QPushButton>(w, "DMSXpButton7")); // editing: the rule's boxes take input
    for (QPlainTextEdit *box : {Control<QPlainTextEdit>(w, "Text2"), Control<QPlainTextEdit>(w, "Text5"),
                                Control<QPlainTextEdit>(w, "Text4")}) {
        box->setFocus();
        QTest::keyClicks(box, QStringLiteral("ab"));
        QTest::keyClick(box, Qt::Key_Return);
        QTest::keyClick(box, Qt::Key_Enter);
        QTest::keyClicks(box, QStringLiteral("cd"));
        QCOMPARE(TextBoxText(box), QStringLiteral("abcd"));
        // A paste over the limit is cut at 160 (a line break counts two).
        QApplication::clipboard()->setText(QString(100, QLatin1Char('x')) + QStringLiteral("\n") +
                                           QString(100, QLatin1Char('y')));
        box->paste();
        QCOMPARE(TextBoxText(box).size(), 160);
        QVERIFY(TextBoxText(box).startsWith(QStringLiteral("abcd") + QString(100, QLatin1Char('x')) +
                                            QStringLiteral("\r\n")));
    }
}

void TestFrmInteractiveSMS::exportGatesAndFile()
{
    Env env;
    frmInteractiveSMS *w = env.open();
    QTemporaryDir out;
    const QString file = out.filePath("gelen.xlsx");
    // Empty inbox.
    click(Control<QPushButton>(w, "DMSXpButton6"));
    QCOMPARE(env.prompts().texts(), QStringList({"İnteraktif SMS hesabınıza gelen bir mesaj yok."}));
    QCOMPARE(env.prompts().last().icon, PromptIcon::Information);
    env.prompts().clear();

    const qint64 a = env.message("2026-03-05 09:15:30", "905321234567", "bakiye");
    const qint64 b = env.message("2026-03-06 10:00:00", "5051112233", "bilgi 'x'");
    w->Timer1_Timer();
    // Refused at the question, then at the file dialog: nothing is written.
    env.prompts().setNextAnswer(PromptAnswer::No);
    click(Control<QPushButton>(w, "DMSXpButton6"));
    QCOMPARE(env.prompts().last().text,
             QStringLiteral("Mesaj raporlarını Excel'e kopyalamak istediğinizden emin misiniz?"));
    QCOMPARE(env.prompts().last().buttons, PromptButtons::YesNo);
    QCOMPARE(env.prompts().last().title, QStringLiteral("Uyarı"));
    env.files.setNextFileName(QString());
    click(Control<QPushButton>(w, "DMSXpButton6"));
    QVERIFY(!QFile::exists(file));

    env.prompts().clear();
    env.files.setNextFileName(file);
    // While the export yields, neither a second export nor the query window can start.
    QList<bool> startsEnabled;
    QTimer during;
    during.setInterval(0);
    connect(&during, &QTimer::timeout, [&] {
        if (startsEnabled.isEmpty())
            startsEnabled << Control<QPushButton>(w, "DMSXpButton6")->isEnabled()
                          << Control<QPushButton>(w, "DMSXpButton8")->isEnabled();
    });
    during.start();
    click(Control<QPushButton>(w, "DMSXpButton6"));
    during.stop();
    QCOMPARE(startsEnabled, QList<bool>({false, false}));
    QVERIFY(Control<QPushButton>(w, "DMSXpButton6")->isEnabled() &&
            Control<QPushButton>(w, "DMSXpButton8")->isEnabled());
    QCOMPARE(env.prompts().count(), 2); // the question and the completion box
    QCOMPARE(w->ExportColumns(), QStringList({"id", "tarih", "gsmno", "msg"}));
    XlsxReader reader;
    QVERIFY2(reader.open(file), qPrintable(reader.error()));
    const XlsxSheet &sheet = reader.sheet(0);
    QCOMPARE(sheet.rowTexts(0), QStringList({"id", "tarih", "gsmno", "msg"}));
    QCOMPARE(sheet.rowCount(), 3);
    QCOMPARE(sheet.cell(1, 0).number, double(b));
    QCOMPARE(sheet.cell(2, 0).number, double(a));
    QVERIFY(sheet.cell(1, 1).isDate());
    QCOMPARE(XlsxReader::dateText(sheet.cell(1, 1).number, "dd.MM.yyyy HH:mm:ss"),
             QStringLiteral("06.03.2026 10:00:00"));
    QCOMPARE(sheet.cell(1, 2).text, QStringLiteral("5051112233"));
    QCOMPARE(sheet.cell(1, 3).text, QStringLiteral("bilgi 'x'"));
}

void TestFrmInteractiveSMS::newRule_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("keyword");
    QTest::addColumn<bool>("inserted");
    QTest::addColumn<QString>("shown"); // the rule selected afterwards
    QTest::newRow("new, lower case") << "abc1"
                                     << "ABC1" << true << "ABC1";
    QTest::newRow("other company's") << "sube"
                                     << "SUBE" << false << "MERKEZ";
    QTest::newRow("own, shown after the message") << "noprm"
                                                  << "NOPRM" << false << "MERKEZ";
    QTest::newRow("own rule") << "merkez"
                              << "MERKEZ" << false << "MERKEZ";
    QTest::newRow("i becomes I") << "bilgi"
                                 << "BILGI" << true << "BILGI";
}

void TestFrmInteractiveSMS::newRule()
{
    QFETCH(QString, typed);
    QFETCH(QString, keyword);
    QFETCH(bool, inserted);
    QFETCH(QString, shown);
    Env env;
    env.rule("'SUBE','1','GrupMesaj','GrupKod','Metin','a','1','b','02'");
    env.rule("'MERKEZ','1','ChkMesaj','Kod1','Sayı','Sayın [##Unvan1##]','1','yok','01'");
    frmInteractiveSMS *w = env.open("GeriDonus");
    selectRule(w, "MERKEZ");
    const QList<Row> before = env.rules();
    addRule(w, typed);
    QCOMPARE(w->NewKeyword, keyword);
    if (!inserted) {
        QCOMPARE(env.prompts().texts(), QStringList({kDuplicate}));
        QCOMPARE(env.prompts().last().icon, PromptIcon::Information);
        QCOMPARE(env.prompts().last().title, QStringLiteral("Uyarı"));
        QCOMPARE(env.rules(), before);
    } else {
        QCOMPARE(env.prompts().count(), 0);
        QCOMPARE(cells(env.ruleRow(keyword)),
                 QStringList({keyword, "0", "BakiyeMesaj", "", "Metin", "NULL", "0", "NULL", "01"}));
        QCOMPARE(listTexts(Control<QListWidget>(w, "List1")), QStringList({"noprm", "MERKEZ", keyword}));
    }
    QCOMPARE(Control<QListWidget>(w, "List1")->currentItem()->text(), shown);
    QCOMPARE(w->List1Tag(), shown);
    QVERIFY(locked(w));
    if (inserted) {
        QVERIFY(Control<QRadioButton>(w, "Option2")->isChecked());
        QCOMPARE(Control<QComboBox>(w, "Combo1")->currentText(), QStringLiteral("BakiyeMesaj"));
        QCOMPARE(comboTexts(Control<QComboBox>(w, "Combo2")), ErpColumnNames("BakiyeMesaj"));
        QCOMPARE(Control<QComboBox>(w, "Combo2")->currentText(), QStringLiteral("HesapKodu"));
        QCOMPARE(Control<QComboBox>(w, "Combo3")->currentText(), QStringLiteral("Metin"));
        QCOMPARE(TextBoxText(Control<QPlainTextEdit>(w, "Text5")), QString());
        QCOMPARE(TextBoxText(Control<QPlainTextEdit>(w, "Text4")), QString());
        QVERIFY(!Control<QCheckBox>(w, "Check1")->isChecked());
    } else {
        QVERIFY(Control<QRadioButton>(w, "Option5")->isChecked());
        QCOMPARE(Control<QComboBox>(w, "Combo1")->currentText(), QStringLiteral("ChkMesaj"));
        QCOMPARE(Control<QComboBox>(w, "Combo2")->currentText(), QStringLiteral("Kod1"));
        QCOMPARE(TextBoxText(Control<QPlainTextEdit>(w, "Text5")), QStringLiteral("Sayın [##Unvan1##]"));
    }
}

void TestFrmInteractiveSMS::keywordDialogKeysAndPaste()
{
    Env env;
    frmInteractiveSMS *w = env.open("GeriDonus");
    const QList<Row> before = env.rules();
    bool checked = false;
    // Keys: blanks, punctuation and Turkish letters are dropped, the 21st character too;
    // Enter does nothing; a paste with a blank is refused; empty "Tamam" keeps the dialog.
    onKeywordDialog([&](frmInteractiveSMSprm *d) {
        auto *Text1 = Control<QLineEdit>(d, "Text1");
        QCOMPARE(d->windowTitle(), QStringLiteral("Parametre Girişi"));
        QCOMPARE(Control<QLabel>(d, "Label1")->text(), QStringLiteral("Parametre Ekle"));
        QCOMPARE(Control<QLabel>(d, "Label3")->text(), QStringLiteral("Alan Seçiniz :"));
        QVERIFY(Text1->text().isEmpty());
        QTest::mouseClick(Control<QPushButton>(d, "DMSXpButton1"), Qt::LeftButton);
        QCOMPARE(env.prompts().texts(), QStringList({"Parametre alanı boş geçilemez"}));
        QCOMPARE(env.prompts().last().icon, PromptIcon::Information);
        QVERIFY(d->isVisible());
        typeText(Text1, QStringLiteral("ab c-ğ.ş'1"));
        QCOMPARE(Text1->text(), QStringLiteral("abc1"));
        QTest::keyClick(Text1, Qt::Key_Return);
        QVERIFY(d->isVisible());
        QApplication::clipboard()->setText(QStringLiteral("x y"));
        Text1->paste();
        QCOMPARE(Text1->text(), QStringLiteral("abc1"));
        QApplication::clipboard()->setText(QStringLiteral("DEF"));
        Text1->paste();
        QCOMPARE(Text1->text(), QStringLiteral("abc1DEF"));
        QTest::keyClicks(Text1, QString(30, QLatin1Char('z')));
        QCOMPARE(Text1->text().size(), 20);
        // Escape is "Vazgeç": nothing is handed over.
        QTest::keyClick(Text1, Qt::Key_Escape);
        checked = true;
    });
    click(Control<QPushButton>(w, "DMSXpButton1"));
    QVERIFY(checked);
    QVERIFY(w->NewKeyword.isEmpty());
    QCOMPARE(env.rules(), before);
    // "Vazgeç" after typing hands over nothing either.
    onKeywordDialog([](frmInteractiveSMSprm *d) {
        QTest::keyClicks(Control<QLineEdit>(d, "Text1"), QStringLiteral("abc"));
        QTest::mouseClick(Control<QPushButton>(d, "DMSXpButton2"), Qt::LeftButton);
    });
    click(Control<QPushButton>(w, "DMSXpButton1"));
    QVERIFY(w->NewKeyword.isEmpty());
    QCOMPARE(env.rules(), before);
    QCOMPARE(env.prompts().count(), 1);
}

void TestFrmInteractiveSMS::editAndSave()
{
    Env env;
    env.rule("'ABC1','0','BakiyeMesaj','','Metin',NULL,'0',NULL,'01'");
    frmInteractiveSMS *w = env.open("GeriDonus");
    auto *Text5 = Control<QPlainTextEdit>(w, "Text5");
    auto *Combo2 = Control<QComboBox>(w, "Combo2");
    selectRule(w, "ABC1");
    QVERIFY(locked(w));
    click(Control<QPushButton>(w, "DMSXpButton7"));
    QVERIFY(editing(w));
    QCOMPARE(QApplication::focusWidget(), Text5);
    SetTextBoxText(Text5, QStringLiteral("silinecek"));
    // Another kind: its columns in the list and in the field menu, the first chosen, the
    // answer emptied.
    pickKind(w, "GrupMesaj");
    QCOMPARE(comboTexts(Combo2), ErpColumnNames("GrupMesaj"));
    QCOMPARE(menuCaptions(), ErpColumnNames("GrupMesaj"));
    QCOMPARE(Combo2->currentText(), QStringLiteral("HesapKodu"));
    QCOMPARE(TextBoxText(Text5), QString());
    Control<QRadioButton>(w, "Option5")->click();
    Combo2->setCurrentIndex(Combo2->findText("GrupKod"));
    Control<QComboBox>(w, "Combo3")->setCurrentIndex(Control<QComboBox>(w, "Combo3")->findText("Sayı"));
    // "Alan ekle" puts a placeholder at the caret.
    SetTextBoxText(Text5, QStringLiteral("Grubunuz: 'x' "));
    Text5->moveCursor(QTextCursor::End);
    click(Control<QPushButton>(w, "DMSXpButton5"));
    frmPop::instance()->AltmnuAry_Click(ErpColumnNames("GrupMesaj").indexOf("GrupKodAck"));
    Control<QMenu>(frmPop::instance(), "mnuGizli")->hide();
    QCOMPARE(TextBoxText(Text5), QStringLiteral("Grubunuz: 'x' [##GrupKodAck##]"));
    Control<QCheckBox>(w, "Check1")->setChecked(true);
    SetTextBoxText(Control<QPlainTextEdit>(w, "Text4"), QString());
    click(Control<QPushButton>(w, "DMSXpButton7"));
    QVERIFY(locked(w));
    QCOMPARE(env.ruleRow("ABC1"),
             Row({"ABC1", "1", "GrupMesaj", "GrupKod", "Sayı", "Grubunuz: 'x' [##GrupKodAck##]", "1", "", "01"}));
    // The editor keeps the values as entered.
    QCOMPARE(Control<QComboBox>(w, "Combo1")->currentText(), QStringLiteral("GrupMesaj"));
    QCOMPARE(env.prompts().count(), 0);
}

void TestFrmInteractiveSMS::savingSharedAndOwnRules()
{
    Env env;
    env.rule("'ORTAK','0','BakiyeMesaj','','Metin',NULL,'0',NULL,'-1'");
    env.rule("'SUBE','0','BakiyeMesaj','','Metin',NULL,'0',NULL,'02'");
    frmInteractiveSMS *w = env.open("GeriDonus");
    QCOMPARE(listTexts(Control<QListWidget>(w, "List1")), QStringList({"noprm", "ORTAK"}));
    // 'noprm' is saved as the shared row.
    click(Control<QPushButton>(w, "DMSXpButton7"));
    SetTextBoxText(Control<QPlainTextEdit>(w, "Text4"), QStringLiteral("Kaydınız bulunamadı"));
    Control<QCheckBox>(w, "Check1")->setChecked(true);
    click(Control<QPushButton>(w, "DMSXpButton7"));
    QCOMPARE(env.ruleRow("noprm"),
             Row({"noprm", "0", "BakiyeMesaj", "HesapKodu", "Metin", "", "1", "Kaydınız bulunamadı", "-1"}));
    // A shared rule other than 'noprm' is listed but not the company's to save.
    selectRule(w, "ORTAK");
    click(Control<QPushButton>(w, "DMSXpButton7"));
    SetTextBoxText(Control<QPlainTextEdit>(w, "Text5"), QStringLiteral("değişmez"));
    click(Control<QPushButton>(w, "DMSXpButton7"));
    QVERIFY(env.ruleRow("ORTAK")[5].isNull());
    QCOMPARE(cells(env.ruleRow("SUBE")),
             QStringList({"SUBE", "0", "BakiyeMesaj", "", "Metin", "NULL", "0", "NULL", "02"}));
    QCOMPARE(env.prompts().count(), 0);
}

void TestFrmInteractiveSMS::editorStartsFromNewRuleValues()
{
    Env env;
    env.rule("'BIR','1','YetkiliMesaj','Cinsiyet','Sayı','bulundu','1','bulunamadı','01'");
    env.rule("'IKI',NULL,NULL,NULL,NULL,NULL,NULL,NULL,'01'");
    env.rule("'UC','0','BakiyeMesaj','','Metin',NULL,'0',NULL,'01'");
    frmInteractiveSMS *w = env.open("GeriDonus");
    selectRule(w, "BIR");
    QVERIFY(Control<QRadioButton>(w, "Option5")->isChecked());
    QVERIFY(Control<QCheckBox>(w, "Check1")->isChecked());
    QCOMPARE(TextBoxText(Control<QPlainTextEdit>(w, "Text4")), QStringLiteral("bulunamadı"));
    QCOMPARE(Control<QComboBox>(w, "Combo3")->currentText(), QStringLiteral("Sayı"));
    // A rule of Null columns after it: nothing of the first rule stays.
    selectRule(w, "IKI");
    QCOMPARE(w->List1Tag(), QStringLiteral("IKI"));
    QVERIFY(Control<QRadioButton>(w, "Option5")->isChecked()); // a type other than "0"
    QCOMPARE(Control<QComboBox>(w, "Combo1")->currentText(), QStringLiteral("BakiyeMesaj"));
    QCOMPARE(comboTexts(Control<QComboBox>(w, "Combo2")), ErpColumnNames("BakiyeMesaj"));
    QCOMPARE(Control<QComboBox>(w, "Combo3")->currentText(), QStringLiteral("Metin"));
    QVERIFY(!Control<QCheckBox>(w, "Check1")->isChecked());
    QCOMPARE(TextBoxText(Control<QPlainTextEdit>(w, "Text5")), QString());
    QCOMPARE(TextBoxText(Control<QPlainTextEdit>(w, "Text4")), QString());
    // A rule deleted by the other program meanwhile: no keyword to save under.
    selectRule(w, "BIR");
    env.db().exec("DELETE FROM tbl_int_parametre WHERE parametre = 'UC'");
    selectRule(w, "UC");
    QVERIFY(w->List1Tag().isEmpty());
    QVERIFY(!Control<QCheckBox>(w, "Check1")->isChecked());
    QCOMPARE(TextBoxText(Control<QPlainTextEdit>(w, "Text4")), QString());
    const QList<Row> before = env.rules();
    click(Control<QPushButton>(w, "DMSXpButton7"));
    SetTextBoxText(Control<QPlainTextEdit>(w, "Text5"), QStringLiteral("yazılmaz"));
    click(Control<QPushButton>(w, "DMSXpButton7"));
    QVERIFY(locked(w));
    QCOMPARE(env.rules(), before);
}

void TestFrmInteractiveSMS::failedSaveReloadsRule()
{
    Env env;
    env.rule("'ABC1','0','BakiyeMesaj','','Metin','eski',"
             "'0',NULL,'01'");
    frmInteractiveSMS *w = env.open("GeriDonus");
    selectRule(w, "ABC1");
    env.db().exec("CREATE TRIGGER fail_write BEFORE UPDATE ON tbl_int_parametre "
                  "BEGIN SELECT RAISE(ABORT, 'disk full'); END");
    click(Control<QPushButton>(w, "DMSXpButton7"));
    SetTextBoxText(Control<QPlainTextEdit>(w, "Text5"), QStringLiteral("yeni"));
    click(Control<QPushButton>(w, "DMSXpButton7"));
    QCOMPARE(env.prompts().texts(), QStringList({kRuleError}));
    QCOMPARE(env.prompts().last().icon, PromptIcon::Critical);
    QCOMPARE(env.prompts().last().title, QStringLiteral("Uyarı"));
    QVERIFY(locked(w));
    QCOMPARE(TextBoxText(Control<QPlainTextEdit>(w, "Text5")), QStringLiteral("eski"));
    QCOMPARE(env.ruleRow("ABC1")[5].toString(), QStringLiteral("eski"));
}

void TestFrmInteractiveSMS::deleteRule()
{
    Env env;
    env.rule("'ABC1','0','BakiyeMesaj','','Metin',NULL,'0',NULL,'01'");
    env.rule("'ORTAK','0','BakiyeMesaj','','Metin',NULL,'0',NULL,'-1'");
    frmInteractiveSMS *w = env.open("GeriDonus");
    const QString question = QStringLiteral("Parametre silmek istediğinizden emin misiniz?");
    // No: nothing.
    selectRule(w, "ABC1");
    env.prompts().setNextAnswer(PromptAnswer::No);
    click(Control<QPushButton>(w, "DMSXpButton4"));
    QCOMPARE(env.prompts().texts(), QStringList({question}));
    QCOMPARE(env.prompts().last().buttons, PromptButtons::YesNo);
    QCOMPARE(env.rules().size(), 3);
    // The default rule: refused after the question.
    env.prompts().clear();
    selectRule(w, "noprm");
    click(Control<QPushButton>(w, "DMSXpButton4"));
    QCOMPARE(
        env.prompts().texts(),
        QStringList({question, "noprm parametresi sistem tarafından kullanılan ilk parametredir. Silinmesi yasaktır"}));
    QCOMPARE(env.rules().size(), 3);
    // Own and shared rules go; the list is read again and its first rule shown.
    env.prompts().clear();
    for (const QString &k : {QStringLiteral("ABC1"), QStringLiteral("ORTAK")}) {
        selectRule(w, k);
        click(Control<QPushButton>(w, "DMSXpButton4"));
        QVERIFY(env.ruleRow(k).isEmpty());
        QVERIFY(!listTexts(Control<QListWidget>(w, "List1")).contains(k));
        QCOMPARE(Control<QListWidget>(w, "List1")->currentRow(), 0);
        QCOMPARE(w->List1Tag(), QStringLiteral("noprm"));
    }
    QCOMPARE(env.prompts().count(), 2);
    // A failing delete: the message, the list as it was.
    env.rule("'SIL','0','BakiyeMesaj','','Metin',NULL,'0',NULL,'01'");
    w->Parametre();
    env.db().exec("CREATE TRIGGER fail_write BEFORE DELETE ON tbl_int_parametre "
                  "BEGIN SELECT RAISE(ABORT, 'disk full'); END");
    env.prompts().clear();
    selectRule(w, "SIL");
    click(Control<QPushButton>(w, "DMSXpButton4"));
    QCOMPARE(env.prompts().texts(), QStringList({question, kRuleError}));
    QCOMPARE(env.prompts().last().icon, PromptIcon::Critical);
    QCOMPARE(listTexts(Control<QListWidget>(w, "List1")), QStringList({"noprm", "SIL"}));
    QCOMPARE(Control<QListWidget>(w, "List1")->currentItem()->text(), QStringLiteral("SIL"));
    // The connection stayed open through it all.
    QVERIFY(LocalDb().isOpen());
}

void TestFrmInteractiveSMS::erpDownDisablesWindow()
{
    Env env(false);
    env.message("2026-03-05 09:00:00", "1", "a");
    frmInteractiveSMS *w = env.open();
    QVERIFY(w);
    // Once for the load's kind, once for the first rule's.
    QCOMPARE(env.prompts().texts(), QStringList({kErpDown, kErpDown}));
    QCOMPARE(env.prompts().last().icon, PromptIcon::Critical);
    QCOMPARE(env.prompts().last().title, QStringLiteral("Brenvik"));
    QVERIFY(!Control<QTabWidget>(w, "SSTab1")->isEnabled());
    for (QWidget *c : Control<QTabWidget>(w, "SSTab1")->findChildren<QWidget *>())
        QVERIFY2(!c->isEnabled(), qPrintable(c->objectName()));
    QVERIFY(!Control<QTimer>(w, "Timer1")->isActive());
    // The inbox was read before; the local rules stay as they are.
    QCOMPARE(w->rsMsgBox().rowCount(), 1);
    QCOMPARE(env.rules().size(), 1);
}

void TestFrmInteractiveSMS::chartWindowOpensModally()
{
    Env env;
    env.message(QDateTime::currentDateTime().toString("yyyy-MM-dd HH:mm:ss"), "1", "bugün");
    frmInteractiveSMS *w = env.open();
    QPointer<frmInteractiveGraf> seen;
    bool modal = false;
    QTimer::singleShot(0, [&] {
        seen = qobject_cast<frmInteractiveGraf *>(QApplication::activeModalWidget());
        if (!seen) return;
        modal = seen->isModal() && seen->isVisible();
        QTest::mouseClick(Control<QPushButton>(seen, "DMSXpButton1"), Qt::LeftButton);
    });
    click(Control<QPushButton>(w, "DMSXpButton8"));
    QVERIFY(modal);
    QCOMPARE(env.prompts().count(), 0);
    QVERIFY(!WorkForms::isLoaded<frmInteractiveGraf>());
    QVERIFY(WorkForms::find<frmInteractiveSMS>() == w);
    MainWindowFixture::flushDeletes();
    QVERIFY(seen.isNull());
}

QTEST_MAIN(TestFrmInteractiveSMS)
#include "tst_frminteractivesms.moc"
