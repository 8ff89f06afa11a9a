#include "core/AppState.h"
#include "core/ErpQueries.h"
#include "core/LocalDb.h"
#include "core/Templates.h"
#include "messaging/frmSablonlar.h"
#include "shell/DataGrid.h"
#include "shell/Twips.h"
#include "shell/WorkArea.h"
#include "shell/frmAna.h"
#include "shell/frmMDI.h"
#include "shell/frmPop.h"
#include "tests/support/Controls.h"
#include "tests/support/ErpStandIn.h"
#include "tests/support/MainWindowFixture.h"

#include <QAction>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableView>
#include <QTemporaryDir>
#include <QTreeWidget>
#include <QtTest>

#include <memory>

namespace {
const QString kSaveQuestion =
    QStringLiteral("Mesaj içeriğini şablon olarak kaydetmek üzeresiniz. Devam etmek istiyor musunuz?");
const QString kChangeQuestion = QStringLiteral("Mesaj şablonunu değiştirmek üzeresiniz. Devam etmek istiyor musunuz?");
const QString kDeleteQuestion = QStringLiteral("Seçili şablonu silmek istediğinizden emin misiniz?");
const QString kSaved = QStringLiteral("Mesaj şablonu başarıyla kaydedildi.");
const QString kEnterText = QStringLiteral("Lütfen mesaj içeriğini giriniz.");
const QString kErpFailure = QStringLiteral("Orvek veritabanıyla bağlantı kurulamıyor.");

// A text of n characters (CR LF counted as two) with Turkish letters, apostrophes, a
// placeholder and line breaks.
QString sample(int n, QChar tag = QLatin1Char('a'))
{
    const QString unit = QString(tag) + QStringLiteral(" Sayın [##Unvan1##]'e ğüşıöç İĞÜŞÖÇ\r\n");
    QString s;
    while (s.size() < n) s += unit;
    s = s.left(n);
    if (s.endsWith(QLatin1Char('\r'))) s[s.size() - 1] = QLatin1Char('.');
    return s;
}

// The main window over a fresh program folder and the sample ERP stand-in, company 01.
struct Env {
    MainWindowFixture main;
    QTemporaryDir erpDir;
    std::unique_ptr<ErpStandIn> erp;
    Env()
    {
        erp = std::make_unique<ErpStandIn>(erpDir.path());
        erp->fillSample();
        erp->configure();
        gCompanyCode = QStringLiteral("01");
    }
    ProgramFolderFixture &db() { return main.folder; }
    PromptRecorder &prompts() { return main.prompts; }

    // Opens the window the way the navigation does.
    frmSablonlar *open()
    {
        Control<QTreeWidget>(main.ana(), "TreeView1")->expandAll();
        main.clickNode(QStringLiteral("Sablonlar"));
        auto *w = WorkForms::find<frmSablonlar>();
        if (w && !QTest::qWaitForWindowExposed(w)) qWarning("template window not exposed");
        return w;
    }
};

QStringList gridTexts(frmSablonlar *w)
{
    QStringList out;
    for (int i = 0; i < w->rsMesajlar().rowCount(); ++i) out << w->rsMesajlar().value(i, 1).toString();
    return out;
}

QString editorText(frmSablonlar *w)
{
    QString t = Control<QPlainTextEdit>(w, "txtMesaj")->toPlainText();
    return t.replace(QLatin1String("\n"), QLatin1String("\r\n"));
}

// Types a text the way the operator does, key by key: CR LF as the Enter key, letters
// beyond Latin-1 (ğ, ş, ı, İ) as key events carrying their text.
void type(QPlainTextEdit *box, const QString &text)
{
    box->setFocus();
    const QStringList lines = text.split(QStringLiteral("\r\n"));
    for (int i = 0; i < lines.size(); ++i) {
        if (i > 0) QTest::keyClick(box, Qt::Key_Return);
        for (const QChar c : lines[i]) {
            if (c.unicode() < 0x80)
                QTest::keyClick(box, char(c.unicode()));
            else
                QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
        }
    }
}

void pickKind(frmSablonlar *w, const QString &kind)
{
    const int i = Control<QComboBox>(w, "Combo1")->findText(kind);
    QVERIFY(i >= 0);
    Control<QComboBox>(w, "Combo1")->setCurrentIndex(i);
    emit Control<QComboBox>(w, "Combo1")->activated(i);
}

void click(QPushButton *b) { QTest::mouseClick(b, Qt::LeftButton); }

bool browseState(frmSablonlar *w)
{
    return !Control<QPlainTextEdit>(w, "txtMesaj")->isEnabled() && !Control<QGroupBox>(w, "Frame1")->isEnabled() &&
           !Control<QPushButton>(w, "Command1")->isEnabled() && Control<QPushButton>(w, "Command3")->isEnabled() &&
           Control<QPushButton>(w, "Command4")->isEnabled() && Control<QPushButton>(w, "Command5")->isEnabled() &&
           Control<QPushButton>(w, "Command4")->text() == QStringLiteral("Değiştir") &&
           Control<QPushButton>(w, "Command5")->text() == QStringLiteral("Yeni");
}

QStringList menuCaptions()
{
    QStringList out;
    for (QAction *a : frmPop::instance()->AltmnuAry()) out << a->text();
    return out;
}
} // namespace

