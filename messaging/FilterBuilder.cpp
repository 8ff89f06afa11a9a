#include "messaging/FilterBuilder.h"

#include "core/OrvekError.h"
#include "core/RecordFilter.h"

QStringList FilterOperatorsAtOpen()
{
    return {QStringLiteral("="),  QStringLiteral("<"),  QStringLiteral(">"),   QStringLiteral("<="),
            QStringLiteral(">="), QStringLiteral("<>"), QStringLiteral("like")};
}

QStringList FilterOperators(FilterValueType type)
{
    if (type == FilterValueType::Text) return {QStringLiteral("="), QStringLiteral("<>"), QStringLiteral("like")};
    return {QStringLiteral("="),  QStringLiteral("<"),  QStringLiteral(">"),
            QStringLiteral("<="), QStringLiteral(">="), QStringLiteral("<>")};
}

bool FilterValueKeyPasses(FilterValueType type, int charCode)
{
    if (type != FilterValueType::Number) return true;
    return charCode == 8 || (charCode >= 48 && charCode <= 57);
}

bool FilterDateBoxIsEmpty(const QString &dateText)
{
    for (QChar c : dateText)
        if (c.isDigit()) return false;
    return true;
}

FilterLineInput BuildFilterLine(FilterValueType type, const QString &field, const QString &op, const QString &valueText,
                                const QString &dateText)
{
    using Focus = FilterLineInput::Focus;
    FilterLineInput r;
    if (field.isEmpty()) {
        r.warning = QStringLiteral("Alan Adı Seçiniz");
        r.focus = Focus::FieldList;
        return r;
    }
    if (op.isEmpty()) {
        r.warning = QStringLiteral("Operatör Seçiniz");
        r.focus = Focus::OperatorList;
        return r;
    }
    if (type == FilterValueType::Date ? FilterDateBoxIsEmpty(dateText) : valueText.isEmpty()) {
        r.warning = QStringLiteral("Lütfen Değer Giriniz");
        r.focus = type == FilterValueType::Date ? Focus::DateBox : Focus::ValueBox;
        return r;
    }
    switch (type) {
    case FilterValueType::Text:
        r.line = field + u' ' + op + QStringLiteral(" '") + valueText + u'\'';
        break;
    case FilterValueType::Number:
        r.line = field + u' ' + op + u' ' + valueText;
        break;
    case FilterValueType::Date:
        r.line = field + u' ' + op + QStringLiteral(" #") + dateText + u'#';
        break;
    }
    return r;
}

QString FilterApplyResult::description() const
{
    return QStringLiteral("%1. satırdaki koşul kabul edilmedi: %2").arg(badLine).arg(reason);
}

QString FilterApplyResult::message() const
{
    return QStringLiteral("Sorgulama yapılamadı. Filtreleme işleminde kullandığınız alanların veri "
                          "tiplerini kontrol ediniz.\r\nSistemin ürettiği hata mesajı : ") +
           description();
}

FilterApplyResult ApplyFilterLines(RecordSet &set, const QStringList &lines)
{
    FilterApplyResult r;
    if (lines.isEmpty()) return r;

    // Each line is checked on its own first, so the fault is pinned to its line: the lines
    // are complete conditions, so the joined text is valid exactly when every line is.
    for (int i = 0; i < lines.size(); ++i) {
        try {
            if (lines[i].trimmed().isEmpty()) throw OrvekError(QStringLiteral("Koşul boş."));
            RecordFilter::compile(lines[i], set.fields());
        } catch (const OrvekError &e) {
            r.status = FilterApplyResult::Status::Refused;
            r.badLine = i + 1;
            r.reason = e.description();
            return r;
        }
    }

    // The filter in force is the joined text, without parentheses, as the lines read together.
    const QString text = lines.join(QStringLiteral(" and "));
    RecordFilter filter;
    try {
        filter = RecordFilter::compile(text, set.fields());
    } catch (const OrvekError &) {
        // Not expected after the checks above; pin the fault to the first prefix that fails.
        for (int k = 1; k <= lines.size(); ++k) {
            try {
                RecordFilter::compile(lines.mid(0, k).join(QStringLiteral(" and ")), set.fields());
            } catch (const OrvekError &e) {
                r.status = FilterApplyResult::Status::Refused;
                r.badLine = k;
                r.reason = e.description();
                return r;
            }
        }
        throw;
    }
    set.setFilter(filter.predicate());
    r.status = FilterApplyResult::Status::Applied;
    r.filterText = text;
    return r;
}

QString FilterGridCaption(const QString &gridTitle, int recordCount)
{
    return gridTitle + QStringLiteral(" (Toplam : ") + QString::number(recordCount) + QStringLiteral(" kayıt)");
}
