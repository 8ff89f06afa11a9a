#include "messaging/RecipientHandOver.h"

#include "core/AppState.h"
#include "core/OrvekError.h"
#include "core/RecipientMerge.h"
#include "core/Services.h"
#include "messaging/RecipientWindow.h"
#include "messaging/frmSonEkran.h"
#include "shell/WorkArea.h"
#include "shell/frmBekle.h"
#include "shell/frmMDI.h"

#include <QPointer>

namespace {
const QString kBrenvik = QStringLiteral("Brenvik");

void startProgress(int total)
{
    gProgressTotal = total;
    gProgressDone = 0;
    ProgressWindow::show();
    ProgressWindow::showSpeed(true);
    ProgressWindow::runTimer(true);
}

void endProgress()
{
    ProgressWindow::runTimer(false);
    ProgressWindow::showSpeed(false);
    ProgressWindow::hide();
}
} // namespace

QString NoRecipientRowsText() { return QStringLiteral("Mesaj gönderilecek kayıt bulunamadı."); }

QString NoMessageTextText() { return QStringLiteral("Lütfen gönderilecek mesajı giriniz."); }

QString NothingToSendText()
{
    return QStringLiteral("Gönderilecek mesajlar 160 karakterden uzun olduğundan mesaj gönderimi yapılamıyor.\r\n"
                          "Lütfen mesaj içeriğinizi değiştirip tekrar deneyiniz.");
}

QString MergeFailureText(const QString &description)
{
    return QStringLiteral("Tanımlanamayan bir hata oluştu.\r\nSistemin ürettiği hata mesajı : ") + description;
}

void InstallRecipientHandOver() { RecipientWindow::setSendHandler(&RecipientHandOver); }

void RecipientHandOver(RecipientWindow &window)
{
    RecordSet &rows = window.recordSet();
    if (rows.rowCount() == 0) {
        Prompt::show(NoRecipientRowsText(), PromptIcon::Information, kBrenvik);
        return;
    }
    const QString text = window.messageText();
    if (text.isEmpty()) {
        Prompt::show(NoMessageTextText(), PromptIcon::Information, kBrenvik);
        if (!WorkForms::isUnloaded(&window)) window.focusMessageBox();
        return;
    }
    // Every row is merged with the same text: a text the merge cannot read fails before the
    // send screen opens.
    MergeText merge;
    try {
        merge = MergeText::compile(text, rows.fields());
    } catch (const OrvekError &e) {
        Prompt::show(MergeFailureText(e.description()), PromptIcon::Critical, kBrenvik);
        return;
    }

    // A cancel left over from an earlier run must not empty this one.
    gCancelRequested = false;
    const RecipientWindowMembers &members = window.members();
    gSendKind = QString::fromUtf8(members.title);
    gMessageText = text;

    WorkOperation op(&window);
    frmSonEkran *screen = WorkForms::get<frmSonEkran>();
    QPointer<frmSonEkran> screenAlive(screen);
    op.watch(screen);
    screen->CallerForm = &window;
    screen->frmMDIForm = frmMDI::instance() ? frmMDI::instance() : window.frmMDIForm.data();
    screen->SaveAsTemplate = window.saveAsTemplate();
    screen->TemplateKind = QString::fromLatin1(members.kindKey);
    screen->Show();
    window.hide();
    screen->beginFilling();
    screen->reserveRows(rows.rowCount());

    startProgress(rows.rowCount());

    RecipientMergeHooks hooks;
    if (window.hasDuplicateOption())
        hooks.duplicateTest = [w = &window] { return !w->duplicatesAllowed(); };
    hooks.take = [screen](QStringView gsmNo, QStringView mesaj, int count) {
        screen->appendRecipient(gsmNo, mesaj);
        screen->setAddedCount(count);
    };
    // Events run about once a frame; the stop test and the cancel flag act on every row.
    hooks.yield = [&op] { return op.yieldOnSlice(); };
    const RecipientMergeResult result = RunRecipientMerge(rows, merge, gOverLimitRecipients, hooks);

    if (result.end == MergeEnd::Stopped) {
        // The windows are going (navigation, the end of the program, or the send screen
        // closed): leave them to it. A progress window that is still up goes too.
        if (frmBekle::isLoaded()) endProgress();
        if (screenAlive && !WorkForms::isUnloaded(screen)) screen->endFilling();
        return;
    }

    endProgress();
    screen->endFilling();

    if (result.end == MergeEnd::Failed) {
        screen->Unload();
        window.Show();
        Prompt::show(MergeFailureText(result.error), PromptIcon::Critical, kBrenvik);
        return;
    }

    if (screen->SendList().rowCount() == 0) {
        Prompt::show(NothingToSendText(), PromptIcon::Information, kBrenvik);
        if (op.mustStop()) return;
        screen->Unload();
        window.Show();
    }
}
