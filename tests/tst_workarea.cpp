#include "core/Services.h"
#include "core/TimeSlice.h"
#include "shell/DesktopLook.h"
#include "shell/DockedWindow.h"
#include "shell/Twips.h"
#include "shell/WorkArea.h"
#include "shell/frmAna.h"
#include "shell/frmBrw.h"
#include "shell/frmMDI.h"
#include "tests/support/MainWindowFixture.h"

#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <functional>

Q_DECLARE_METATYPE(TwRect)

namespace {
// What the probe windows did, in order ("frmChkMesaj:load", ...); it outlives the windows.
QStringList g_events;

class ProbeWindow : public DockedWindow {
    Q_OBJECT
public:
    explicit ProbeWindow(const QString &name)
    {
        setObjectName(name);
        cmdRun = new QPushButton(QStringLiteral("Çalıştır"), this);
        cmdRun->setObjectName(QStringLiteral("cmdRun"));
        connect(cmdRun, &QPushButton::clicked, this, [this] {
            if (onClick) onClick(this);
        });
    }

    QPushButton *cmdRun;
    std::function<void(ProbeWindow *)> onClick;
    bool refuseUnload = false;
    QSize sizeAtLoad;
    bool mainWindowAtLoad = false;
    int rowsDone = 0;

protected:
    void Form_Load() override
    {
        sizeAtLoad = size();
        mainWindowAtLoad = frmMDIForm != nullptr;
        g_events << objectName() + QStringLiteral(":load");
    }
    void Form_Activate() override { g_events << objectName() + QStringLiteral(":activate"); }
    void ArrangeControls() override { g_events << objectName() + QStringLiteral(":arrange"); }
    bool Form_QueryUnload() override
    {
        g_events << objectName() + QStringLiteral(":close");
        return refuseUnload;
    }
};

// Work set names that no window of this program's folders fills yet in these tests.
const QString kRecipient = QStringLiteral("frmChkMesaj");
const QString kSendScreen = QStringLiteral("frmSonEkran");

void registerProbe(const QString &name)
{
    WorkForms::registerFactory(name, [name] { return new ProbeWindow(name); });
}

ProbeWindow *openProbe(frmMDI *mdi, const QString &name)
{
    auto *w = qobject_cast<ProbeWindow *>(WorkForms::get(name));
    if (!w) return nullptr;
    w->frmMDIForm = mdi;
    w->Show();
    return w;
}

QRect dockedRect(const frmMDI *mdi)
{
    const TwRect r = DockedWindowGeometry(mdi->ScaleWidth(), mdi->ScaleHeight());
    return QRect(tw(r.left), tw(r.top), tw(r.width), tw(r.height));
}

int countOf(const QString &event) { return int(g_events.count(event)); }
} // namespace

class TestWorkArea : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void twipsAndDockedGeometry_data();
    void twipsAndDockedGeometry();
    void twipUnit_data();
    void twipUnit();
    void twipScaleFitsTheFont();
    void dockedWindowFollowsMainWindow();
    void tooSmallMainWindowKeepsRefusedSizes();
    void loadAndActivateRunOncePerInstance();
    void severalLoadedAndUnloadWorkFormsInOrder();
    void refusedUnloadKeepsWindow();
    void topLevelMembersAreUnloadedToo();
    void handlerThatUnloadsItsOwnWindow();
    void yieldingLoopStops_data();
    void yieldingLoopStops();
    void yieldOnSlice_data();
    void yieldOnSlice();
    void sliceEndsSoonAfterItsLength();
    void keepAliveHoldsDeletionBack();
};

void TestWorkArea::init()
{
    g_events.clear();
    registerProbe(kRecipient);
    registerProbe(kSendScreen);
}

void TestWorkArea::cleanup()
{
    WorkForms::registerFactory(kRecipient, nullptr);
    WorkForms::registerFactory(kSendScreen, nullptr);
    TimeSlice::setLength(-1);
    QCOMPARE(WorkOperation::runningCount(), 0);
}