class TestFrmSablonlar : public QObject {
    Q_OBJECT
private slots:
    void opensFromNavigationInBrowse();
    void roundTrip_data();
    void roundTrip();
    void newRefusesEmptyText_data();
    void newRefusesEmptyText();
    void refusedQuestionsWriteNothing();
    void changeSavesEmptyTextAndWritesCurrentRow();
    void emptyKindRefusesChangeAndDelete();
    void kindFilterAndOtherWriters();
    void pickingKindDropsTypedText();
    void fieldListOfEachKind_data();
    void fieldListOfEachKind();
    void quickMessageKindHasNoFields();
    void counter_data();
    void counter();
    void erpUnreachableDisablesWindow();
    void failedSaveKeepsEditorAndTable();
    void cancelLeavesEditing();
    void layoutFollowsMainWindow();
};

void TestFrmSablonlar::opensFromNavigationInBrowse()
{
    Env env;
    InsertTemplate("BakiyeMesaj", "ilk", "00");
    InsertTemplate("BakiyeMesaj", "ikinci", "00");
    frmSablonlar *w = env.open();
    QVERIFY(w);
    QVERIFY(w->isVisible());
    QCOMPARE(Control<QComboBox>(w, "Combo1")->currentText(), QStringLiteral("BakiyeMesaj"));
    QStringList kinds;
    for (int i = 0; i < Control<QComboBox>(w, "Combo1")->count(); ++i)
        kinds << Control<QComboBox>(w, "Combo1")->itemText(i);
    QCOMPARE(kinds, QStringList({"BakiyeMesaj", "ChkMesaj", "GrupMesaj", "YetkiliMesaj", "DGunMesaj", "EvYilMesaj",
                                 "HizliMesaj"}));
    QVERIFY(!Control<QComboBox>(w, "Combo1")->isEditable());
    QCOMPARE(gridTexts(w), QStringList({"ilk", "ikinci"}));
    QVERIFY(Control<DataGrid>(w, "DataGrid1")->view()->isColumnHidden(0));
    QCOMPARE(Control<DataGrid>(w, "DataGrid1")->caption(), QStringLiteral("Mesaj şablonları"));
    QCOMPARE(Control<QLabel>(w, "Label6")->text(), QStringLiteral("Mesaj şablonları"));
    QCOMPARE(Control<QGroupBox>(w, "Frame1")->title(), QStringLiteral("Mesaj içeriği"));
    QVERIFY(browseState(w));
    QCOMPARE(editorText(w), QStringLiteral("ilk"));
    QCOMPARE(Control<QLabel>(w, "Label7")->text(), QStringLiteral("157"));
    QCOMPARE(env.prompts().count(), 0);
    // Another row puts its text into the editor.
    Control<DataGrid>(w, "DataGrid1")->setCurrentRow(1);
    QCOMPARE(editorText(w), QStringLiteral("ikinci"));
}

