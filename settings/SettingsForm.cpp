#include "settings/SettingsForm.h"

#include "core/AppState.h"
#include "core/Base64.h"
#include "core/Gateway.h"
#include "core/Gathwin.h"
#include "core/LocalDb.h"
#include "core/OrvekError.h"
#include "core/Startup.h"
#include "core/Templates.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <array>

namespace {

const QString kBrenvikTitle = QStringLiteral("Brenvik");
const QString kAccountTitle = QStringLiteral("Brenvik Kullanıcı hesapları");
const QString kBirthdayTitle = QStringLiteral("Doğum günü tebriği");
const QString kAnniversaryTitle = QStringLiteral("Evlilik yıldönümü tebriği");
const QString kInteractiveTitle = QStringLiteral("İnteraktif SMS");

QString crlf() { return QStringLiteral("\r\n"); }

// The gateway kind in use, kept in one place.
GatewayKind CurrentKind() { return gGatewayKind; }
void SetCurrentKind(GatewayKind kind) { gGatewayKind = kind; }

QString flagText(bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); }

// A failure of a step from step 2 on: its description, critical, no title.
SettingsSaveOutcome failed(const OrvekError &e)
{
    SettingsSaveOutcome out;
    out.box = SettingsBox{e.description(), PromptIcon::Critical, QString()};
    return out;
}

SettingsSaveOutcome stop(const SettingsBox &box, int tab, const QString &focus)
{
    SettingsSaveOutcome out;
    out.box = box;
    out.tab = tab;
    out.focus = focus;
    return out;
}

// Base64 of a setting; the empty setting stays empty (Base64 has no form for it).
QString encoded(const base64 &codec, const QString &plain) { return plain.isEmpty() ? QString() : codec.Encode(plain); }

QString nullAsEmpty(const QVariant &v) { return v.isNull() ? QString() : v.toString(); }

QTime storedTime(const QString &text)
{
    QTime t = QTime::fromString(text, QStringLiteral("HH:mm:ss"));
    if (!t.isValid()) t = QTime::fromString(text, QStringLiteral("H:mm:ss"));
    if (!t.isValid()) throw OrvekError(QStringLiteral("Kayıtlı saat bilgisi geçersiz: \"%1\"").arg(text));
    return t;
}

// The tabs of SSTab1 that hold the controls a refusal puts the focus in.
constexpr int kGeneralTab = 0;
constexpr int kGreetingsTab = 1;
constexpr int kInteractiveTab = 2;

// The greeting step of one kind (5 birthday, 6 anniversary).
struct GreetingStep {
    bool on;
    QString text;
    QString originator;
    bool asTemplate;
    QString title;
    const char *textBox;
    const char *originatorList;
    const char *flagColumn;
    const char *textColumn;
    const char *originatorColumn;
    const char *templateKind;
};

std::array<GreetingStep, 2> GreetingSteps(const SettingsValues &v)
{
    return {GreetingStep{v.birthdayOn, v.birthdayText, v.birthdayOriginator, v.birthdayTemplate, kBirthdayTitle,
                         "txtDGunMesaj", "cbDGunOrg", "flg_dgun_mesaj", "dgun_mesaj", "dgun_gonderen", "DGunMesaj"},
            GreetingStep{v.anniversaryOn, v.anniversaryText, v.anniversaryOriginator, v.anniversaryTemplate,
                         kAnniversaryTitle, "txtEvYilMesaj", "cbEvYilOrg", "flg_evyil_mesaj", "evyil_mesaj",
                         "evyil_gonderen", "EvYilMesaj"}};
}

// A ticked greeting needs its text and its originator.
std::optional<SettingsSaveOutcome> GreetingRefusal(const GreetingStep &g)
{
    if (!g.on) return std::nullopt;
    if (IsBlankSetting(g.text))
        return stop(
            SettingsBox{QStringLiteral("Lütfen gönderilecek mesajı giriniz."), PromptIcon::Information, g.title},
            kGreetingsTab, QString::fromLatin1(g.textBox));
    if (g.originator.isEmpty())
        return stop(
            SettingsBox{QStringLiteral("Lütfen gönderen bilgisini belirtiniz."), PromptIcon::Information, g.title},
            kGreetingsTab, QString::fromLatin1(g.originatorList));
    return std::nullopt;
}

