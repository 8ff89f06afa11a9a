#pragma once

// Keyword rules of the interactive SMS service (tbl_int_parametre): an incoming message whose
// first word is a rule's keyword is answered by that rule; 'noprm' of company '-1' is the
// default rule. Both programs read the rules; the main program's rule editor keeps them.
//
// Every function opens the local database when it is closed (OpenLocalDb), binds every value
// and throws OrvekError with the driver's description when a statement fails.

#include <QString>
#include <QStringList>
#include <optional>

inline constexpr int kKeywordMaxLength = 20;
inline constexpr int kRuleAnswerMaxLength = 160;
inline constexpr const char *kDefaultRuleKeyword = "noprm";
inline constexpr const char *kSharedCompanyCode = "-1";

// Upper-cases the ASCII letters a to z only (so "i" becomes "I"); every other character stays
// as it is. The rule editor's keywords and the answer cycle's first words both go through it,
// so the two always agree.
QString KeywordUpper(const QString &text);

// Whether every character is an ASCII letter or digit (the empty text passes).
bool IsKeywordText(const QString &text);

// One rule, its nine columns in table order. A Null column reads as a null QString.
struct InteractiveRule {
    QString parametre;
    QString geridonus_tipi;
    QString sorgu_tablosu;
    QString sorgu_alani;
    QString sorgu_alan_tipi;
    QString donus_mesaj;
    QString flg_kayityok;
    QString kayityok_mesaj;
    QString sirket_kod;
};

// The values of a new rule of the company: type "0", kind "BakiyeMesaj", field '', field type
// "Metin", no answers (Null), flag "0".
InteractiveRule NewRuleValues(const QString &keyword, const QString &companyCode);

// The kinds a rule may search, in the editor's order.
QStringList RuleKinds();

// The keywords of the company's rules and of the shared rules (company '-1'), in the order
// the rules were added ('noprm' first).
QStringList RuleKeywords(const QString &companyCode);

// The rule of a keyword (compared without letter case, over all companies); nullopt when
// there is none.
std::optional<InteractiveRule> LoadRule(const QString &keyword);

enum class NewRuleOutcome { Inserted, Duplicate };
// Adds the rule NewRuleValues(keyword, companyCode) unless a rule of that keyword exists for
// any company; the test and the insert are one transaction, so two programs cannot both add it.
NewRuleOutcome InsertRule(const QString &keyword, const QString &companyCode);

// Writes columns 1 to 7 of the rule whose keyword is rule.parametre: for 'noprm' (exactly)
// the shared row, for any other keyword the row of companyCode. A null answer text is stored
// as ''. Returns the number of rows written (0 when the company has no such row).
int SaveRule(const InteractiveRule &rule, const QString &companyCode);

// Removes the rule of the keyword, whatever its company; returns false when there was none.
bool DeleteRule(const QString &keyword);