void TestFrmSablonlar::roundTrip_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("changed");
    QTest::newRow("apostrophes") << QStringLiteral("Sayın [##Unvan1##]'in borcu 'yok'") << QStringLiteral("''");
    QTest::newRow("Turkish letters") << QStringLiteral("Çağrı Işıl Öğüt ŞÜĞİ ığüşöç") << QStringLiteral("İyi günler");
    QTest::newRow("CR LF") << QStringLiteral("Merhaba\r\n\r\nİyi bayramlar\r\n") << QStringLiteral("a\r\nb");
    QTest::newRow("255 into 256") << sample(255) << sample(256, 'b');
    QTest::newRow("256 into 255") << sample(256) << sample(255, 'b');
    QTest::newRow("500 into 10") << sample(500) << sample(10, 'b');
}

void TestFrmSablonlar::roundTrip()
{
    QFETCH(QString, text);
    QFETCH(QString, changed);
    Env env;
    frmSablonlar *w = env.open();
    auto *txtMesaj = Control<QPlainTextEdit>(w, "txtMesaj");
    pickKind(w, "ChkMesaj");
    QCOMPARE(gridTexts(w), QStringList());

    // New
    click(Control<QPushButton>(w, "Command5"));
    QCOMPARE(Control<QPushButton>(w, "Command5")->text(), QStringLiteral("Kaydet"));
    QVERIFY(txtMesaj->isEnabled() && Control<QPushButton>(w, "Command1")->isEnabled());
    QVERIFY(!Control<QPushButton>(w, "Command3")->isEnabled() && !Control<QPushButton>(w, "Command4")->isEnabled());
    type(txtMesaj, text);
    QCOMPARE(editorText(w), text);
    click(Control<QPushButton>(w, "Command5"));
    QCOMPARE(env.prompts().texts(), QStringList({kSaveQuestion, kSaved}));
    QCOMPARE(env.prompts().records()[0].icon, PromptIcon::Question);
    QCOMPARE(env.prompts().records()[0].buttons, PromptButtons::YesNo);
    QCOMPARE(env.prompts().records()[0].title, QString());
    QCOMPARE(env.prompts().records()[1].icon, PromptIcon::Information);
    QCOMPARE(env.prompts().records()[1].title, QString());
    env.prompts().clear();

    auto rows = env.db().rows("SELECT msgid, sablon_tip, sablon_p1, sablon_p2 FROM tbl_sablonlar");
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0][0].toString(), QStringLiteral("00"));
    QCOMPARE(rows[0][1].toString(), QStringLiteral("ChkMesaj"));
    QCOMPARE(rows[0][2].toString(), text.left(255));
    if (text.size() < 256)
        QVERIFY(rows[0][3].isNull()); // a short text is inserted without p2
    else
        QCOMPARE(rows[0][3].toString(), text.mid(255));
    QVERIFY(browseState(w));
    QCOMPARE(gridTexts(w), QStringList({text}));
    QCOMPARE(editorText(w), text);

    // Change
    click(Control<QPushButton>(w, "Command4"));
    QCOMPARE(Control<QPushButton>(w, "Command4")->text(), QStringLiteral("Kaydet"));
    QVERIFY(txtMesaj->isEnabled());
    QVERIFY(!Control<QPushButton>(w, "Command3")->isEnabled() && !Control<QPushButton>(w, "Command5")->isEnabled());
    QCOMPARE(editorText(w), text);
    txtMesaj->selectAll();
    QTest::keyClick(txtMesaj, Qt::Key_Delete);
    type(txtMesaj, changed);
    click(Control<QPushButton>(w, "Command4"));
    QCOMPARE(env.prompts().texts(), QStringList({kChangeQuestion, kSaved}));
    env.prompts().clear();
    rows = env.db().rows("SELECT msgid, sablon_tip, sablon_p1, sablon_p2 FROM tbl_sablonlar");
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0][0].toString(), QStringLiteral("00"));
    QCOMPARE(rows[0][2].toString(), changed.left(255));
    QVERIFY(!rows[0][3].isNull());
    QCOMPARE(rows[0][3].toString(), changed.mid(255));
    QCOMPARE(gridTexts(w), QStringList({changed}));
    QCOMPARE(editorText(w), changed);
    QVERIFY(browseState(w));

    // Delete: the last template of the kind leaves an empty grid and an empty editor.
    click(Control<QPushButton>(w, "Command3"));
    QCOMPARE(env.prompts().texts(), QStringList({kDeleteQuestion}));
    QCOMPARE(env.db().scalar("SELECT count(*) FROM tbl_sablonlar").toInt(), 0);
    QCOMPARE(gridTexts(w), QStringList());
    QCOMPARE(editorText(w), QString());
    QVERIFY(browseState(w));
}