// The company's greeting row, ticked or not, with the text and the originator as they stand;
// then the template when asked for. Throws OrvekError.
void WriteGreeting(const GreetingStep &g)
{
    OpenLocalDb();
    SqlExec(LocalDb(),
            QStringLiteral("UPDATE tbl_kovaset_ayar SET %1 = ?, %2 = ?, %3 = ? WHERE sirket_kod = ?")
                .arg(QLatin1String(g.flagColumn), QLatin1String(g.textColumn), QLatin1String(g.originatorColumn)),
            {flagText(g.on), NonNullText(g.text), NonNullText(g.originator), gCompanyCode});
    if (g.asTemplate)
        InsertTemplate(QString::fromLatin1(g.templateKind), g.text, QString::fromLatin1(kTemplateMsgIdLocal),
                       TemplateLayout::WholeNoP2);
}

// The account in use once the account step has passed: the typed account of the selected
// option, else the account in use now.
LoadedAccount AccountAfterAccountStep(const SettingsValues &v)
{
    switch (v.option) {
    case GatewayKind::Brenvik:
        return LoadedAccount{GatewayKind::Brenvik, v.orvekUser, v.orvekClientCode};
    case GatewayKind::Ambrel:
        return LoadedAccount{GatewayKind::Ambrel, v.ambrelUser, QString()};
    case GatewayKind::None:
        break;
    }
    return LoadedAccount{CurrentKind(), gUserName, gCkey};
}

// Whether `account` is another account than the window was filled with (exact comparisons;
// the client code counts for the hosted gateway only).
bool AccountDiffers(const LoadedAccount &account, const LoadedAccount &loaded)
{
    return account.gateway != loaded.gateway || account.user != loaded.user ||
           (account.gateway == GatewayKind::Brenvik && account.clientCode != loaded.clientCode);
}

// Every check of the typed values, in the order of the steps they belong to, before anything
// is asked of a server or stored: a refused save changes nothing.
std::optional<SettingsSaveOutcome> RefusedValues(const SettingsValues &values, const LoadedAccount &loaded)
{
    // 3. The account of the selected option.
    if (values.option == GatewayKind::Brenvik) {
        if (IsBlankSetting(values.orvekUser) || IsBlankSetting(values.orvekPassword) ||
            IsBlankSetting(values.orvekClientCode))
            return stop(SettingsBox{QStringLiteral("Girdiğiniz kullanıcı bilgilerinde hata var. Lütfen kontrol "
                                                   "ediniz."),
                                    PromptIcon::Critical, kAccountTitle},
                        kGeneralTab, QStringLiteral("txtOrvekKullanici"));
    } else if (values.option == GatewayKind::Ambrel) {
        if (IsBlankSetting(values.ambrelUrl))
            return stop(SettingsBox{QStringLiteral("Lütfen Ambrel uygulamasının bulunduğu adresi belirtin."),
                                    PromptIcon::Critical, kAccountTitle},
                        kGeneralTab, QStringLiteral("txtAmbrelYolu"));
        if (IsBlankSetting(values.ambrelUser) || IsBlankSetting(values.ambrelPassword))
            return stop(SettingsBox{QStringLiteral("Kullanıcı bilgilerinizde hata var. Lütfen kontrol ediniz."),
                                    PromptIcon::Critical, kAccountTitle},
                        kGeneralTab, QStringLiteral("txtAmbrelKullanici"));
    }
    // Another account ends the save with the greetings reset right after the account step:
    // the steps whose checks follow do not run, and the refill replaces what they would read.
    if (AccountDiffers(AccountAfterAccountStep(values), loaded)) return std::nullopt;

    // 5, 6. Greetings.
    for (const GreetingStep &g : GreetingSteps(values))
        if (auto out = GreetingRefusal(g)) return out;

    // 8. Interactive account and check period.
    if (values.interactiveOn && (IsBlankSetting(values.interactiveUser) || IsBlankSetting(values.interactivePassword)))
        return stop(SettingsBox{QStringLiteral("Lütfen İnteraktif SMS kullanıcı bilgilerinizi giriniz."),
                                PromptIcon::None, kBrenvikTitle},
                    kInteractiveTab, QStringLiteral("txtIntKullanici"));
    if (!IsValidCheckPeriod(values.period))
        return stop(SettingsBox{QStringLiteral("Kontrol süresi en az 1 dakika olabilir. Lütfen kontrol süresini "
                                               "belirtiniz."),
                                PromptIcon::Critical, kInteractiveTitle},
                    kInteractiveTab, QStringLiteral("txtDk"));
    return std::nullopt;
}

