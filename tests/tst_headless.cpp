// The seams without any handler installed, as a program without windows runs them: boxes
// become lines on standard error, questions take their safe answer, the progress window and
// the end of the program need no display. This test links the core library only.

#include "core/AppState.h"
#include "core/LocalDb.h"
#include "core/Services.h"
#include "core/SettingsLoader.h"
#include "tests/support/Fixtures.h"

#include <QFile>
#include <QTemporaryFile>
#include <QtTest>

#include <cstdio>
#include <unistd.h>

namespace {
// Sends standard error to a file while it lives; text() reads what was written.
class StderrCapture {
public:
    StderrCapture()
    {
        m_file.open();
        std::fflush(stderr);
        m_saved = ::dup(STDERR_FILENO);
        ::dup2(m_file.handle(), STDERR_FILENO);
    }
    ~StderrCapture() { restore(); }
    QString text()
    {
        restore();
        QFile f(m_file.fileName());
        f.open(QIODevice::ReadOnly);
        return QString::fromUtf8(f.readAll());
    }

private:
    void restore()
    {
        if (m_saved < 0) return;
        std::fflush(stderr);
        ::dup2(m_saved, STDERR_FILENO);
        ::close(m_saved);
        m_saved = -1;
    }
    QTemporaryFile m_file;
    int m_saved = -1;
};
} // namespace

class TestHeadless : public QObject {
    Q_OBJECT
private slots:
    void init()
    {
        Prompt::setHandler(nullptr);
        ProgressWindow::setHandlers({});
        Lifecycle::setHandler(nullptr);
        Lifecycle::reset();
    }
    void boxIsALineWithItsSafeAnswer_data();
    void boxIsALineWithItsSafeAnswer();
    void loadSettingsOnMissingDatabaseTellsOnStderr();
    void progressAndEndNeedNoDisplay();
};

void TestHeadless::boxIsALineWithItsSafeAnswer_data()
{
    QTest::addColumn<PromptButtons>("buttons");
    QTest::addColumn<PromptAnswer>("answer");
    QTest::newRow("ok") << PromptButtons::Ok << PromptAnswer::Ok;
    QTest::newRow("yes/no: no") << PromptButtons::YesNo << PromptAnswer::No;
    QTest::newRow("ok/cancel: cancel") << PromptButtons::OkCancel << PromptAnswer::Cancel;
}

void TestHeadless::boxIsALineWithItsSafeAnswer()
{
    QFETCH(PromptButtons, buttons);
    QFETCH(PromptAnswer, answer);
    StderrCapture err;
    QCOMPARE(Prompt::show(QStringLiteral("Birinci satır\r\nİkinci satır"), PromptIcon::Question,
                          QStringLiteral("Başlık"), buttons),
             answer);
    QCOMPARE(err.text(), QStringLiteral("Başlık: Birinci satır İkinci satır\n"));
}

void TestHeadless::loadSettingsOnMissingDatabaseTellsOnStderr()
{
    ProgramFolderFixture fx(false);
    gErpConfigured = true;
    StderrCapture err;
    LoadSettings();
    const QString text = err.text();
    QVERIFY(!gErpConfigured);
    QVERIFY(!gErrorText.isEmpty());
    QString line = QStringLiteral("Brenvik: ") + gErrorText;
    line.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    QVERIFY2(text.contains(line + QLatin1Char('\n')), qPrintable(text));
    QVERIFY(text.startsWith(QStringLiteral("Brenvik: Sistem bilgileri kontrol edilemiyor.")));
}

void TestHeadless::progressAndEndNeedNoDisplay()
{
    ProgressWindow::show();
    ProgressWindow::setStatus(QStringLiteral("bir"));
    ProgressWindow::showSpeed(true);
    ProgressWindow::runTimer(true);
    ProgressWindow::hide();

    int closed = 0;
    Lifecycle::setClosing([&] { ++closed; });
    Lifecycle::endProgram();
    QVERIFY(Lifecycle::ended());
    QCOMPARE(closed, 1);
    Lifecycle::setClosing(nullptr);
    Lifecycle::reset();
}

QTEST_GUILESS_MAIN(TestHeadless)
#include "tst_headless.moc"