void TestFrmSablonlar::newRefusesEmptyText_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("saved");
    QTest::newRow("empty") << "" << false;
    QTest::newRow("one blank") << " " << false;
    QTest::newRow("two blanks") << "  " << true;
    QTest::newRow("one line break") << "\r\n" << true;
}

void TestFrmSablonlar::newRefusesEmptyText()
{
    QFETCH(QString, text);
    QFETCH(bool, saved);
    Env env;
    frmSablonlar *w = env.open();
    click(Control<QPushButton>(w, "Command5"));
    type(Control<QPlainTextEdit>(w, "txtMesaj"), text);
    click(Control<QPushButton>(w, "Command5"));
    if (saved) {
        QCOMPARE(env.prompts().texts(), QStringList({kSaveQuestion, kSaved}));
        QCOMPARE(gridTexts(w), QStringList({text}));
        return;
    }
    QCOMPARE(env.prompts().texts(), QStringList({kEnterText}));
    QCOMPARE(env.prompts().last().icon, PromptIcon::Information);
    QCOMPARE(env.prompts().last().title, QString());
    QCOMPARE(Control<QPushButton>(w, "Command5")->text(), QStringLiteral("Kaydet"));
    QVERIFY(Control<QPlainTextEdit>(w, "txtMesaj")->isEnabled());
    QVERIFY(Control<QPlainTextEdit>(w, "txtMesaj")->hasFocus());
    QCOMPARE(env.db().scalar("SELECT count(*) FROM tbl_sablonlar").toInt(), 0);
}

void TestFrmSablonlar::refusedQuestionsWriteNothing()
{
    Env env;
    const qint64 id = InsertTemplate("BakiyeMesaj", "eski", "00");
    frmSablonlar *w = env.open();
    // New, answered No: still New, the text still there.
    click(Control<QPushButton>(w, "Command5"));
    type(Control<QPlainTextEdit>(w, "txtMesaj"), "yeni");
    env.prompts().setNextAnswer(PromptAnswer::No);
    click(Control<QPushButton>(w, "Command5"));
    QCOMPARE(env.prompts().texts(), QStringList({kSaveQuestion}));
    QCOMPARE(Control<QPushButton>(w, "Command5")->text(), QStringLiteral("Kaydet"));
    QCOMPARE(editorText(w), QStringLiteral("yeni"));
    pickKind(w, "BakiyeMesaj");
    // Change, answered No.
    click(Control<QPushButton>(w, "Command4"));
    type(Control<QPlainTextEdit>(w, "txtMesaj"), " değişti");
    env.prompts().clear();
    env.prompts().setNextAnswer(PromptAnswer::No);
    click(Control<QPushButton>(w, "Command4"));
    QCOMPARE(env.prompts().texts(), QStringList({kChangeQuestion}));
    QCOMPARE(Control<QPushButton>(w, "Command4")->text(), QStringLiteral("Kaydet"));
    pickKind(w, "BakiyeMesaj");
    // Delete, answered No.
    env.prompts().clear();
    env.prompts().setNextAnswer(PromptAnswer::No);
    click(Control<QPushButton>(w, "Command3"));
    QCOMPARE(env.prompts().texts(), QStringList({kDeleteQuestion}));
    QCOMPARE(env.db().rows("SELECT id, sablon_p1 FROM tbl_sablonlar"),
             QList<QVariantList>({{id, QStringLiteral("eski")}}));
}