// After a save that failed once it had told the automatic program to end: its run permission
// as the save found it, and the program started again when it was allowed to run then. The
// program writes its permission itself when it starts, so it is started even when this write
// fails.
void RestoreRunPermission(const QString &before)
{
    try {
        SetParam(QStringLiteral("flg_kovaset"), before);
    } catch (const OrvekError &) {}
    if (before == QLatin1String("1")) Shell::startProgram(KovasetProgramPath());
}

SettingsBox InteractiveCheckRefusal(const QString &reply, bool &clearAccount)
{
    clearAccount = false;
    if (reply == QLatin1String("err 01")) {
        clearAccount = true;
        return SettingsBox{QStringLiteral("Hatalı İnteraktif SMS kullanıcı adı/parola"), PromptIcon::Critical,
                           kInteractiveTitle};
    }
    if (reply == QLatin1String("err 04") || reply == QLatin1String("err 05"))
        return SettingsBox{QStringLiteral("İnteraktif SMS hesap bilgileri kontrol edilemiyor."), PromptIcon::Critical,
                           kInteractiveTitle};
    if (reply == QLatin1String("err 00"))
        return SettingsBox{QStringLiteral("İnteraktif SMS merkeziyle bağlantı kurulamıyor."), PromptIcon::Critical,
                           kInteractiveTitle};
    return SettingsBox{};
}

} // namespace

// --- Exchanges ----------------------------------------------------------------------------

SettingsExchanges SettingsExchanges::direct()
{
    SettingsExchanges ex;
    ex.getInfo = [](const QString &url, const QString &user, const QString &password) {
        Gateway gateway;
        gateway.setUrl(url);
        return gateway.GetInfo(user, password);
    };
    ex.listGathwin = [](const QString &user, const QString &password, const QString &list) {
        return ListGathwinMessages(user, password, list);
    };
    ex.tryErp = [](const QString &server, const QString &database, const QString &user, const QString &password) {
        return TryErpConnection(server, database, user, password);
    };
    return ex;
}

bool IsSettingsErrorReply(const QString &reply)
{
    return IsGatewayErrorCode(reply) || reply.contains(QLatin1String("<HTML>")) ||
           reply.contains(QLatin1String("<html>"));
}

// --- Filling ------------------------------------------------------------------------------

