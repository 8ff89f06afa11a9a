#pragma once

// The text of a message text box (QLineEdit, QPlainTextEdit or QTextEdit) as the program
// keeps it: line breaks as CR LF. Windows read and write their message boxes through these,
// so a stored text comes back exactly and the counters count a line break as two characters.

#include <QString>

class QWidget;

// The box's whole text with CR LF line breaks; "" for a widget that is not a text box.
QString TextBoxText(const QWidget *box);
// Replaces the box's whole text (CR LF shows as a line break); the caret goes to the start.
// Returns false, changing nothing, for a widget that is not a text box.
bool SetTextBoxText(QWidget *box, const QString &text);

class QPlainTextEdit;

// Holds a multi-line box to at most maxLength characters (a line break counts two), typed or
// pasted: what would pass the limit is cut from the end of the added text.
void LimitTextBoxLength(QPlainTextEdit *box, int maxLength);
