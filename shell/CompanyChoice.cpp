#include "shell/CompanyChoice.h"

#include "core/AppState.h"
#include "core/LocalDb.h"
#include "core/OrvekError.h"

#include <QSet>
#include <QSqlQuery>
#include <exception>

namespace {
QString crlf() { return QStringLiteral("\r\n"); }
QString valueText(const QVariant &v) { return v.isNull() ? QString() : v.toString(); }

CompanyStepResult failStart(const QString &text, const QString &title)
{
    gErpConfigured = false;
    return CompanyStepResult{false, text, title};
}
} // namespace

QString CompanyListQuery()
{
    return QStringLiteral("SELECT DISTINCT(SDK.Kod), SIR.KisaAdi ") + QStringLiteral("FROM SIR, SDK ") +
           QStringLiteral("WHERE SDK.SirketKod = SIR.Kod");
}

QString ErpUnreachableText()
{
    return QStringLiteral("Orvek® veritabanıyla bağlantı kurulamıyor.") + crlf() +
           QStringLiteral("Uygulama kapatılıyor...");
}

QString NoCompanyText()
{
    return QStringLiteral("Tanımlı şirket bulunamadı.") + crlf() +
           QStringLiteral("Orvek® Talvane uygulamasını kullanabilmeniz için Orvek® veritabanında tanımlı "
                          "şirket ya da şirketler olmalıdır.") +
           crlf() + QStringLiteral("Uygulama kapatılıyor...");
}

QString CompanyRowStageText()
{
    return QStringLiteral("Sistem bilgileri kaydedilemiyor.") + crlf() +
           QStringLiteral("Sınırlı kullanıcı hesabıyla oturum açmış olabilirsiniz") + crlf() +
           QStringLiteral("Lütfen sistem yöneticinize başvurun.");
}

CompanyStepResult LoadCompanyList(QVector<ErpCompany> &companies)
{
    companies.clear();
    try {
        OpenErpDb();
    } catch (const std::exception &) {
        return failStart(ErpUnreachableText(), QStringLiteral("Brenvik"));
    }
    try {
        QSqlQuery q = SqlExec(ErpDb(), ErpSqlText(CompanyListQuery()));
        QSet<QString> keys;
        while (q.next()) {
            ErpCompany c{QStringLiteral("SIR") + valueText(q.value(0)), valueText(q.value(1))};
            if (keys.contains(c.key)) continue;
            keys.insert(c.key);
            companies.append(c);
        }
    } catch (const std::exception &) {
        companies.clear();
    }
    if (companies.isEmpty()) {
        return failStart(NoCompanyText(), QStringLiteral("Uyarı"));
    }
    return {};
}

bool EnsureCompanySettingsRow(const QString &code)
{
    // The read and the write in one transaction: a second program never sees the gap.
    bool added = false;
    InLocalTransaction([&](QSqlDatabase &db) {
        added = !SqlExec(db, QStringLiteral("SELECT * FROM tbl_kovaset_ayar WHERE sirket_kod = ?"), {code}).next();
        if (added)
            SqlExec(db,
                    QStringLiteral("INSERT INTO tbl_kovaset_ayar(sirket_kod,flg_dgun_mesaj,dgun_mesaj,dgun_gonderen,"
                                   "flg_evyil_mesaj,evyil_mesaj,evyil_gonderen) VALUES (?,'0','','','0','','')"),
                    {code});
    });
    if (added) CloseLocalDb();
    return added;
}

CompanyStepResult TakeCompanyChoice(const ErpCompany &company)
{
    gCompanyCode = company.code();
    gCompanyName = company.name;
    try {
        gErrorText = CompanyRowStageText();
        EnsureCompanySettingsRow(gCompanyCode);
        return {};
    } catch (const std::exception &) {
        return CompanyStepResult{false, gErrorText, QStringLiteral("Brenvik")};
    }
}