SettingsFill FillSettingsForm(const SettingsExchanges &exchanges)
{
    SettingsFill fill;
    SettingsValues &v = fill.values;
    const auto step = [&fill](const std::function<void()> &work) {
        try {
            work();
        } catch (const OrvekError &e) {
            if (!fill.failure) fill.failure = SettingsBox{e.description(), PromptIcon::Critical, kBrenvikTitle};
        }
    };

    // 1, 2: the account in use, asked for its originators.
    const GatewayKind kind = CurrentKind();
    QString reply;
    if (kind == GatewayKind::Brenvik) {
        v.option = GatewayKind::Brenvik;
        v.orvekUser = gUserName;
        v.orvekPassword = gPassword;
        v.orvekClientCode = gCkey;
        v.saveOrvek = gFlgKaydet == QLatin1String("1");
        reply = exchanges.getInfo(gGatewayUrl, gUserName + QLatin1Char('-') + gCkey, gPassword);
        fill.creditTopUpVisible = true;
    } else if (kind == GatewayKind::Ambrel) {
        v.option = GatewayKind::Ambrel;
        v.ambrelUrl = gGatewayUrl;
        v.ambrelUser = gUserName;
        v.ambrelPassword = gPassword;
        v.saveAmbrel = gFlgKaydet == QLatin1String("1");
        reply = exchanges.getInfo(gGatewayUrl, gUserName, gPassword);
        fill.creditTopUpVisible = false;
    }
    if (kind != GatewayKind::None && !IsSettingsErrorReply(reply))
        fill.originators = ParseGetInfoReply(reply).originators;

    // 3 to 6: tbl_param.
    step([&] { v.reportNames = GetParam(QStringLiteral("flg_raporad")) == QLatin1String("1"); });
    const base64 codec;
    const std::pair<QString *, const char *> coded[] = {
        {&v.server, "OrvekServer"},           {&v.database, "OrvekDatabase"},
        {&v.serverUser, "OrvekUser"},         {&v.serverPassword, "OrvekPassword"},
        {&v.interactiveUser, "IntKullanici"}, {&v.interactivePassword, "IntParola"},
    };
    for (const auto &[box, name] : coded)
        step([&, box = box, name = name] {
            box->clear();
            const QString stored = GetParam(QString::fromLatin1(name));
            if (!stored.isEmpty()) *box = codec.Decode(stored);
        });
    step([&] { v.period = GetParam(QStringLiteral("IntPeriyot")); });
    step([&] { v.interactiveOn = GetParam(QStringLiteral("flg_interaktif")) == QLatin1String("1"); });

    // 7: the company's greeting row, by column position. No row: the first install, no
    // company chosen yet; no error.
    step([&] {
        OpenLocalDb();
        QSqlQuery q =
            SqlExec(LocalDb(), QStringLiteral("SELECT * FROM tbl_kovaset_ayar WHERE sirket_kod = ?"), {gCompanyCode});
        if (!q.next()) return;
        if (q.record().count() < 8) throw OrvekError(QStringLiteral("tbl_kovaset_ayar tablosunun sütunları eksik."));
        v.birthdayOn = nullAsEmpty(q.value(2)) == QLatin1String("1");
        v.birthdayText = nullAsEmpty(q.value(3));
        v.birthdayOriginator = nullAsEmpty(q.value(4));
        v.anniversaryOn = nullAsEmpty(q.value(5)) == QLatin1String("1");
        v.anniversaryText = nullAsEmpty(q.value(6));
        v.anniversaryOriginator = nullAsEmpty(q.value(7));
        fill.greetingsAvailable = true;
    });

    // 8: the greeting hours.
    step([&] { v.start = storedTime(GetParam(QStringLiteral("KovasetBasla"))); });
    step([&] { v.end = storedTime(GetParam(QStringLiteral("KovasetBitir"))); });

    // 9: the account the window now shows.
    fill.loaded.gateway = kind;
    fill.loaded.user = gUserName;
    fill.loaded.clientCode = kind == GatewayKind::Brenvik ? gCkey : QString();
    return fill;
}

// --- Small handlers -----------------------------------------------------------------------

int SettingsCounterValue(const QString &text) { return 160 - int(text.size()); }

QString InsertNamePlaceholders(const QString &text, int caret)
{
    const int at = qBound(0, caret, int(text.size()));
    return text.left(at) + QLatin1String(kNamePlaceholders) + text.mid(at);
}

// --- Save ---------------------------------------------------------------------------------

bool IsBlankSetting(const QString &text) { return text.isEmpty() || text == QLatin1String(" "); }

bool IsValidCheckPeriod(const QString &text)
{
    if (text.isEmpty()) return false;
    bool nonZero = false;
    for (const QChar c : text) {
        if (c < QLatin1Char('0') || c > QLatin1Char('9')) return false;
        if (c != QLatin1Char('0')) nonZero = true;
    }
    return nonZero;
}

SettingsBox SettingsSavedBox()
{
    return SettingsBox{QStringLiteral("Kullanıcı bilgileriniz başarıyla kaydedildi."), PromptIcon::Information,
                       kBrenvikTitle};
}

