#pragma once

// The settings window's logic over plain values: the filling of its three tabs, the ordered
// save, the ERP trial connection and the credit query. The window reads its controls into
// SettingsValues, calls these and does what the result says (boxes, tab, focus, refill); so
// every rule here runs without widgets.
//
// The save first runs every check of the typed values (the blanks of the selected account,
// the ticked greetings' texts and originators, the interactive account when the service is
// on, the check period); a refusal shows its box on the control's tab and stores nothing.
// Then, in this order; the first step that fails shows its box and ends it, and what the
// steps before stored stays stored:
//   1 ERP server: a trial connection with the typed settings, then the four settings
//   2 report option; the run permission of the automatic program "0"
//   3 gateway account of the selected option, tried at its gateway first
//   4 account change against the account the window was filled with: greetings reset, refill
//     (the automatic program stays stopped until a later save completes)
//   5, 6 birthday and wedding-anniversary greetings (and their templates)
//   7 greeting hours
//   8 interactive SMS account, tried at the service first
//   9 completion: main window caption, box, run permission "1", the automatic program started
// A save that ends at a step after 2 (other than 4) gives the automatic program back the run
// permission it had, and starts it again when it was allowed to run.
//
// The exchanges (gateway, interactive service, trial connection) go through
// SettingsExchanges, so a window can run them off its thread; they touch no connection of
// the program and no program-wide value.

#include "core/GatewayKind.h"
#include "core/Services.h"

#include <QString>
#include <QStringList>
#include <QTime>
#include <functional>
#include <optional>

// What the window's controls hold.
struct SettingsValues {
    // Tab 0 "Genel"
    GatewayKind option = GatewayKind::None; // optBrenvik / optAmbrel selected (None: neither)
    QString orvekUser;                      // txtOrvekKullanici
    QString orvekPassword;                  // txtOrvekParola
    QString orvekClientCode;                // txtOrvekBayiKodu
    bool saveOrvek = false;                 // chkKaydetOrvek
    QString ambrelUrl;                      // txtAmbrelYolu
    QString ambrelUser;                     // txtAmbrelKullanici
    QString ambrelPassword;                 // txtAmbrelParola
    bool saveAmbrel = false;                // chkKaydetAmbrel
    QString server;                         // txtSunucuAdi
    QString database;                       // txtVtAdi
    QString serverUser;                     // txtSrvKullanici
    QString serverPassword;                 // txtSrvParola
    bool reportNames = false;               // chkAdSoyad

    // Tab 1 "Otomatik mesajlar"
    bool birthdayOn = false;          // chkDGun
    QString birthdayText;             // txtDGunMesaj (line breaks as CR LF)
    QString birthdayOriginator;       // lblDGunOrg
    bool birthdayTemplate = false;    // chkDGunSablon
    bool anniversaryOn = false;       // chkEvYil
    QString anniversaryText;          // txtEvYilMesaj
    QString anniversaryOriginator;    // lblEvYilOrg
    bool anniversaryTemplate = false; // chkEvYilSablon
    QTime start{0, 0, 0};             // DTPicker1
    QTime end{0, 0, 0};               // DTPicker2

    // Tab 2 "İnteraktif SMS"
    QString interactiveUser;     // txtIntKullanici
    QString interactivePassword; // txtIntParola
    QString period;              // txtDk
    bool interactiveOn = false;  // chkInteraktif
};

// The account the window was filled with (LoadedGateway, LoadedUser, LoadedClientCode).
struct LoadedAccount {
    GatewayKind gateway = GatewayKind::None;
    QString user;
    QString clientCode; // "" unless the gateway is Brenvik
};

struct SettingsBox {
    QString text;
    PromptIcon icon = PromptIcon::Critical;
    QString title;
    bool operator==(const SettingsBox &o) const { return text == o.text && icon == o.icon && title == o.title; }
};

// The exchanges with the servers. Each defaults to the direct call.
struct SettingsExchanges {
    // Gateway GetInfo posted to `url` (a failed exchange gives "-1").
    std::function<QString(const QString &url, const QString &user, const QString &password)> getInfo;
    // ListGathwinMessages.
    std::function<QString(const QString &user, const QString &password, const QString &list)> listGathwin;
    // TryErpConnection; false when it does not open.
    std::function<bool(const QString &server, const QString &database, const QString &user, const QString &password)>
        tryErp;
    static SettingsExchanges direct();
};