void TestFrmSablonlar::changeSavesEmptyTextAndWritesCurrentRow()
{
    Env env;
    const qint64 first = InsertTemplate("GrupMesaj", "bir", "00");
    const qint64 second = InsertTemplate("GrupMesaj", sample(400), "ID42");
    frmSablonlar *w = env.open();
    pickKind(w, "GrupMesaj");
    click(Control<QPushButton>(w, "Command4"));
    // Picking another row while changing puts its text in the editor; the save writes to it.
    Control<DataGrid>(w, "DataGrid1")->setCurrentRow(1);
    QCOMPARE(editorText(w), sample(400));
    Control<QPlainTextEdit>(w, "txtMesaj")->clear();
    click(Control<QPushButton>(w, "Command4"));
    QCOMPARE(env.prompts().texts(), QStringList({kChangeQuestion, kSaved}));
    QCOMPARE(env.db().rows("SELECT id, msgid, sablon_p1, sablon_p2 FROM tbl_sablonlar ORDER BY id"),
             QList<QVariantList>(
                 {{first, "00", "bir", QVariant(QMetaType::fromType<QString>())}, {second, "ID42", "", ""}}));
    QCOMPARE(gridTexts(w), QStringList({"bir", ""}));
    // After a save the editor shows the kind's first template.
    QCOMPARE(editorText(w), QStringLiteral("bir"));
}

void TestFrmSablonlar::emptyKindRefusesChangeAndDelete()
{
    Env env;
    frmSablonlar *w = env.open();
    pickKind(w, "HizliMesaj");
    click(Control<QPushButton>(w, "Command4"));
    click(Control<QPushButton>(w, "Command3"));
    QCOMPARE(env.prompts().texts(), QStringList({"Değiştirilecek kayıt bulunamadı.", "Silinecek kayıt bulunamadı."}));
    for (const auto &r : env.prompts().records()) {
        QCOMPARE(r.icon, PromptIcon::Information);
        QCOMPARE(r.title, QString());
    }
    QVERIFY(browseState(w));
}

void TestFrmSablonlar::kindFilterAndOtherWriters()
{
    Env env;
    // Rows as the send screen, the quick message window and the settings save leave them.
    InsertTemplate("ChkMesaj", "gönderimden", "ID1001");
    InsertTemplate("HizliMesaj", "hızlı", "ID1002");
    InsertTemplate("DGunMesaj", sample(300, 'd'), "00", TemplateLayout::WholeNoP2);
    InsertTemplate("ChkMesaj", "ikinci", "00", TemplateLayout::SplitNoP2);
    InsertTemplate("EvYilMesaj", "evlilik", "00", TemplateLayout::WholeNoP2);
    frmSablonlar *w = env.open();
    const QList<QPair<QString, QStringList>> expected = {
        {"BakiyeMesaj", {}},
        {"ChkMesaj", {"gönderimden", "ikinci"}},
        {"GrupMesaj", {}},
        {"YetkiliMesaj", {}},
        {"DGunMesaj", {sample(300, 'd')}},
        {"EvYilMesaj", {"evlilik"}},
        {"HizliMesaj", {QStringLiteral("hızlı")}},
    };
    for (const auto &e : expected) {
        pickKind(w, e.first);
        QCOMPARE(gridTexts(w), e.second);
        QCOMPARE(editorText(w), e.second.value(0));
    }
    // A whole long greeting text is changed by the split rule like any other template.
    pickKind(w, "DGunMesaj");
    click(Control<QPushButton>(w, "Command4"));
    QTest::keyClick(Control<QPlainTextEdit>(w, "txtMesaj"), Qt::Key_End, Qt::ControlModifier);
    QTest::keyClicks(Control<QPlainTextEdit>(w, "txtMesaj"), "!");
    click(Control<QPushButton>(w, "Command4"));
    const auto rows = env.db().rows("SELECT sablon_p1, sablon_p2 FROM tbl_sablonlar WHERE sablon_tip = 'DGunMesaj'");
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0][0].toString().size(), 255);
    QCOMPARE(rows[0][0].toString() + rows[0][1].toString(), sample(300, 'd') + "!");
    QCOMPARE(env.prompts().count(), 2);
}