void TestWorkArea::twipsAndDockedGeometry_data()
{
    QTest::addColumn<int>("clientWidth");
    QTest::addColumn<int>("clientHeight");
    QTest::addColumn<TwRect>("expected");
    QTest::newRow("design size") << 11670 << 7935 << TwRect{2800, 0, 8820, 7875};
    QTest::newRow("exactly the margins") << 2850 << 60 << TwRect{2800, 0, 0, 0};
    QTest::newRow("narrower than the panel") << 1500 << 30 << TwRect{2800, 0, -1350, -30};
}

void TestWorkArea::twipsAndDockedGeometry()
{
    QFETCH(int, clientWidth);
    QFETCH(int, clientHeight);
    QFETCH(TwRect, expected);
    QCOMPARE(DockedWindowGeometry(clientWidth, clientHeight), expected);
}

void TestWorkArea::twipUnit_data()
{
    QTest::addColumn<double>("scale");
    QTest::addColumn<int>("twips");
    QTest::addColumn<int>("pixels");
    // 15 twips to the pixel at the design font, rounded to the nearest pixel both ways from
    // zero; a wider font stretches every twip by the same ratio.
    QTest::newRow("panel") << 1.0 << 2800 << 187;
    QTest::newRow("under half a pixel") << 1.0 << 7 << 0;
    QTest::newRow("over half a pixel") << 1.0 << 8 << 1;
    QTest::newRow("negative") << 1.0 << -90 << -6;
    QTest::newRow("browser") << 1.0 << 8850 << 590;
    QTest::newRow("panel, wider font") << 1.25 << 2800 << 233;
    QTest::newRow("negative half, wider font") << 1.25 << -90 << -8;
    QTest::newRow("browser, wider font") << 1.25 << 8850 << 738;
}

void TestWorkArea::twipUnit()
{
    QFETCH(double, scale);
    QFETCH(int, twips);
    QFETCH(int, pixels);
    struct Restore {
        ~Restore() { SetTwipScale(0); }
    } restore;
    SetTwipScale(scale);
    QCOMPARE(tw(twips), pixels);
    // Back to twips within half a pixel.
    QVERIFY(qAbs(toTwips(tw(twips)) - twips) <= qRound(kTwipsPerPixel / scale / 2));
}

void TestWorkArea::twipScaleFitsTheFont()
{
    SetTwipScale(0);
    QCOMPARE(TwipScale(), TwipScaleForFont(QApplication::font()));
    // The program's font is wider than the design font; a narrower one keeps the design scale.
    QVERIFY(TwipScaleForFont(ProgramFont()) > 1.1);
    QFont narrow = ProgramFont();
    narrow.setPointSize(5);
    QCOMPARE(TwipScaleForFont(narrow), 1.0);
}

void TestWorkArea::dockedWindowFollowsMainWindow()
{
    MainWindowFixture fx;
    ProbeWindow *recipient = openProbe(fx.mdi(), kRecipient);
    QVERIFY(recipient);
    QCOMPARE(recipient->parentWidget(), fx.mdi()->workArea());
    QCOMPARE(recipient->geometry(), dockedRect(fx.mdi()));
    QVERIFY(recipient->mainWindowAtLoad);
    QCOMPARE(recipient->sizeAtLoad, dockedRect(fx.mdi()).size());

    // A hidden loaded window (the recipient window behind the send screen) follows as well.
    ProbeWindow *send = openProbe(fx.mdi(), kSendScreen);
    recipient->hide();
    const int arrangedBefore = countOf(kRecipient + ":arrange");
    fx.mdi()->resize(fx.mdi()->width() + 150, fx.mdi()->height() + 90);
    QTRY_COMPARE(send->geometry(), dockedRect(fx.mdi()));
    QCOMPARE(recipient->geometry(), dockedRect(fx.mdi()));
    QVERIFY(countOf(kRecipient + ":arrange") > arrangedBefore);
    // The browser window is docked by the same rule.
    QCOMPARE(WorkForms::find<frmBrw>()->geometry(), dockedRect(fx.mdi()));
}

