#include "kovaset/AutostartEntry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

#ifdef Q_OS_WIN
#include <QSettings>
namespace {
const char *kRunKey = "HKEY_LOCAL_MACHINE\\SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\Run";
const char *kRunValue = "Brenvik Kovaset";
} // namespace
#endif

QString AutostartEntryPath()
{
    QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (config.isEmpty() || QDir::isRelativePath(config))
        config = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    return QDir(config).filePath(QStringLiteral("autostart/brenvik-kovaset.desktop"));
}

QString DesktopExecArgument(const QString &path)
{
    static const QString reserved = QStringLiteral(" \t\n\r\"'\\><~|&;$*?#()`");
    bool quote = false;
    for (const QChar c : path)
        if (reserved.contains(c)) quote = true;
    QString arg;
    if (quote) {
        arg += QLatin1Char('"');
        for (const QChar c : path) {
            if (c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$') || c == QLatin1Char('\\'))
                arg += QLatin1Char('\\');
            arg += c;
        }
        arg += QLatin1Char('"');
    } else {
        arg = path;
    }
    // The string escapes of the file format come on top of the quoting.
    QString out;
    for (const QChar c : arg) {
        if (c == QLatin1Char('\\'))
            out += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            out += QStringLiteral("\\n");
        else if (c == QLatin1Char('\r'))
            out += QStringLiteral("\\r");
        else if (c == QLatin1Char('\t'))
            out += QStringLiteral("\\t");
        else if (c == QLatin1Char('%'))
            out += QStringLiteral("%%");
        else
            out += c;
    }
    return out;
}

QString AutostartEntryText(const QString &programPath)
{
    return QStringLiteral("[Desktop Entry]\nType=Application\nName=Brenvik Kovaset\nExec=") +
           DesktopExecArgument(programPath) + QStringLiteral("\nNoDisplay=true\nTerminal=false\n");
}

QString ReadAutostartExec(const QString &entryPath)
{
    QFile f(entryPath);
    if (!f.open(QIODevice::ReadOnly)) return QString();
    bool inEntry = false;
    while (!f.atEnd()) {
        const QString line = QString::fromUtf8(f.readLine()).trimmed();
        if (line.startsWith(QLatin1Char('['))) {
            inEntry = line == QLatin1String("[Desktop Entry]");
            continue;
        }
        if (!inEntry) continue;
        const int eq = line.indexOf(QLatin1Char('='));
        if (eq < 0 || line.left(eq).trimmed() != QLatin1String("Exec")) continue;
        return line.mid(eq + 1).trimmed();
    }
    return QString();
}

AutostartResult EnsureAutostartEntry(const QString &programPath)
{
    AutostartResult r;
#ifdef Q_OS_WIN
    QSettings run(QString::fromLatin1(kRunKey), QSettings::NativeFormat);
    const QString name = QString::fromLatin1(kRunValue);
    if (!run.value(name).toString().isEmpty()) {
        r.status = AutostartStatus::Kept;
        return r;
    }
    run.setValue(name, QDir::toNativeSeparators(programPath));
    run.sync();
    r.status = run.status() == QSettings::NoError ? AutostartStatus::Written : AutostartStatus::Failed;
    if (r.status == AutostartStatus::Failed) r.error = QStringLiteral("Kayıt defterine yazılamadı.");
    return r;
#else
    const QString path = AutostartEntryPath();
    if (!ReadAutostartExec(path).isEmpty()) {
        r.status = AutostartStatus::Kept;
        return r;
    }
    if (!QDir().mkpath(QFileInfo(path).absolutePath())) {
        r.error = QStringLiteral("Klasör oluşturulamadı: %1").arg(QFileInfo(path).absolutePath());
        return r;
    }
    QSaveFile f(path);
    if (!f.open(QIODevice::WriteOnly)) {
        r.error = f.errorString();
        return r;
    }
    f.write(AutostartEntryText(programPath).toUtf8());
    if (!f.commit()) {
        r.error = f.errorString();
        return r;
    }
    r.status = AutostartStatus::Written;
    return r;
#endif
}
