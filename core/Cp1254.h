#pragma once

#include <QByteArray>
#include <QString>

// Windows-1254 (Turkish ANSI code page): one byte per character. A character that the code
// page lacks becomes "?", the code page's default character.
QByteArray ToCp1254(const QString &text);
QString FromCp1254(const QByteArray &bytes);
