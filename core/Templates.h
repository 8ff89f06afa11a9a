#pragma once

#include "core/AcceptedWrites.h"

// Message templates in tbl_sablonlar of the local database. A text is kept over two columns:
// a text of fewer than 256 characters lies whole in sablon_p1; a longer one has its characters
// 1 to 255 in sablon_p1 and the rest, however long, in sablon_p2. Every reader takes the two
// halves joined, an absent half counting as empty. Texts are stored exactly as given (CR LF
// line breaks and "[##column##]" placeholders included); every value is bound, never spliced.
//
// Every function opens the local database when it is closed (OpenLocalDb) and throws
// OrvekError with the driver's description when a statement fails; a failed statement leaves
// the table unchanged.

#include <QString>
#include <QStringList>
#include <QVector>

inline constexpr int kTemplateFirstHalf = 255;           // characters that sablon_p1 takes of a long text
inline constexpr const char *kTemplateMsgIdLocal = "00"; // msgid of a template saved outside a send

// The message kinds that own templates, in the order the template window lists them.
QStringList TemplateKinds();

struct TemplateHalves {
    QString p1;
    QString p2; // empty for a text of fewer than 256 characters; neither half is ever null
};
// The writing rule. A split that would cut a surrogate pair (a character outside the basic
// plane, such as an emoji) in two moves one place earlier, so each half stays valid text.
TemplateHalves SplitTemplateText(const QString &text);

struct TemplateRow {
    qint64 id = 0;
    QString text; // sablon_p1 followed by sablon_p2
};
// The templates of one kind (compared without case), in the order they were stored; every
// company sees the same templates.
QVector<TemplateRow> ListTemplates(const QString &kind);

// How a writer lays the text over the columns. The rows read back the same whichever it is.
enum class TemplateLayout {
    SplitEmptyP2, // split by the writing rule; a short text gets sablon_p2 = ''
                  // (the send screen and the quick message window after a send)
    SplitNoP2,    // split by the writing rule; a short text leaves sablon_p2 out (Null)
                  // (the template window's "Yeni")
    WholeNoP2,    // the whole text in sablon_p1, sablon_p2 left out, never split
                  // (the settings save of the greeting texts)
};

// Adds a template and returns its id. msgid is "00" for a template saved outside a send, else
// the gateway's message id of the send.
qint64 InsertTemplate(const QString &kind, const QString &text, const QString &msgid,
                      TemplateLayout layout = TemplateLayout::SplitEmptyP2);
// The row InsertTemplate writes, as columns and values (for writes after an accepted send,
// see core/AcceptedWrites.h).
JournalRow TemplateInsertRow(const QString &kind, const QString &text, const QString &msgid,
                             TemplateLayout layout = TemplateLayout::SplitEmptyP2);

// Rewrites both halves of the row by the writing rule (a short text empties sablon_p2); kind
// and msgid are kept. Throws OrvekError when no row has that id.
void UpdateTemplate(qint64 id, const QString &text);

// Removes the row; returns false when no row had that id.
bool DeleteTemplate(qint64 id);

// The field names a template of the kind may use as placeholders: the result columns of the
// kind's ERP query (GetErpQuery), in query order, read from the query run on the ERP
// connection (OpenErpDb). Throws OrvekError when the connection or the query fails, also for
// a kind without an ERP query and for a company code that is not plain
// (RequirePlainCompanyCode).
QStringList TemplateFieldNames(const QString &kind);