void TestWorkArea::tooSmallMainWindowKeepsRefusedSizes()
{
    MainWindowFixture fx;
    ProbeWindow *w = openProbe(fx.mdi(), kRecipient);
    const QSize before = w->size();
    // A client area narrower than 2850 twips: the width cannot be applied, the height can.
    fx.mdi()->resize(150, fx.mdi()->height());
    QTRY_VERIFY(fx.mdi()->ScaleWidth() < 2850);
    QCOMPARE(w->width(), before.width());
    QCOMPARE(w->height(), dockedRect(fx.mdi()).height());
    QCOMPARE(w->pos(), QPoint(tw(2800), 0));
    QCOMPARE(fx.ana()->width(), tw(kNavigationPanelWidth));
}

void TestWorkArea::loadAndActivateRunOncePerInstance()
{
    MainWindowFixture fx;
    ProbeWindow *w = openProbe(fx.mdi(), kRecipient);
    w->Show();
    w->hide();
    w->Show();
    QCOMPARE(g_events.filter(kRecipient).mid(0, 3),
             QStringList({kRecipient + ":load", kRecipient + ":arrange", kRecipient + ":activate"}));
    QCOMPARE(countOf(kRecipient + ":load"), 1);
    QCOMPARE(countOf(kRecipient + ":activate"), 1);
    QVERIFY(w->isVisible());

    // Opening it again after an unload loads a fresh instance.
    QPointer<ProbeWindow> old = w;
    QVERIFY(WorkForms::unload(kRecipient));
    ProbeWindow *again = openProbe(fx.mdi(), kRecipient);
    QVERIFY(again != old.data());
    QCOMPARE(countOf(kRecipient + ":load"), 2);
    QCOMPARE(countOf(kRecipient + ":activate"), 2);
    MainWindowFixture::flushDeletes();
    QVERIFY(old.isNull());
}

void TestWorkArea::severalLoadedAndUnloadWorkFormsInOrder()
{
    MainWindowFixture fx;
    ProbeWindow *send = openProbe(fx.mdi(), kSendScreen);
    ProbeWindow *recipient = openProbe(fx.mdi(), kRecipient);
    recipient->hide();
    send->raise();
    QCOMPARE(WorkForms::loadedWorkForms(), QStringList({"frmBrw", kRecipient, kSendScreen}));

    QPointer<ProbeWindow> r = recipient, s = send;
    g_events.clear();
    UnloadWorkForms();
    // Work set order, whatever the loading order; the hidden window's handler runs too.
    QCOMPARE(g_events, QStringList({kRecipient + ":close", kSendScreen + ":close"}));
    QVERIFY(WorkForms::loadedWorkForms().isEmpty());
    for (ProbeWindow *w : {recipient, send}) {
        QVERIFY(w->frmMDIForm.isNull());
        QVERIFY(w->isHidden());
        QVERIFY(w->parentWidget() == nullptr);
    }
    // Unloaded windows no longer follow the main window.
    fx.mdi()->resize(fx.mdi()->width() + 60, fx.mdi()->height());
    QTest::qWait(0);
    QCOMPARE(countOf(kRecipient + ":arrange"), 0);
    MainWindowFixture::flushDeletes();
    QVERIFY(r.isNull());
    QVERIFY(s.isNull());
    // Unloading what is not loaded does nothing.
    QVERIFY(WorkForms::unload(kRecipient));
    UnloadWorkForms();
}

void TestWorkArea::refusedUnloadKeepsWindow()
{
    MainWindowFixture fx;
    ProbeWindow *w = openProbe(fx.mdi(), kRecipient);
    w->refuseUnload = true;
    QVERIFY(!WorkForms::unload(w));
    MainWindowFixture::flushDeletes();
    QCOMPARE(WorkForms::find(kRecipient), w);
    QVERIFY(w->isVisible());
    QCOMPARE(w->frmMDIForm.data(), fx.mdi());
    QCOMPARE(w->parentWidget(), fx.mdi()->workArea());
    w->refuseUnload = false;
    QVERIFY(WorkForms::unload(w));
    QVERIFY(!WorkForms::isLoaded(kRecipient));
}