void TestFrmSablonlar::pickingKindDropsTypedText()
{
    Env env;
    InsertTemplate("YetkiliMesaj", "yetkili", "00");
    frmSablonlar *w = env.open();
    click(Control<QPushButton>(w, "Command5"));
    type(Control<QPlainTextEdit>(w, "txtMesaj"), "yarım kalan");
    pickKind(w, "YetkiliMesaj");
    QVERIFY(browseState(w));
    QCOMPARE(editorText(w), QStringLiteral("yetkili"));
    QCOMPARE(env.db().scalar("SELECT count(*) FROM tbl_sablonlar").toInt(), 1);
    QCOMPARE(env.prompts().count(), 0);
}

void TestFrmSablonlar::fieldListOfEachKind_data()
{
    QTest::addColumn<QString>("kind");
    for (const char *k : {"BakiyeMesaj", "ChkMesaj", "GrupMesaj", "YetkiliMesaj", "DGunMesaj", "EvYilMesaj"})
        QTest::newRow(k) << QString::fromLatin1(k);
}

void TestFrmSablonlar::fieldListOfEachKind()
{
    QFETCH(QString, kind);
    Env env;
    frmSablonlar *w = env.open();
    // Start from a kind with another column list, so nothing may be left over.
    pickKind(w, kind == QLatin1String("GrupMesaj") ? "YetkiliMesaj" : "GrupMesaj");
    pickKind(w, kind);
    QCOMPARE(env.prompts().count(), 0);
    const QStringList columns = ErpColumnNames(kind);
    QVERIFY(!columns.isEmpty());
    QCOMPARE(w->rsSorguTipColumns(), columns);
    QCOMPARE(menuCaptions(), columns);

    // "Alan ekle" in New pops the menu; an item puts its placeholder at the caret.
    click(Control<QPushButton>(w, "Command5"));
    type(Control<QPlainTextEdit>(w, "txtMesaj"), "Sayın ");
    click(Control<QPushButton>(w, "Command1"));
    QMenu *menu = Control<QMenu>(frmPop::instance(), "mnuGizli");
    QTRY_VERIFY(menu->isVisible());
    QCOMPARE(frmPop::instance()->TargetTextBox.data(), static_cast<QWidget *>(Control<QPlainTextEdit>(w, "txtMesaj")));
    frmPop::instance()->AltmnuAry().last()->trigger();
    menu->hide();
    QCOMPARE(editorText(w), QStringLiteral("Sayın ") + frmPop::placeholder(columns.last()));
}

void TestFrmSablonlar::quickMessageKindHasNoFields()
{
    Env env;
    frmSablonlar *w = env.open();
    const QStringList before = menuCaptions();
    QCOMPARE(before, ErpColumnNames("BakiyeMesaj"));
    // No ERP access for the quick messages: even a broken ERP setting does not matter.
    gErpServer = QStringLiteral("sqlite:/nonexistent");
    CloseErpDb();
    pickKind(w, "HizliMesaj");
    QCOMPARE(env.prompts().count(), 0);
    QCOMPARE(menuCaptions(), before);
    click(Control<QPushButton>(w, "Command5"));
    click(Control<QPushButton>(w, "Command1"));
    QCOMPARE(
        env.prompts().texts(),
        QStringList({QStringLiteral("Hızlı mesaj gönderim şablonlarında alan ekleme özelliğini kullanamazsınız.")}));
    QCOMPARE(env.prompts().last().title, QStringLiteral("Brenvik"));
    QCOMPARE(env.prompts().last().icon, PromptIcon::Information);
    QVERIFY(!Control<QMenu>(frmPop::instance(), "mnuGizli")->isVisible());
    QCOMPARE(editorText(w), QString());
}

void TestFrmSablonlar::counter_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<bool>("red");
    QTest::newRow("empty") << ""
                           << "160" << false;
    QTest::newRow("160") << QString(160, 'x') << "0" << false;
    QTest::newRow("161") << QString(161, 'x') << "-1" << true;
    QTest::newRow("163") << QString(163, QChar(0x015F)) << "-3" << true;
    QTest::newRow("line break counts two") << QString(158, 'x') + "\r\n"
                                           << "0" << false;
    QTest::newRow("line break over") << QString(159, 'x') + "\r\n"
                                     << "-1" << true;
}

