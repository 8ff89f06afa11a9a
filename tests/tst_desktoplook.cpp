// Qt's own texts in Turkish: the standard buttons of the program's message boxes and the
// save dialog, with the program's value formats untouched by the Turkish default locale.

#include "core/Services.h"
#include "core/ValueText.h"
#include "shell/DesktopLook.h"
#include "shell/WidgetServices.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLocale>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>
#include <functional>

Q_DECLARE_METATYPE(PromptButtons)

namespace {
QString withoutMnemonic(QString text) { return text.remove(QLatin1Char('&')); }

// Shows a box through Prompt and hands it to `look` before it is closed.
void lookAtBox(const QString &text, PromptButtons buttons, const std::function<void(QMessageBox *)> &look)
{
    QTimer poll;
    poll.setInterval(10);
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box) return;
        poll.stop();
        look(box);
        box->reject();
        if (box->isVisible()) box->buttons().first()->click();
    });
    poll.start();
    Prompt::show(text, PromptIcon::Information, QStringLiteral("Brenvik Uyarı"), buttons);
}
} // namespace

class TestDesktopLook : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void messageBoxButtonsAreTurkish_data();
    void messageBoxButtonsAreTurkish();
    void messageBoxShowsMarkupAsText();
    void saveDialogIsTurkish();
    void valueFormatsKeepTheirOwnRules();
};

void TestDesktopLook::initTestCase()
{
    UseProgramFont();
    QVERIFY2(UseTurkishTexts(), "Qt's Turkish translations (qt6-translations-l10n) are missing");
    InstallWidgetServices();
}

void TestDesktopLook::cleanupTestCase()
{
    Prompt::setHandler(nullptr);
    QLocale::setDefault(QLocale::c());
}

void TestDesktopLook::messageBoxButtonsAreTurkish_data()
{
    QTest::addColumn<PromptButtons>("buttons");
    QTest::addColumn<QStringList>("texts");
    QTest::newRow("notice") << PromptButtons::Ok << QStringList{"Tamam"};
    QTest::newRow("question") << PromptButtons::YesNo << QStringList{"Evet", "Hayır"};
    QTest::newRow("ok or cancel") << PromptButtons::OkCancel << QStringList{"Tamam", "İptal"};
}

void TestDesktopLook::messageBoxButtonsAreTurkish()
{
    QFETCH(PromptButtons, buttons);
    QFETCH(QStringList, texts);
    QStringList seen;
    lookAtBox(QStringLiteral("Mesaj Başarı İle Gönderildi."), buttons, [&](QMessageBox *box) {
        for (QAbstractButton *b : box->buttons()) seen << withoutMnemonic(b->text());
    });
    seen.sort();
    texts.sort();
    QCOMPARE(seen, texts);
}

// A box line can hold a gateway reply: its tags are shown as they came, not drawn.
void TestDesktopLook::messageBoxShowsMarkupAsText()
{
    const QString text = QStringLiteral("Mevcut kontörünüz : <b>100</b><img src=x>");
    Qt::TextFormat format = Qt::AutoText;
    QString shown;
    lookAtBox(text, PromptButtons::Ok, [&](QMessageBox *box) {
        format = box->textFormat();
        shown = box->text();
    });
    QCOMPARE(format, Qt::PlainText);
    QCOMPARE(shown, text);
}

void TestDesktopLook::saveDialogIsTurkish()
{
    QFileDialog dialog(nullptr, QStringLiteral("Kaydet"));
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.show();
    auto *box = dialog.findChild<QDialogButtonBox *>();
    QVERIFY(box);
    QStringList seen;
    for (QAbstractButton *b : box->buttons()) seen << withoutMnemonic(b->text());
    seen.sort();
    QCOMPARE(seen, QStringList({"Kaydet", "İptal"}));
}

// The default locale is Turkish for Qt's texts; the program's numbers keep their own fixed
// rules, which the default locale does not reach.
void TestDesktopLook::valueFormatsKeepTheirOwnRules()
{
    QCOMPARE(QLocale().name(), QStringLiteral("tr_TR"));
    QCOMPARE(QLocale().toString(1234567.5, 'f', 1), QStringLiteral("1.234.567,5"));
    QCOMPARE(ValueText(1234567.5), QStringLiteral("1234567,5"));
    QCOMPARE(ValueText(QDateTime(QDate(2026, 12, 9), QTime(14, 30, 5))), QStringLiteral("09.12.2026 14:30:05"));
}

QTEST_MAIN(TestDesktopLook)
#include "tst_desktoplook.moc"