SettingsBox AccountResetBox()
{
    return SettingsBox{QStringLiteral("Kullanıcı hesap bilgileriniz başarıyla kaydedildi.") + crlf() +
                           QStringLiteral("Ancak hesap değişikliği yapıldığı için otomatik mesaj özelliği kapatıldı.") +
                           crlf() +
                           QStringLiteral("Otomatik mesaj özelliğini kullanmak istiyorsanız lütfen ayarlarınızı "
                                          "yeniden düzenleyiniz."),
                       PromptIcon::Information, kAccountTitle};
}

SettingsBox GatewayUnreachableBox()
{
    return SettingsBox{GatewayUnreachableText(), PromptIcon::Critical, kAccountTitle};
}

namespace {

// What a save carries from step to step once the ERP server has been tried.
struct SaveRun {
    const SettingsValues &values;
    const SettingsExchanges &exchanges;
    const base64 codec;
    QString runPermissionBefore;
    bool stopWritten = false;
    bool accountSaved = false;

    // From step 2 on, a step can end the save after earlier ones stored. Once the automatic
    // program has been told to end, such an end gives it back its run permission.
    SettingsSaveOutcome ended(SettingsSaveOutcome out) const
    {
        if (stopWritten) RestoreRunPermission(runPermissionBefore);
        out.closeCaption = accountSaved;
        return out;
    }
};

// A step's end of the save; unset, the save goes on with the next step.
using StepEnd = std::optional<SettingsSaveOutcome>;

// 1. ERP server: tried first; nothing is stored when it does not open.
StepEnd ErpServerStep(SaveRun &run)
{
    const SettingsValues &values = run.values;
    if (!run.exchanges.tryErp(values.server, values.database, values.serverUser, values.serverPassword))
        return stop(SettingsBox{QStringLiteral("Orvek® veritabanı bağlantısı kurulamıyor.") + crlf() +
                                    QStringLiteral("Lütfen sunucu bilgilerinin doğruluğunu kontrol ediniz."),
                                PromptIcon::Critical, kBrenvikTitle},
                    kGeneralTab, QStringLiteral("txtSunucuAdi"));
    try {
        run.runPermissionBefore = GetParam(QStringLiteral("flg_kovaset"));
        SetParam(QStringLiteral("OrvekServer"), encoded(run.codec, values.server));
        SetParam(QStringLiteral("OrvekDatabase"), encoded(run.codec, values.database));
        SetParam(QStringLiteral("OrvekUser"), encoded(run.codec, values.serverUser));
        SetParam(QStringLiteral("OrvekPassword"), encoded(run.codec, values.serverPassword));
    } catch (const OrvekError &e) {
        return failed(e);
    }
    gErpServer = values.server;
    gErpDatabase = values.database;
    gErpUser = values.serverUser;
    gErpPassword = values.serverPassword;
    return std::nullopt;
}

// 2. Report option; the automatic program is told to end.
StepEnd ReportOptionAndStopStep(SaveRun &run)
{
    try {
        SetParam(QStringLiteral("flg_raporad"), flagText(run.values.reportNames));
        SetParam(QStringLiteral("flg_kovaset"), QStringLiteral("0"));
        run.stopWritten = true;
    } catch (const OrvekError &e) {
        return failed(e);
    }
    return std::nullopt;
}

// 3. Gateway account of the selected option, tried at its gateway.
StepEnd AccountStep(SaveRun &run)
{
    const SettingsValues &values = run.values;
    if (values.option == GatewayKind::None) return std::nullopt;
    const bool hosted = values.option == GatewayKind::Brenvik;
    const QString user = hosted ? values.orvekUser : values.ambrelUser;
    const QString password = hosted ? values.orvekPassword : values.ambrelPassword;
    const QString ckey = hosted ? values.orvekClientCode : QString();
    const QString userBox = hosted ? QStringLiteral("txtOrvekKullanici") : QStringLiteral("txtAmbrelKullanici");
    const QString url = hosted ? HostedGatewayAddress() : values.ambrelUrl;
    const QString reply = run.exchanges.getInfo(url, hosted ? user + QLatin1Char('-') + ckey : user, password);
    if (reply == QLatin1String("01") || reply == QLatin1String("03"))
        return run.ended(stop(SettingsBox{QStringLiteral("Kullanıcı bilgilerinizde hata var. Lütfen kontrol ediniz."),
                                          PromptIcon::Critical, kAccountTitle},
                              kGeneralTab, userBox));
    // Every other error reply, "-1" and HTML pages among them: nothing was reached that
    // answers for the account; the account in use stays.
    if (IsSettingsErrorReply(reply)) return run.ended(stop(GatewayUnreachableBox(), -1, QString()));
    const bool saveFlag = hosted ? values.saveOrvek : values.saveAmbrel;
    try {
        SaveAccountSettings(user, password, ckey, flagText(saveFlag), values.option,
                            hosted ? QString() : values.ambrelUrl);
    } catch (const OrvekError &e) {
        return run.ended(failed(e));
    }
    SetCurrentKind(values.option);
    gGatewayUrl = url;
    gUserName = user;
    gPassword = password;
    gCkey = ckey;
    gFlgKaydet = flagText(saveFlag);
    run.accountSaved = true;
    return std::nullopt;
}

// 4. Account change: the greetings of the company are switched off and the window is
// filled again. The automatic program stays stopped, also when the reset fails: the other
// companies' greetings still name the earlier account's originators, and the operator is
// asked to set them anew.
StepEnd AccountChangeStep(const SaveRun &run, const LoadedAccount &loaded)
{
    if (!AccountDiffers(LoadedAccount{CurrentKind(), gUserName, gCkey}, loaded)) return std::nullopt;
    SettingsSaveOutcome out;
    try {
        OpenLocalDb();
        SqlExec(LocalDb(),
                QStringLiteral("UPDATE tbl_kovaset_ayar SET flg_dgun_mesaj = '0', dgun_gonderen = '', "
                               "flg_evyil_mesaj = '0', evyil_gonderen = '' WHERE sirket_kod = ?"),
                {gCompanyCode});
        out.end = SettingsSaveOutcome::End::AccountReset;
        out.box = AccountResetBox();
        out.tab = kGreetingsTab;
    } catch (const OrvekError &e) {
        out = failed(e);
    }
    out.closeCaption = run.accountSaved;
    return out;
}

// 5, 6. Birthday and wedding-anniversary greetings.
StepEnd GreetingsStep(const SaveRun &run)
{
    try {
        for (const GreetingStep &g : GreetingSteps(run.values)) WriteGreeting(g);
    } catch (const OrvekError &e) {
        return run.ended(failed(e));
    }
    return std::nullopt;
}

// 7. Greeting hours.
StepEnd GreetingHoursStep(const SaveRun &run)
{
    try {
        SetParam(QStringLiteral("KovasetBasla"), run.values.start.toString(QStringLiteral("HH:mm:ss")));
        SetParam(QStringLiteral("KovasetBitir"), run.values.end.toString(QStringLiteral("HH:mm:ss")));
    } catch (const OrvekError &e) {
        return run.ended(failed(e));
    }
    return std::nullopt;
}

// 8. Interactive account, tried at the service unless the service is off and no account
// is typed.
StepEnd InteractiveAccountStep(const SaveRun &run)
{
    const SettingsValues &values = run.values;
    const QString intUser = values.interactiveUser;
    const QString intPassword = values.interactivePassword;
    const bool withoutAccount = !values.interactiveOn && (intUser.isEmpty() || intPassword.isEmpty());
    if (!withoutAccount) {
        const QString reply = run.exchanges.listGathwin(intUser, intPassword, QStringLiteral("REC READ"));
        bool clearAccount = false;
        const SettingsBox refusal = InteractiveCheckRefusal(reply, clearAccount);
        if (!refusal.text.isEmpty()) {
            SettingsSaveOutcome out = stop(refusal, kInteractiveTab, QStringLiteral("txtIntKullanici"));
            out.clearInteractiveAccount = clearAccount;
            return run.ended(out);
        }
    }
    try {
        SetParam(QStringLiteral("flg_interaktif"), flagText(values.interactiveOn));
        SetParam(QStringLiteral("IntKullanici"), withoutAccount ? QString() : run.codec.Encode(intUser));
        SetParam(QStringLiteral("IntParola"), withoutAccount ? QString() : run.codec.Encode(intPassword));
        SetParam(QStringLiteral("IntPeriyot"), values.period);
    } catch (const OrvekError &e) {
        return run.ended(failed(e));
    }
    return std::nullopt;
}

// 9. Completion: the window sets the caption and shows the box, then FinishSettingsSave.
SettingsSaveOutcome Completion(const SaveRun &run)
{
    SettingsSaveOutcome out;
    out.end = SettingsSaveOutcome::End::Completed;
    out.box = SettingsSavedBox();
    out.closeCaption = run.accountSaved;
    out.runPermissionBefore = run.runPermissionBefore;
    return out;
}

} // namespace