void TestFrmSablonlar::counter()
{
    QFETCH(QString, text);
    QFETCH(QString, shown);
    QFETCH(bool, red);
    Env env;
    frmSablonlar *w = env.open();
    click(Control<QPushButton>(w, "Command5"));
    type(Control<QPlainTextEdit>(w, "txtMesaj"), text);
    QCOMPARE(Control<QLabel>(w, "Label7")->text(), shown);
    QCOMPARE(Control<QLabel>(w, "Label7")->palette().color(QPalette::WindowText),
             red ? QColor(255, 0, 0) : QColor(0, 0, 0));
    QCOMPARE(Control<QLabel>(w, "Label1")->text(), QStringLiteral("/ 160"));
}

void TestFrmSablonlar::erpUnreachableDisablesWindow()
{
    Env env;
    InsertTemplate("BakiyeMesaj", "listelenir", "00");
    gErpServer = QStringLiteral("sqlite:") + env.erpDir.path() + QStringLiteral("/yok");
    frmSablonlar *w = env.open();
    QVERIFY(w);
    QCOMPARE(env.prompts().texts(), QStringList({kErpFailure}));
    QCOMPARE(env.prompts().last().icon, PromptIcon::Critical);
    QCOMPARE(env.prompts().last().title, QStringLiteral("Brenvik"));
    QCOMPARE(gErrorText, kErpFailure);
    // What was done before the failure stays: the kind's templates are listed.
    QCOMPARE(gridTexts(w), QStringList({"listelenir"}));
    for (QWidget *c : w->findChildren<QWidget *>()) QVERIFY2(!c->isEnabled(), qPrintable(c->objectName()));
    QVERIFY(!Control<QComboBox>(w, "Combo1")->isEnabled());
    QVERIFY(!Control<DataGrid>(w, "DataGrid1")->isEnabled());
    QVERIFY(w->isVisible());
}

void TestFrmSablonlar::failedSaveKeepsEditorAndTable()
{
    Env env;
    const qint64 id = InsertTemplate("BakiyeMesaj", "eski", "00");
    frmSablonlar *w = env.open();
    auto *Command5 = Control<QPushButton>(w, "Command5");
    env.db().exec("CREATE TRIGGER kilit1 BEFORE INSERT ON tbl_sablonlar BEGIN SELECT RAISE(ABORT, 'kilitli'); END");
    env.db().exec("CREATE TRIGGER kilit2 BEFORE UPDATE ON tbl_sablonlar BEGIN SELECT RAISE(ABORT, 'kilitli'); END");
    env.db().exec("CREATE TRIGGER kilit3 BEFORE DELETE ON tbl_sablonlar BEGIN SELECT RAISE(ABORT, 'kilitli'); END");

    click(Command5);
    type(Control<QPlainTextEdit>(w, "txtMesaj"), "yeni şablon");
    click(Command5);
    QCOMPARE(env.prompts().count(), 2);
    QCOMPARE(env.prompts().last().icon, PromptIcon::Critical);
    QCOMPARE(env.prompts().last().title, QStringLiteral("Brenvik"));
    QVERIFY(env.prompts().last().text.startsWith(QStringLiteral("Mesaj şablonu kaydedilemedi.\r\n")));
    QVERIFY(env.prompts().last().text.contains(QStringLiteral("kilitli")));
    QCOMPARE(Command5->text(), QStringLiteral("Kaydet"));
    QCOMPARE(editorText(w), QStringLiteral("yeni şablon"));

    pickKind(w, "BakiyeMesaj");
    click(Control<QPushButton>(w, "Command4"));
    type(Control<QPlainTextEdit>(w, "txtMesaj"), "!");
    env.prompts().clear();
    click(Control<QPushButton>(w, "Command4"));
    QCOMPARE(env.prompts().count(), 2);
    QVERIFY(env.prompts().last().text.startsWith(QStringLiteral("Mesaj şablonu kaydedilemedi.\r\n")));
    QCOMPARE(Control<QPushButton>(w, "Command4")->text(), QStringLiteral("Kaydet"));

    pickKind(w, "BakiyeMesaj");
    env.prompts().clear();
    click(Control<QPushButton>(w, "Command3"));
    QCOMPARE(env.prompts().count(), 2);
    QVERIFY(env.prompts().last().text.startsWith(QStringLiteral("Mesaj şablonu silinemedi.\r\n")));
    QCOMPARE(env.db().rows("SELECT id, sablon_p1 FROM tbl_sablonlar"),
             QList<QVariantList>({{id, QStringLiteral("eski")}}));

    // The window stays usable once the database takes writes again.
    env.db().exec("DROP TRIGGER kilit1");
    click(Command5);
    type(Control<QPlainTextEdit>(w, "txtMesaj"), "sonunda");
    env.prompts().clear();
    click(Command5);
    QCOMPARE(env.prompts().texts(), QStringList({kSaveQuestion, kSaved}));
    QCOMPARE(gridTexts(w), QStringList({"eski", "sonunda"}));
}