// --- Filling ------------------------------------------------------------------------------

struct SettingsFill {
    SettingsValues values; // every control's value (the other account group empty)
    // Both originator lists, filled anew (the window selects none) after a good reply only;
    // unset, the lists stay as they are.
    std::optional<QStringList> originators;
    std::optional<bool> creditTopUpVisible; // Command8; unset: keeps its visibility
    // Whether the company's greeting row could be read. When not (no company chosen yet, or
    // the database failed), both greeting frames stay in their design state and the greeting
    // and template check boxes are disabled: nothing typed there could be stored.
    bool greetingsAvailable = false;
    LoadedAccount loaded;
    // The first failure of the filling (description, critical, "Brenvik"); the other steps
    // ran all the same.
    std::optional<SettingsBox> failure;
};

// Fills from the program-wide account, tbl_param and the company's tbl_kovaset_ayar row.
// Every step runs even after one failed; a failed step leaves its controls empty.
SettingsFill FillSettingsForm(const SettingsExchanges &exchanges = SettingsExchanges::direct());

// --- Small handlers -----------------------------------------------------------------------

// The character counter: 160 minus the length of the text (a line break counts two).
int SettingsCounterValue(const QString &text);
// "[##Adi##] [##Soyadi##]" put in at `caret`; nothing of the text is replaced.
QString InsertNamePlaceholders(const QString &text, int caret);
inline constexpr const char *kNamePlaceholders = "[##Adi##] [##Soyadi##]";

// --- Save ---------------------------------------------------------------------------------

struct SettingsSaveOutcome {
    enum class End {
        Stopped,      // a step refused or failed: show the box, then tab, then focus
        AccountReset, // the account changed: greetings off, the box, refill, tab 1
        Completed,    // the main window's caption (design caption + MainCaptionTail()), the
                      // box, then FinishSettingsSave()
    };
    End end = End::Stopped;
    std::optional<SettingsBox> box;
    int tab = -1;                         // the tab to select after the box (-1: none)
    QString focus;                        // object name of the control that gets the focus ("" none)
    bool closeCaption = false;            // the account was saved: Command5 reads "Kapat"
    bool clearInteractiveAccount = false; // txtIntKullanici and txtIntParola emptied (after the box)
    QString runPermissionBefore;          // Completed: flg_kovaset as the save found it
};

// The checks, steps 1 to 8 and the text of step 9. Writes the settings and the program-wide
// account and ERP values as it goes; never throws.
SettingsSaveOutcome SaveSettings(const SettingsValues &values, const LoadedAccount &loaded,
                                 const SettingsExchanges &exchanges = SettingsExchanges::direct());

// The end of a completed save, after its box: the run permission "1", then the automatic
// program started. When the permission cannot be written: a failure box, and the program
// is started only when it was allowed to run before the save (runPermissionBefore "1").
std::optional<SettingsBox> FinishSettingsSave(const QString &runPermissionBefore);

// Boxes of the save that other code or tests name.
SettingsBox SettingsSavedBox(); // "Kullanıcı bilgileriniz başarıyla kaydedildi." (64, "Brenvik")
SettingsBox AccountResetBox();  // the three lines after an account change (64)
SettingsBox GatewayUnreachableBox();

// Blank as the save means it: empty or exactly one space.
bool IsBlankSetting(const QString &text);
// The interactive check period: ASCII digits only, 1 or more.
bool IsValidCheckPeriod(const QString &text);

// --- Server tests -------------------------------------------------------------------------

// "Bağlantıyı sına": a trial connection with the four typed ERP settings; nothing stored.
SettingsBox TestErpConnection(const QString &server, const QString &database, const QString &user,
                              const QString &password,
                              const SettingsExchanges &exchanges = SettingsExchanges::direct());

// "Kontör bilgisi": the account in use at gGatewayUrl (no request for an unknown kind).
QString CreditQueryReply(const SettingsExchanges &exchanges = SettingsExchanges::direct());
SettingsBox CreditQueryBox(const QString &reply);

// A GetInfo reply that the settings window takes as an error: a code fragment of the code
// list (the empty reply too) or a reply holding "<HTML>" or "<html>".
bool IsSettingsErrorReply(const QString &reply);