SettingsSaveOutcome SaveSettings(const SettingsValues &values, const LoadedAccount &loaded,
                                 const SettingsExchanges &exchanges)
{
    if (std::optional<SettingsSaveOutcome> refused = RefusedValues(values, loaded)) return *refused;
    SaveRun run{values, exchanges, base64(), QString()};
    if (StepEnd end = ErpServerStep(run)) return *end;
    if (StepEnd end = ReportOptionAndStopStep(run)) return *end;
    if (StepEnd end = AccountStep(run)) return *end;
    if (StepEnd end = AccountChangeStep(run, loaded)) return *end;
    if (StepEnd end = GreetingsStep(run)) return *end;
    if (StepEnd end = GreetingHoursStep(run)) return *end;
    if (StepEnd end = InteractiveAccountStep(run)) return *end;
    return Completion(run);
}

std::optional<SettingsBox> FinishSettingsSave(const QString &runPermissionBefore)
{
    try {
        SetParam(QStringLiteral("flg_kovaset"), QStringLiteral("1"));
    } catch (const OrvekError &e) {
        RestoreRunPermission(runPermissionBefore);
        return SettingsBox{e.description(), PromptIcon::Critical, QString()};
    }
    Shell::startProgram(KovasetProgramPath());
    return std::nullopt;
}