void TestWorkArea::topLevelMembersAreUnloadedToo()
{
    MainWindowFixture fx;
    // A non-docked member (the template picker, say) created by other means joins the set.
    auto *picker = new QWidget(nullptr, Qt::Tool);
    picker->show();
    WorkForms::adopt(picker, QStringLiteral("frmSablon"));
    QPointer<QWidget> p = picker;
    QCOMPARE(WorkForms::loadedWorkForms(), QStringList({"frmBrw", "frmSablon"}));
    fx.clickNode(QStringLiteral("OnLineServisler"));
    QVERIFY(p && p->isHidden());
    QCOMPARE(WorkForms::loadedWorkForms(), QStringList({"frmBrw"}));
    MainWindowFixture::flushDeletes();
    QVERIFY(p.isNull());
}

void TestWorkArea::handlerThatUnloadsItsOwnWindow()
{
    MainWindowFixture fx;
    ProbeWindow *w = openProbe(fx.mdi(), kRecipient);
    QPointer<ProbeWindow> guard = w;
    bool aliveAfterNavigation = false;
    w->onClick = [&](ProbeWindow *self) {
        OnLineServislerGoster(); // the close button of a work window
        // The handler is still on the stack: its window must still be there.
        self->rowsDone = 1;
        aliveAfterNavigation = !guard.isNull() && self->cmdRun->objectName() == QLatin1String("cmdRun");
    };
    QTest::mouseClick(w->cmdRun, Qt::LeftButton);
    QVERIFY(aliveAfterNavigation);
    QCOMPARE(WorkForms::loadedWorkForms(), QStringList({"frmBrw"}));
    QVERIFY(WorkForms::find<frmBrw>()->isVisible());
    MainWindowFixture::flushDeletes();
    QVERIFY(guard.isNull());
}

void TestWorkArea::yieldingLoopStops_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("navigation click") << "navigation";
    QTest::newRow("watched window unloaded") << "watched";
    QTest::newRow("main window closed") << "close";
}

void TestWorkArea::yieldingLoopStops()
{
    QFETCH(QString, how);
    MainWindowFixture fx;
    ProbeWindow *send = openProbe(fx.mdi(), kSendScreen);
    ProbeWindow *recipient = openProbe(fx.mdi(), kRecipient);
    QPointer<ProbeWindow> r = recipient, s = send;
    bool stopped = false;
    bool aliveAtStop = false;
    recipient->onClick = [&](ProbeWindow *self) {
        WorkOperation op(self);
        op.watch(send);
        for (int row = 0; row < 1000; ++row) {
            if (row == 3) {
                QTimer::singleShot(0, fx.mdi(), [&] {
                    if (how == QLatin1String("navigation"))
                        fx.clickNode(QStringLiteral("OnLineServisler"));
                    else if (how == QLatin1String("watched"))
                        WorkForms::unload(kSendScreen);
                    else
                        fx.mdi()->close();
                });
            }
            if (op.yield()) {
                stopped = true;
                aliveAtStop = !r.isNull() && !s.isNull();
                // Its tidy-up lets events run once more (a progress window closing) and
                // then re-enables its button: the window must not have gone meanwhile.
                QCoreApplication::processEvents();
                self->cmdRun->setEnabled(true);
                return;
            }
            self->rowsDone = row + 1; // touches the window after every yield
        }
    };
    QTest::mouseClick(recipient->cmdRun, Qt::LeftButton);
    QVERIFY(stopped);
    QVERIFY(aliveAtStop);
    QCOMPARE(WorkOperation::runningCount(), 0);
    if (how == QLatin1String("navigation")) {
        QCOMPARE(WorkForms::loadedWorkForms(), QStringList({"frmBrw"}));
        QCOMPARE(fx.browser.navigations.size(), 2);
    } else if (how == QLatin1String("close")) {
        QCOMPARE(fx.life.endCount, 1);
        QVERIFY(WorkForms::loadedWorkForms().isEmpty());
    } else {
        QVERIFY(WorkForms::isLoaded(kRecipient));
    }
    MainWindowFixture::flushDeletes();
    QVERIFY(s.isNull());
    if (how != QLatin1String("watched"))
        QVERIFY(r.isNull());
    else
        QCOMPARE(r->rowsDone, 3);
}

