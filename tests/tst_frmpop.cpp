#include "shell/frmPop.h"
#include "tests/support/Controls.h"

#include <QAction>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QTextEdit>
#include <QVBoxLayout>
#include <QtTest>

namespace {
// A caller window with a message text box of the given kind.
struct Caller {
    QWidget form;
    QWidget *box = nullptr;
    QLineEdit *other = nullptr;
    explicit Caller(const QString &kind)
    {
        auto *layout = new QVBoxLayout(&form);
        if (kind == "line")
            box = new QLineEdit(&form);
        else if (kind == "plain")
            box = new QPlainTextEdit(&form);
        else
            box = new QTextEdit(&form);
        box->setObjectName("txtMesaj");
        other = new QLineEdit(&form);
        layout->addWidget(box);
        layout->addWidget(other);
        form.show();
        form.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&form));
    }
    QString text() const
    {
        if (auto *l = qobject_cast<QLineEdit *>(box)) return l->text();
        if (auto *p = qobject_cast<QPlainTextEdit *>(box)) return p->toPlainText();
        return qobject_cast<QTextEdit *>(box)->toPlainText();
    }
    void setText(const QString &t, int selStart, int selLength)
    {
        if (auto *l = qobject_cast<QLineEdit *>(box)) {
            l->setText(t);
            if (selLength)
                l->setSelection(selStart, selLength);
            else
                l->setCursorPosition(selStart);
            return;
        }
        QTextCursor c;
        if (auto *p = qobject_cast<QPlainTextEdit *>(box)) {
            p->setPlainText(t);
            c = p->textCursor();
        } else {
            qobject_cast<QTextEdit *>(box)->setPlainText(t);
            c = qobject_cast<QTextEdit *>(box)->textCursor();
        }
        c.setPosition(selStart);
        c.setPosition(selStart + selLength, QTextCursor::KeepAnchor);
        if (auto *p = qobject_cast<QPlainTextEdit *>(box))
            p->setTextCursor(c);
        else
            qobject_cast<QTextEdit *>(box)->setTextCursor(c);
    }
    int caret() const
    {
        if (auto *l = qobject_cast<QLineEdit *>(box)) return l->cursorPosition();
        if (auto *p = qobject_cast<QPlainTextEdit *>(box)) return p->textCursor().position();
        return qobject_cast<QTextEdit *>(box)->textCursor().position();
    }
};

void flushDeletes() { QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete); }
} // namespace

class TestFrmPop : public QObject {
    Q_OBJECT
private slots:
    void cleanup();
    void insertion_data();
    void insertion();
    void emptyCaptionChangesNothing();
    void fillingFollowsTheLastCaller();
    void menuClickInsertsAtCaret();
    void unloadDropsItemsAndTargets();
    void deletedTextBoxIsIgnored();
};

void TestFrmPop::cleanup()
{
    frmPop::unload();
    flushDeletes();
}

void TestFrmPop::insertion_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("selStart");
    QTest::addColumn<int>("selLength");
    QTest::addColumn<QString>("column");
    QTest::addColumn<QString>("expected");
    for (const char *kind : {"line", "plain", "rich"}) {
        const QString k = QString::fromLatin1(kind);
        QTest::addRow("%s: caret between A and B", kind) << k << "AB" << 1 << 0 << "Unvan1"
                                                         << "A[##Unvan1##]B";
        QTest::addRow("%s: empty box", kind) << k << "" << 0 << 0 << "CepTel"
                                             << "[##CepTel##]";
        QTest::addRow("%s: selection stays behind", kind) << k << "xabcx" << 1 << 3 << "F"
                                                          << "x[##F##]abcx";
        QTest::addRow("%s: caret at start", kind)
            << k << QStringLiteral("Sayın") << 0 << 0 << "Ad" << QStringLiteral("[##Ad##]Sayın");
        QTest::addRow("%s: caption unchanged", kind) << k << "a" << 1 << 0 << " Kod 1 "
                                                     << "a[## Kod 1 ##]";
    }
    QTest::newRow("plain: second line") << "plain"
                                        << "Merhaba\nDünya" << 8 << 0 << "Ad"
                                        << "Merhaba\n[##Ad##]Dünya";
}

void TestFrmPop::insertion()
{
    QFETCH(QString, kind);
    QFETCH(QString, text);
    QFETCH(int, selStart);
    QFETCH(int, selLength);
    QFETCH(QString, column);
    QFETCH(QString, expected);
    Caller caller(kind);
    // Focus elsewhere (the "Alan ekle" button) before the selection: a line edit drops its
    // selection when it loses the focus.
    caller.other->setFocus();
    QTRY_VERIFY(caller.other->hasFocus());
    caller.setText(text, selStart, selLength);
    frmPop *pop = frmPop::instance();
    pop->setColumns({"HesapKodu", column});
    pop->TargetForm = &caller.form;
    pop->TargetTextBox = caller.box;
    pop->AltmnuAry_Click(1);
    QCOMPARE(caller.text(), expected);
    QCOMPARE(caller.caret(), int(expected.size())); // at the very end, not behind the placeholder
    QTRY_VERIFY(caller.box->hasFocus());
}

