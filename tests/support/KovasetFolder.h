#pragma once

// A program folder for the Kovaset executable as a process: a copy of the built binary in a
// temporary folder with its own copy of the shipped database, configuration folder (the
// log-on entry) and runtime folder; processes started there are killed when it goes.

#include "core/Base64.h"
#include "tests/support/ErpStandIn.h"
#include "tests/support/Fixtures.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QTemporaryDir>
#include <QtTest>

#include <memory>
#include <vector>

class KovasetFolder {
public:
    explicit KovasetFolder(bool withDatabase = true, const QString &nameTemplate = QStringLiteral("kovaset-XXXXXX"))
        : m_dir(QDir::temp().filePath(nameTemplate))
    {
        QVERIFY2(m_dir.isValid(), "temporary folder");
        QDir(m_dir.path()).mkpath(QStringLiteral("prog"));
        QDir(m_dir.path()).mkpath(QStringLiteral("config"));
        QDir(m_dir.path()).mkpath(QStringLiteral("runtime"));
        QFile::setPermissions(runtime(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(QFile::copy(QCoreApplication::applicationDirPath() + QStringLiteral("/Kovaset"), program()));
        QFile::setPermissions(program(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        if (withDatabase) {
            QVERIFY(QFile::copy(ProgramFolderFixture::shippedDatabase(), dbPath()));
            QFile::setPermissions(dbPath(), QFile::ReadOwner | QFile::WriteOwner);
        }
        m_connection = QStringLiteral("kovaset-side-%1").arg(++s_connections);
    }
    ~KovasetFolder()
    {
        for (auto &p : m_processes) {
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(10000);
            }
        }
        if (QSqlDatabase::contains(m_connection)) {
            QSqlDatabase::database(m_connection, false).close();
            QSqlDatabase::removeDatabase(m_connection);
        }
    }

    QString root() const { return m_dir.path(); }
    QString folder() const { return m_dir.filePath(QStringLiteral("prog")); }
    QString program() const { return folder() + QStringLiteral("/Kovaset"); }
    // Copies a program built beside the tests into the folder (a copy of Kovaset under
    // another name); its path there, or "" when the copy failed.
    QString installCopy(const QString &builtName) const
    {
        const QString path = folder() + QLatin1Char('/') + builtName;
        if (!QFile::exists(path) &&
            !QFile::copy(QCoreApplication::applicationDirPath() + QLatin1Char('/') + builtName, path))
            return QString();
        QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        return path;
    }
    QString dbPath() const { return folder() + QStringLiteral("/orvekdata.db"); }
    QString config() const { return m_dir.filePath(QStringLiteral("config")); }
    QString runtime() const { return m_dir.filePath(QStringLiteral("runtime")); }
    QString entryPath() const { return config() + QStringLiteral("/autostart/brenvik-kovaset.desktop"); }
    QString logText() const
    {
        QFile f(folder() + QStringLiteral("/kovaset.log"));
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }

    QProcess &start(const QStringList &args = {}) { return startProgram(program(), args); }
    QProcess &startProgram(const QString &path, const QStringList &args)
    {
        auto p = std::make_unique<QProcess>();
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config());
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime());
        p->setProcessEnvironment(env);
        p->setWorkingDirectory(m_dir.path());
        p->start(path, args);
        p->waitForStarted(10000);
        m_processes.push_back(std::move(p));
        return *m_processes.back();
    }
    // Runs a copy to its end; its exit status, or -1 when it did not end within the wait.
    int run(const QStringList &args = {}, QString *stderrText = nullptr)
    {
        QProcess &p = start(args);
        if (!p.waitForFinished(30000)) return -1;
        if (stderrText) *stderrText = QString::fromUtf8(p.readAllStandardError());
        return p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -2;
    }
    static bool ended(QProcess &p, int waitMs = 30000)
    {
        return p.state() == QProcess::NotRunning || p.waitForFinished(waitMs);
    }

    QSqlDatabase db()
    {
        if (!QSqlDatabase::contains(m_connection)) {
            QSqlDatabase d = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), m_connection);
            d.setDatabaseName(dbPath());
            d.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=5000"));
            d.open();
        }
        return QSqlDatabase::database(m_connection);
    }
    void setParam(const QString &name, const QString &value)
    {
        exec(QStringLiteral("UPDATE tbl_param SET deger = ? WHERE parametre = ?"), {value, name});
    }
    // An on-premises gateway account ("demo", "gizli") at the given URL.
    void setGateway(const QString &url)
    {
        exec(QStringLiteral("UPDATE tbl_ayarlar SET kullanici_adi_i = 'demo', parola_i = 'gizli', flg_kaydet_i = '1', "
                            "flg_gw = '1', url_ambrel = ?"),
             {url});
    }
    // The four ERP parameters (Base64), with the server setting given (an ERP stand-in is
    // "sqlite:<folder>").
    void setErpServer(const QString &server)
    {
        const base64 codec;
        setParam(QStringLiteral("OrvekServer"), codec.Encode(server));
        setParam(QStringLiteral("OrvekDatabase"), codec.Encode(QStringLiteral("ORVEK")));
        setParam(QStringLiteral("OrvekUser"), codec.Encode(QStringLiteral("sa")));
        setParam(QStringLiteral("OrvekPassword"), codec.Encode(QStringLiteral("x")));
    }
    // Greetings of two companies, 01 and 02, on an ERP stand-in in <root>/erp and the gateway
    // at gatewayUrl: per company one contact person for each of `days` days from `first` on,
    // born and married on that day (numbers 5321cc00dd, cc the company), both kinds on (birthday "D [##Adi##]"
    // from ORVEK, anniversary "E [##Adi##]" from TALVANE).
    void setUpGreetings(const QDate &first, int days, const QString &gatewayUrl)
    {
        const QString erpFolder = root() + QStringLiteral("/erp");
        {
            ErpStandIn erp(erpFolder);
            for (const QString &c : {QStringLiteral("01"), QStringLiteral("02")}) {
                erp.addCompany(c, QStringLiteral("Şirket ") + c);
                erp.addAccount(
                    c, {{QStringLiteral("HesapKodu"), QStringLiteral("120.001")}, {QStringLiteral("KartTip"), 0}});
                erp.begin(c);
                for (int d = 0; d < days; ++d) {
                    const QDate day = first.addDays(d);
                    erp.addContact(
                        c, {{QStringLiteral("Sirket"), QStringLiteral("120.001")},
                            {QStringLiteral("Adi"), QStringLiteral("Kişi%1").arg(d)},
                            {QStringLiteral("Soyadi"), QStringLiteral("S")},
                            {QStringLiteral("CepTelBKod"), QStringLiteral("532")},
                            {QStringLiteral("CepTel"),
                             QStringLiteral("1%1%2").arg(c, QStringLiteral("00%1").arg(d, 2, 10, QLatin1Char('0')))},
                            {QStringLiteral("DogumTar"), ErpStandIn::dayNumber(1980, day.month(), day.day())},
                            {QStringLiteral("EvlTarih"), ErpStandIn::dayNumber(2001, day.month(), day.day())}});
                }
                erp.commit(c);
                exec(QStringLiteral("INSERT INTO tbl_kovaset_ayar (sirket_kod, flg_dgun_mesaj, dgun_mesaj, "
                                    "dgun_gonderen, flg_evyil_mesaj, evyil_mesaj, evyil_gonderen) "
                                    "VALUES (?, '1', 'D [##Adi##]', 'ORVEK', '1', 'E [##Adi##]', 'TALVANE')"),
                     {c});
            }
        }
        setGateway(gatewayUrl);
        setErpServer(QStringLiteral("sqlite:") + erpFolder);
    }
    // The interactive service on (account "intuser", "intpass"), answer mode `mode` with the
    // single answer "Tesekkurler", a cycle every minute; the greeting window never opens.
    void setUpInteractive(const QString &mode = QStringLiteral("1"))
    {
        const base64 codec;
        setParam(QStringLiteral("flg_interaktif"), QStringLiteral("1"));
        setParam(QStringLiteral("IntKullanici"), codec.Encode(QStringLiteral("intuser")));
        setParam(QStringLiteral("IntParola"), codec.Encode(QStringLiteral("intpass")));
        setParam(QStringLiteral("IntDonusTip"), mode);
        setParam(QStringLiteral("Int1Mesaj"), QStringLiteral("Tesekkurler"));
        setParam(QStringLiteral("IntPeriyot"), QStringLiteral("1"));
        setParam(QStringLiteral("KovasetBasla"), QStringLiteral("23:59:59"));
        setParam(QStringLiteral("KovasetBitir"), QStringLiteral("00:00:00"));
    }
    QString flag()
    {
        QSqlQuery q(db());
        q.exec(QStringLiteral("SELECT deger FROM tbl_param WHERE parametre = 'flg_kovaset'"));
        return q.next() ? q.value(0).toString() : QStringLiteral("<none>");
    }
    void setFlag(const QString &value)
    {
        QSqlQuery q(db());
        q.prepare(QStringLiteral("UPDATE tbl_param SET deger = ? WHERE parametre = 'flg_kovaset'"));
        q.addBindValue(value);
        QVERIFY2(q.exec(), qPrintable(q.lastError().text()));
    }
    void exec(const QString &sql, const QVariantList &binds = {})
    {
        QSqlQuery q(db());
        q.prepare(sql);
        for (const QVariant &b : binds) q.addBindValue(b);
        QVERIFY2(q.exec(), qPrintable(q.lastError().text() + QStringLiteral(": ") + sql));
    }
    QVariant scalar(const QString &sql)
    {
        QSqlQuery q(db());
        return q.exec(sql) && q.next() ? q.value(0) : QVariant();
    }
    void closeDb()
    {
        if (QSqlDatabase::contains(m_connection)) QSqlDatabase::database(m_connection, false).close();
    }
    void writeEntry(const QString &text)
    {
        QDir().mkpath(config() + QStringLiteral("/autostart"));
        QFile f(entryPath());
        QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text.toUtf8());
    }
    QString entry() const
    {
        QFile f(entryPath());
        return f.open(QIODevice::ReadOnly) ? QString::fromUtf8(f.readAll()) : QString();
    }
    int countInLog(const QString &needle) const { return int(logText().count(needle)); }

private:
    QTemporaryDir m_dir;
    QString m_connection;
    std::vector<std::unique_ptr<QProcess>> m_processes;
    static inline int s_connections = 0;
};