void TestWorkArea::yieldOnSlice_data()
{
    QTest::addColumn<int>("sliceMs");
    QTest::addColumn<QString>("stopAfterThird"); // what the loop itself does after 3 calls
    QTest::addColumn<int>("eventRuns");          // runs of the message loop in 5 calls
    QTest::addColumn<int>("calls");              // calls that returned false
    QTest::newRow("slice of 0: events at every call") << 0 << "" << 5 << 5;
    QTest::newRow("long slice: events at the first call only") << 60000 << "" << 1 << 5;
    // Between two runs of the events the stop test still answers at once.
    QTest::newRow("operation cancelled within the slice") << 60000 << "cancel" << 1 << 3;
    QTest::newRow("watched window unloaded within the slice") << 60000 << "unload" << 1 << 3;
}

void TestWorkArea::yieldOnSlice()
{
    QFETCH(int, sliceMs);
    QFETCH(QString, stopAfterThird);
    QFETCH(int, eventRuns);
    QFETCH(int, calls);
    TimeSlice::setLength(sliceMs);
    MainWindowFixture fx;
    ProbeWindow *recipient = openProbe(fx.mdi(), kRecipient);
    ProbeWindow *send = openProbe(fx.mdi(), kSendScreen);
    int runs = 0;
    QTimer tick;
    tick.setInterval(0);
    connect(&tick, &QTimer::timeout, this, [&] { ++runs; });
    tick.start();

    int going = 0;
    {
        WorkOperation op(recipient);
        op.watch(send);
        for (int call = 0; call < 5; ++call) {
            if (call == 3 && stopAfterThird == QLatin1String("cancel")) op.cancel();
            if (call == 3 && stopAfterThird == QLatin1String("unload")) WorkForms::unload(kSendScreen);
            if (op.yieldOnSlice()) break;
            ++going;
        }
    }
    tick.stop();
    QCOMPARE(runs, eventRuns);
    QCOMPARE(going, calls);
}

void TestWorkArea::keepAliveHoldsDeletionBack()
{
    MainWindowFixture fx;
    QPointer<ProbeWindow> w = openProbe(fx.mdi(), kRecipient);
    {
        WorkForms::KeepAlive keep(w);
        UnloadWorkForms();
        MainWindowFixture::flushDeletes();
        QVERIFY(!w.isNull());
        QVERIFY(WorkForms::isUnloaded(w));
        // A Show after the unload does not bring it back.
        w->Show();
        QVERIFY(w->isHidden());
    }
    MainWindowFixture::flushDeletes();
    QVERIFY(w.isNull());
}

// A quick loop reads the clock only every few calls, yet the slice still ends within those
// few calls once its time is up; a slow loop's slice ends at the first call after it.
void TestWorkArea::sliceEndsSoonAfterItsLength()
{
    const auto spin = [](qint64 ns) {
        QElapsedTimer t;
        t.start();
        while (t.nsecsElapsed() < ns) {}
    };
    TimeSlice::setLength(1);
    TimeSlice slice;
    QVERIFY(slice.due());
    slice.restart();
    while (!slice.due()) {} // a millisecond of quick calls
    slice.restart();
    spin(2000000);
    int late = 1;
    while (!slice.due()) ++late;
    QVERIFY2(late <= 32, qPrintable(QString::number(late)));

    // A slow loop: once a slice has seen few calls, the clock is read at every call.
    for (int i = 0; i < 3; ++i) {
        slice.restart();
        spin(1500000);
        int n = 1;
        while (!slice.due()) ++n;
        if (i > 0) QCOMPARE(n, 1);
    }

    TimeSlice::setLength(0);
    TimeSlice everyCall;
    for (int i = 0; i < 100; ++i) {
        QVERIFY(everyCall.due());
        everyCall.restart();
    }
}

QTEST_MAIN(TestWorkArea)
#include "tst_workarea.moc"
