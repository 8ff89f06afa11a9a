#include "shell/TextBox.h"

#include "core/SmsText.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTextEdit>

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
