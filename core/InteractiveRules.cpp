#include "core/InteractiveRules.h"

#include "core/ErpQueries.h"
#include "core/LocalDb.h"
#include "core/OrvekError.h"

#include <QSqlQuery>

namespace {
QString text(const QVariant &v) { return v.isNull() ? QString() : v.toString(); }
QString notNull(const QString &s) { return s.isNull() ? QStringLiteral("") : s; }
QVariant nullable(const QString &s) { return s.isNull() ? QVariant(QMetaType::fromType<QString>()) : QVariant(s); }
} // namespace

QString KeywordUpper(const QString &text)
{
    QString out = text;
    for (QChar &c : out) {
        const char16_t u = c.unicode();
        if (u >= u'a' && u <= u'z') c = QChar(char16_t(u - (u'a' - u'A')));
    }
    return out;
}

bool IsKeywordText(const QString &text) { return IsAsciiLettersAndDigits(text); }

InteractiveRule NewRuleValues(const QString &keyword, const QString &companyCode)
{
    InteractiveRule r;
    r.parametre = keyword;
    r.geridonus_tipi = QStringLiteral("0");
    r.sorgu_tablosu = QStringLiteral("BakiyeMesaj");
    r.sorgu_alani = QStringLiteral("");
    r.sorgu_alan_tipi = QStringLiteral("Metin");
    r.flg_kayityok = QStringLiteral("0");
    r.sirket_kod = companyCode;
    return r;
}

QStringList RuleKinds()
{
    return {QStringLiteral("BakiyeMesaj"), QStringLiteral("YetkiliMesaj"), QStringLiteral("ChkMesaj"),
            QStringLiteral("GrupMesaj")};
}

QStringList RuleKeywords(const QString &companyCode)
{
    OpenLocalDb();
    QSqlQuery q = SqlExec(LocalDb(),
                          QStringLiteral("SELECT parametre FROM tbl_int_parametre "
                                         "WHERE sirket_kod = ? OR sirket_kod = ? ORDER BY rowid"),
                          {companyCode, QString::fromLatin1(kSharedCompanyCode)});
    QStringList keywords;
    while (q.next()) keywords << text(q.value(0));
    return keywords;
}

std::optional<InteractiveRule> LoadRule(const QString &keyword)
{
    OpenLocalDb();
    QSqlQuery q = SqlExec(LocalDb(), QStringLiteral("SELECT * FROM tbl_int_parametre WHERE parametre = ?"), {keyword});
    if (!q.next()) return std::nullopt;
    InteractiveRule r;
    QString *columns[] = {&r.parametre,   &r.geridonus_tipi, &r.sorgu_tablosu,  &r.sorgu_alani, &r.sorgu_alan_tipi,
                          &r.donus_mesaj, &r.flg_kayityok,   &r.kayityok_mesaj, &r.sirket_kod};
    for (int i = 0; i < 9; ++i) *columns[i] = text(q.value(i));
    return r;
}

NewRuleOutcome InsertRule(const QString &keyword, const QString &companyCode)
{
    bool exists = false;
    InLocalTransaction([&](QSqlDatabase &db) {
        exists = SqlExec(db, QStringLiteral("SELECT 1 FROM tbl_int_parametre WHERE parametre = ?"), {keyword}).next();
        if (exists) return;
        const InteractiveRule r = NewRuleValues(keyword, companyCode);
        SqlExec(db, QStringLiteral("INSERT INTO tbl_int_parametre VALUES (?,?,?,?,?,?,?,?,?)"),
                {r.parametre, r.geridonus_tipi, r.sorgu_tablosu, r.sorgu_alani, r.sorgu_alan_tipi,
                 nullable(r.donus_mesaj), r.flg_kayityok, nullable(r.kayityok_mesaj), r.sirket_kod});
    });
    return exists ? NewRuleOutcome::Duplicate : NewRuleOutcome::Inserted;
}

int SaveRule(const InteractiveRule &rule, const QString &companyCode)
{
    OpenLocalDb();
    const QString company =
        rule.parametre == QLatin1String(kDefaultRuleKeyword) ? QString::fromLatin1(kSharedCompanyCode) : companyCode;
    QSqlQuery q = SqlExec(LocalDb(),
                          QStringLiteral("UPDATE tbl_int_parametre SET geridonus_tipi = ?, sorgu_tablosu = ?, "
                                         "sorgu_alani = ?, sorgu_alan_tipi = ?, donus_mesaj = ?, flg_kayityok = ?, "
                                         "kayityok_mesaj = ? WHERE parametre = ? AND sirket_kod = ?"),
                          {notNull(rule.geridonus_tipi), notNull(rule.sorgu_tablosu), notNull(rule.sorgu_alani),
                           notNull(rule.sorgu_alan_tipi), notNull(rule.donus_mesaj), notNull(rule.flg_kayityok),
                           notNull(rule.kayityok_mesaj), rule.parametre, company});
    return q.numRowsAffected();
}

bool DeleteRule(const QString &keyword)
{
    OpenLocalDb();
    QSqlQuery q = SqlExec(LocalDb(), QStringLiteral("DELETE FROM tbl_int_parametre WHERE parametre = ?"), {keyword});
    return q.numRowsAffected() > 0;
}
