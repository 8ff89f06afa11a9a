#pragma once

// The automatic program's log: kovaset.log beside the database and standard error, one UTF-8
// line per event, "yyyy-MM-dd HH:mm:ss" + one blank + the text (each line break of the text
// becomes one blank, any other control character \xNN: EscapeControlCharacters). Once the
// file would pass 1 MiB it is renamed kovaset.log.1 (replacing an older one) and a new file
// begins. Lines never carry passwords or message texts.

#include <QDateTime>
#include <QString>
#include <functional>

class KovasetLog {
public:
    static constexpr qint64 kMaxFileBytes = 1024 * 1024;

    using Clock = std::function<QDateTime()>;

    // Standard error only, until setFile() names the file.
    KovasetLog() = default;
    explicit KovasetLog(const QString &filePath) : m_filePath(filePath) {}

    void setFile(const QString &filePath) { m_filePath = filePath; }
    QString file() const { return m_filePath; }
    // The time stamp of each line; the machine's time when none is set.
    void setClock(Clock clock) { m_clock = std::move(clock); }
    void setEchoToStderr(bool echo) { m_echo = echo; }

    void write(const QString &text);

    // The line of one event, without its line end.
    static QString lineFor(const QDateTime &at, const QString &text);

private:
    void appendToFile(const QByteArray &line);

    QString m_filePath;
    Clock m_clock;
    bool m_echo = true;
};

// kovaset.log beside the database.
QString KovasetLogPath();