void TestFrmPop::emptyCaptionChangesNothing()
{
    Caller caller("line");
    caller.setText("AB", 1, 0);
    caller.other->setFocus();
    QTRY_VERIFY(caller.other->hasFocus());
    frmPop *pop = frmPop::instance();
    QCOMPARE(pop->AltmnuAry().size(), 1);
    QCOMPARE(pop->AltmnuAry().at(0)->text(), QString());
    pop->TargetTextBox = caller.box;
    pop->AltmnuAry_Click(0);
    QCOMPARE(caller.text(), QStringLiteral("AB"));
    QCOMPARE(caller.caret(), 1);
    QVERIFY(caller.other->hasFocus());
}

void TestFrmPop::fillingFollowsTheLastCaller()
{
    frmPop *pop = frmPop::instance();
    const auto captions = [pop] {
        QStringList c;
        for (QAction *a : pop->AltmnuAry()) c << a->text();
        return c;
    };
    const QStringList chk = {"HesapKodu", "Unvan1", "Unvan2", "YetkiliAdi", "CepTelBKod", "CepTel"};
    pop->setColumns(chk);
    QCOMPARE(captions(), chk);
    QCOMPARE(Control<QMenu>(pop, "mnuGizli")->actions(), pop->AltmnuAry());
    // A shorter list leaves nothing of the longer one.
    pop->setColumns({"Ad", "Soyad"});
    QCOMPARE(captions(), QStringList({"Ad", "Soyad"}));
    QCOMPARE(Control<QMenu>(pop, "mnuGizli")->actions().size(), 2);
    // With no columns item 0 keeps its caption.
    pop->setColumns({});
    QCOMPARE(captions(), QStringList({"Ad"}));
    QCOMPARE(frmPop::instance(), pop);
}

void TestFrmPop::menuClickInsertsAtCaret()
{
    Caller caller("plain");
    caller.setText("AB", 1, 0);
    frmPop *pop = frmPop::instance();
    pop->setColumns({"HesapKodu", "Unvan1"});
    pop->popup(&caller.form, caller.box, caller.form.mapToGlobal(QPoint(10, 10)));
    QCOMPARE(pop->TargetForm.data(), &caller.form);
    QCOMPARE(pop->TargetTextBox.data(), caller.box);
    QTRY_VERIFY(Control<QMenu>(pop, "mnuGizli")->isVisible());
    QVERIFY(!pop->isVisible());
    QAction *item = pop->AltmnuAry().at(1);
    QTest::mouseClick(Control<QMenu>(pop, "mnuGizli"), Qt::LeftButton, {},
                      Control<QMenu>(pop, "mnuGizli")->actionGeometry(item).center());
    QTRY_COMPARE(caller.text(), QStringLiteral("A[##Unvan1##]B"));
    QVERIFY(!Control<QMenu>(pop, "mnuGizli")->isVisible());
    QCOMPARE(caller.caret(), 14);
}

void TestFrmPop::unloadDropsItemsAndTargets()
{
    Caller caller("line");
    QPointer<frmPop> pop = frmPop::instance();
    pop->setColumns({"A", "B", "C"});
    pop->popup(&caller.form, caller.box, QPoint(0, 0));
    frmPop::unload();
    QVERIFY(!frmPop::isLoaded());
    QVERIFY(pop->TargetForm.isNull() && pop->TargetTextBox.isNull());
    QCOMPARE(pop->AltmnuAry().size(), 1);
    flushDeletes();
    QVERIFY(pop.isNull());
    frmPop *next = frmPop::instance();
    QCOMPARE(next->AltmnuAry().size(), 1);
    QCOMPARE(next->AltmnuAry().at(0)->text(), QString());
    QVERIFY(next->TargetTextBox.isNull());
    // Never on screen, never keeps the program running.
    next->show();
    QTRY_VERIFY(!next->isVisible());
    QVERIFY(!next->testAttribute(Qt::WA_QuitOnClose));
}

void TestFrmPop::deletedTextBoxIsIgnored()
{
    frmPop *pop = frmPop::instance();
    pop->setColumns({"Ad"});
    pop->AltmnuAry_Click(0); // no target yet
    {
        Caller caller("line");
        pop->TargetTextBox = caller.box;
    }
    QVERIFY(pop->TargetTextBox.isNull());
    pop->AltmnuAry_Click(0);
    pop->AltmnuAry_Click(7); // no such item
}

QTEST_MAIN(TestFrmPop)
#include "tst_frmpop.moc"
