#pragma once

// Filter expressions over the rows of a RecordSet, in the small criteria language that the
// recipient filter, the report status filter and the automatic program use:
//
//   expression := term { OR term }          (AND binds tighter than OR)
//   term       := factor { AND factor }
//   factor     := '(' expression ')' | clause
//   clause     := field operator value
//   field      := name | '[' any text but ']' ']'   (matched without case)
//   operator   := '=' | '<>' | '<' | '>' | '<=' | '>=' | LIKE
//   value      := 'text' (an apostrophe inside is written twice)
//               | number (optional sign, decimal point, exponent)
//               | #dd/mm/yyyy# (day and month of one or two digits)
//
// Keywords are matched without case. The text is parsed and checked against the field types
// once; evaluation never fails. Every comparison with a Null value is false.
//
// Text fields: compared without case by Turkish rules (I/ı and İ/i are pairs), trailing blanks
// ignored; < and > follow the Turkish alphabet. A number literal is compared as the text it is
// written as; a date literal is refused. LIKE takes * or % as its wildcard, at the end of the
// pattern ('Ay*') or at both ends ('*şe*'); without a wildcard it is an equality test. LIKE
// works on text fields only.
// Number fields: a number, or a text that holds one ('12,5' or '12.5').
// Date fields (QDate, QDateTime): a date literal or a text date ('15.03.1980', '15/03/1980');
// a date stands for midnight of its day, so a date-time field equals it only at 00:00:00.
//
// Nothing here builds SQL; the text never leaves this evaluator.

#include "core/RecordSet.h"

#include <QString>
#include <QStringView>
#include <memory>

namespace recordfilter {
struct Node;
}

class RecordFilter {
public:
    // An empty filter: every row passes.
    RecordFilter();

    // Compiles `text` for rows of these fields. A blank text gives the empty filter. A text that
    // is not a valid filter for these fields throws OrvekError with a Turkish description of
    // the first fault (and its character position where it has one).
    static RecordFilter compile(const QString &text, const QVector<RecordField> &fields);

    bool isEmpty() const { return !m_root; }
    bool matches(const RecordRow &row) const;
    // A predicate for RecordSet::setFilter; it shares the compiled form with this filter.
    RecordSet::Predicate predicate() const;

private:
    std::shared_ptr<const recordfilter::Node> m_root;
};

// Sets the filter of `set` to `text`: a blank text removes the filter, any other text is
// compiled first, so a text that throws leaves the set's filter as it was.
void SetFilterText(RecordSet &set, const QString &text);

// Turkish case folding used by the text comparisons: "IŞIK", "Işık" and "ışık" fold alike,
// "İNCİ" and "inci" fold alike, "I" and "i" do not.
QString TurkishFold(QStringView text);
