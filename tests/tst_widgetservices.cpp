// The Widgets implementations of the shell's file opening and of the save dialog, as the
// running program installs them: xdg-open's verdict on a document reaches the caller, and the
// save dialog opens in its folder with an empty name.

#include "core/Services.h"
#include "shell/WidgetServices.h"

#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

namespace {
// Runs `look` on the first modal file dialog that opens, then cancels it.
void lookAtDialog(const std::function<void(QFileDialog *)> &look, QTimer &poll)
{
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&poll, look] {
        auto *dialog = qobject_cast<QFileDialog *>(QApplication::activeModalWidget());
        if (!dialog) return;
        poll.stop();
        look(dialog);
        dialog->reject();
    });
    poll.start();
}
} // namespace

class TestWidgetServices : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void opener_data();
    void opener();
    void saveDialogOpensInItsFolder_data();
    void saveDialogOpensInItsFolder();

private:
    QByteArray m_path;
};

void TestWidgetServices::initTestCase()
{
    m_path = qgetenv("PATH");
    InstallWidgetServices();
}

void TestWidgetServices::cleanupTestCase()
{
    qputenv("PATH", m_path);
    Prompt::setHandler(nullptr);
    FileDialog::setHandler(nullptr);
    Shell::setHandlers(Shell::defaultHandlers());
}

void TestWidgetServices::opener_data()
{
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("declined");
    QTest::newRow("a program shows it") << 0 << false;
    QTest::newRow("no program for the type") << 3 << true;
    QTest::newRow("the program failed") << 4 << true;
    QTest::newRow("the file was not found") << 2 << true;
}

// xdg-open starts on any desktop; what it found out reaches the caller afterwards.
void TestWidgetServices::opener()
{
    QFETCH(int, exitCode);
    QFETCH(bool, declined);
    QTemporaryDir bin;
    const QString seen = bin.filePath(QStringLiteral("seen"));
    QFile script(bin.filePath(QStringLiteral("xdg-open")));
    QVERIFY(script.open(QIODevice::WriteOnly));
    script.write(QStringLiteral("#!/bin/sh\nprintf '%s' \"$1\" > '%1'\nexit %2\n").arg(seen).arg(exitCode).toUtf8());
    script.close();
    QVERIFY(script.setPermissions(script.permissions() | QFileDevice::ExeOwner));
    qputenv("PATH", QFile::encodeName(bin.path()));

    int declines = 0;
    const QString document = bin.filePath(QStringLiteral("Yardım dosyası.html"));
    QVERIFY(Shell::openFile(document, [&declines] { ++declines; }));
    // The opener is done once its watcher has gone.
    QTRY_VERIFY(QCoreApplication::instance()->findChildren<QProcess *>().isEmpty());
    qputenv("PATH", m_path);

    QFile argument(seen);
    QVERIFY(argument.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(argument.readAll()), document);
    QCOMPARE(declines, declined ? 1 : 0);
}

void TestWidgetServices::saveDialogOpensInItsFolder_data()
{
    QTest::addColumn<QString>("startFolder"); // relative to a fresh folder
    QTest::newRow("a folder") << "Belgeler";
    QTest::newRow("a folder named like a file") << "rapor.xlsx";
}

void TestWidgetServices::saveDialogOpensInItsFolder()
{
    QFETCH(QString, startFolder);
    QTemporaryDir dir;
    QVERIFY(QDir(dir.path()).mkpath(startFolder));
    const QString folder = dir.filePath(startFolder);
    QString shownFolder, shownName = QStringLiteral("(none)");
    QTimer poll;
    lookAtDialog(
        [&](QFileDialog *dialog) {
            shownFolder = dialog->directory().absolutePath();
            if (auto *name = dialog->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))) shownName = name->text();
        },
        poll);

    QCOMPARE(FileDialog::getSaveFileName(QStringLiteral("Save As"), folder,
                                         QStringLiteral("Microsoft Excel Dosyaları (*.xlsx)")),
             QString());
    QCOMPARE(shownFolder, folder);
    QCOMPARE(shownName, QString());
}

QTEST_MAIN(TestWidgetServices)
#include "tst_widgetservices.moc"
