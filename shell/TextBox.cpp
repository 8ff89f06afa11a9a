#include "shell/TextBox.h"

#include "core/SmsText.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextEdit>

#include <memory>

QString TextBoxText(const QWidget *box)
{
    if (auto *line = qobject_cast<const QLineEdit *>(box)) return ToCrLf(line->text());
    if (auto *plain = qobject_cast<const QPlainTextEdit *>(box)) return ToCrLf(plain->toPlainText());
    if (auto *rich = qobject_cast<const QTextEdit *>(box)) return ToCrLf(rich->toPlainText());
    return QString();
}

bool SetTextBoxText(QWidget *box, const QString &text)
{
    if (auto *line = qobject_cast<QLineEdit *>(box)) {
        line->setText(text);
        return true;
    }
    // The documents hold one block per line: give them plain LF breaks.
    QString lines = ToCrLf(text);
    lines.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    if (auto *plain = qobject_cast<QPlainTextEdit *>(box)) {
        plain->setPlainText(lines);
        return true;
    }
    if (auto *rich = qobject_cast<QTextEdit *>(box)) {
        rich->setPlainText(lines);
        return true;
    }
    return false;
}

void LimitTextBoxLength(QPlainTextEdit *box, int maxLength)
{
    QTextDocument *doc = box->document();
    auto limiting = std::make_shared<bool>(false);
    QObject::connect(doc, &QTextDocument::contentsChange, box,
                     [box, doc, maxLength, limiting](int position, int, int charsAdded) {
                         if (*limiting || charsAdded <= 0) return;
                         const int length = SmsLength(box->toPlainText());
                         if (length <= maxLength) return;
                         const int end = qMin(position + charsAdded, doc->characterCount() - 1);
                         if (end <= position) return;
                         QTextCursor cursor(doc);
                         cursor.setPosition(position);
                         cursor.setPosition(end, QTextCursor::KeepAnchor);
                         const int cut = QuickExcessCharacters(cursor.selectedText(), length, maxLength);
                         if (cut <= 0) return;
                         *limiting = true;
                         cursor.setPosition(end - cut);
                         cursor.setPosition(end, QTextCursor::KeepAnchor);
                         cursor.removeSelectedText();
                         *limiting = false;
                     });
}
