#pragma once

// What the settings tests stand on, over a program folder: the fake gateway (as the hosted
// gateway's address and as gGatewayUrl), the fake interactive service, a copy of the sample
// ERP stand-in, the greeting row of company "01" (gCompanyCode), the signed-in account
// Brenvik "demo" / "parola" / "B001", and a log of every settings write in the order the
// database saw them. The automatic program's start is logged there too ("launch", with the
// run permission as it stood at that moment), so tests read one sequence.

#include "tests/support/FakeGateway.h"
#include "tests/support/FakeGathwin.h"
#include "tests/support/Fixtures.h"

#include <QString>
#include <QStringList>

class SettingsServers {
public:
    explicit SettingsServers(ProgramFolderFixture &folder);
    ~SettingsServers();
    SettingsServers(const SettingsServers &) = delete;
    SettingsServers &operator=(const SettingsServers &) = delete;

    // "sqlite:<folder>" of the ERP copy and its database name.
    QString erpServer() const;
    static QString erpDatabase() { return QStringLiteral("ORVEK"); }

    // The writes so far, oldest first:
    //   "param <name>=<value>"         an UPDATE of tbl_param
    //   "ayarlar <flg_gw>"              an UPDATE of tbl_ayarlar
    //   "kovaset <code> <flg_dgun><flg_evyil>"  an UPDATE of a tbl_kovaset_ayar row
    //   "sablon <kind>"                 a template row added
    //   "<insert|delete|update> <table> <row>"  any other row change of those four tables
    //   "launch flg_kovaset=<value>"    the automatic program started
    QStringList writes() const;
    void clearWrites();
    QStringList launches;

    // A param value as stored ("" for Null).
    QString param(const QString &name) const;

    ProgramFolderFixture &folder;
    FakeGateway gateway;
    FakeGathwin gathwin;

private:
    QString m_erpFolder;
};