void TestFrmSablonlar::cancelLeavesEditing()
{
    Env env;
    InsertTemplate("BakiyeMesaj", "bir", "00");
    InsertTemplate("BakiyeMesaj", "iki", "00");
    frmSablonlar *w = env.open();
    click(Control<QPushButton>(w, "Command2")); // nothing to leave
    QVERIFY(browseState(w));
    Control<DataGrid>(w, "DataGrid1")->setCurrentRow(1);
    click(Control<QPushButton>(w, "Command4"));
    type(Control<QPlainTextEdit>(w, "txtMesaj"), " yazıldı");
    click(Control<QPushButton>(w, "Command2"));
    QVERIFY(browseState(w));
    QCOMPARE(editorText(w), QStringLiteral("iki"));
    click(Control<QPushButton>(w, "Command5"));
    type(Control<QPlainTextEdit>(w, "txtMesaj"), "yeni");
    click(Control<QPushButton>(w, "Command2"));
    QVERIFY(browseState(w));
    QCOMPARE(editorText(w), QStringLiteral("iki"));
    QCOMPARE(env.prompts().count(), 0);
    QCOMPARE(env.db().scalar("SELECT count(*) FROM tbl_sablonlar").toInt(), 2);
}

void TestFrmSablonlar::layoutFollowsMainWindow()
{
    Env env;
    frmSablonlar *w = env.open();
    env.main.mdi()->resize(tw(15000), tw(10500));
    QTRY_COMPARE(w->width(), tw(env.main.mdi()->ScaleWidth() - 2850));
    const int width = WidthTw(w), height = HeightTw(w);
    QCOMPARE(Control<QGroupBox>(w, "Frame2")->geometry(),
             QRect(tw(120), tw(height - 855 - 225), tw(width - 225), tw(855)));
    QCOMPARE(Control<QGroupBox>(w, "Frame1")->y(), tw(height - 1815 - 855 - 225));
    QCOMPARE(Control<DataGrid>(w, "DataGrid1")->geometry().top(), tw(1680));
    QCOMPARE(Control<DataGrid>(w, "DataGrid1")->height(), tw(height - 1680 - 1815 - 855 - 225));
    QCOMPARE(Control<QFrame>(w, "Frame3")->y(), tw(-90));
    // The buttons stand right-aligned: 150 twips to the edge, 100 between them.
    const int f2 = WidthTw(Control<QGroupBox>(w, "Frame2"));
    QCOMPARE(Control<QPushButton>(w, "Command2")->x(), tw(f2 - 1215 - 150));
    QCOMPARE(Control<QPushButton>(w, "Command5")->x(), tw(f2 - 4 * 1215 - 450));
    QCOMPARE(Control<QLabel>(w, "Label1")->x(),
             tw(WidthTw(Control<QGroupBox>(w, "Frame1")) - WidthTw(Control<QLabel>(w, "Label1")) - 75));
    QCOMPARE(Control<DataGrid>(w, "DataGrid1")->view()->columnWidth(1),
             tw(WidthTw(Control<DataGrid>(w, "DataGrid1")) - 330));
}

QTEST_MAIN(TestFrmSablonlar)
#include "tst_frmsablonlar.moc"
