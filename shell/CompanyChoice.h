#pragma once

// The ERP company choice of the start: the company list of the ERP database and the
// greeting-settings row that each chosen company gets in tbl_kovaset_ayar.

#include <QString>
#include <QVector>

struct ErpCompany {
    QString key;  // "SIR" + company code
    QString name; // short name (SIR.KisaAdi)
    QString code() const { return key.mid(3); }
};

// "SELECT DISTINCT(SDK.Kod), SIR.KisaAdi FROM SIR, SDK WHERE SDK.SirketKod = SIR.Kod"
QString CompanyListQuery();

// The outcome of a step of the company choice: done, or the box (critical icon) that the
// window shows before it ends the program.
struct CompanyStepResult {
    bool ok = true;
    QString text;
    QString title;
    explicit operator bool() const { return ok; }
};

// Opens the ERP connection and reads the companies in the order of the query, one per key:
// a later row with a key already taken adds nothing. When the connection fails, or the
// query fails or finds no company, gErpConfigured becomes false and the result carries the
// matching message.
CompanyStepResult LoadCompanyList(QVector<ErpCompany> &companies);

// Takes a company: gCompanyCode (the key without "SIR"), gCompanyName, and its row in
// tbl_kovaset_ayar. When the local database fails the result carries its stage text
// (gErrorText).
CompanyStepResult TakeCompanyChoice(const ErpCompany &company);

// Adds the company's row ('code', '0', '', '', '0', '', '') when it has none and then closes
// the local connection; an existing row stays as it is and the connection stays open.
// True when a row was added. Throws OrvekError.
bool EnsureCompanySettingsRow(const QString &code);

// Texts of the company choice.
QString ErpUnreachableText();
QString NoCompanyText();
QString CompanyRowStageText();
