#include "kovaset/KovasetLog.h"

#include "core/FolderAccess.h"
#include "core/LocalDb.h"
#include "kovaset/LogText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <cstdio>

QString KovasetLog::lineFor(const QDateTime &at, const QString &text)
{
    QString body = text;
    body.replace(QStringLiteral("\r\n"), QStringLiteral(" "));
    body.replace(QLatin1Char('\r'), QLatin1Char(' '));
    body.replace(QLatin1Char('\n'), QLatin1Char(' '));
    return at.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) + QLatin1Char(' ') + EscapeControlCharacters(body);
}

void KovasetLog::write(const QString &text)
{
    const QDateTime at = m_clock ? m_clock() : QDateTime::currentDateTime();
    const QByteArray line = lineFor(at, text).toUtf8() + '\n';
    // The file first: standard error may lead nowhere (the starting program has ended).
    if (!m_filePath.isEmpty()) appendToFile(line);
    if (m_echo) {
        std::fwrite(line.constData(), 1, size_t(line.size()), stderr);
        std::fflush(stderr);
    }
}

void KovasetLog::appendToFile(const QByteArray &line)
{
    const QFileInfo info(m_filePath);
    if (info.exists() && info.size() + line.size() > kMaxFileBytes) {
        const QString older = m_filePath + QStringLiteral(".1");
        QFile::remove(older);
        QFile::rename(m_filePath, older);
    }
    // Opened per line: the file may be renamed or removed between events.
    QFile f(m_filePath);
    if (!OpenBesideDatabase(f, QIODevice::WriteOnly | QIODevice::Append)) return;
    f.write(line);
}

QString KovasetLogPath() { return QDir(ProgramFolder()).filePath(QStringLiteral("kovaset.log")); }