// --- Server tests -------------------------------------------------------------------------

SettingsBox TestErpConnection(const QString &server, const QString &database, const QString &user,
                              const QString &password, const SettingsExchanges &exchanges)
{
    if (exchanges.tryErp(server, database, user, password))
        return SettingsBox{QStringLiteral("Bağlantı kuruldu."), PromptIcon::Information, kBrenvikTitle};
    return SettingsBox{QStringLiteral("Bağlantı kurulamadı. Lütfen sunucu bilgilerinizi kontrol ediniz."),
                       PromptIcon::Critical, kBrenvikTitle};
}

QString CreditQueryReply(const SettingsExchanges &exchanges)
{
    switch (CurrentKind()) {
    case GatewayKind::Brenvik:
        return exchanges.getInfo(gGatewayUrl, gUserName + QLatin1Char('-') + gCkey, gPassword);
    case GatewayKind::Ambrel:
        return exchanges.getInfo(gGatewayUrl, gUserName, gPassword);
    case GatewayKind::None:
        break;
    }
    return QString();
}

SettingsBox CreditQueryBox(const QString &reply)
{
    if (!IsSettingsErrorReply(reply))
        return SettingsBox{QStringLiteral("Mevcut kontörünüz : ") + ParseGetInfoReply(reply).credit,
                           PromptIcon::Information, QString()};
    if (reply == QLatin1String("01"))
        return SettingsBox{QStringLiteral("Hatalı kullanıcı adı / parola"), PromptIcon::Critical, QString()};
    return SettingsBox{QStringLiteral("Kontör bilgisi görüntülenemiyor.") + crlf() +
                           QStringLiteral("Mesaj merkeziyle bağlantı kurulamadı."),
                       PromptIcon::Critical, QString()};
}
