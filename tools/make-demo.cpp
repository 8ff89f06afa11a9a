// Prepares a demo program folder: the sample ERP stand-in in <folder>/erp and the copy of the
// shipped database in <folder> pointed at it and at the fake gateway.
//   make-demo <folder> <gateway-url>
#include "core/Base64.h"
#include "tests/support/ErpStandIn.h"

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <cstdio>

namespace {
bool exec(QSqlDatabase &db, const QString &sql, const QVariantList &binds)
{
    QSqlQuery q(db);
    q.prepare(sql);
    for (const QVariant &v : binds) q.addBindValue(v);
    if (!q.exec()) {
        std::fprintf(stderr, "make-demo: %s\n", qPrintable(q.lastError().text()));
        return false;
    }
    return true;
}
// A few incoming messages of the interactive service, as the automatic program stores them,
// some with the answer it sent: the inbox and chart windows have something to show.
bool addSampleInbox(QSqlDatabase &db)
{
    struct Sample {
        int daysAgo;
        const char *time;
        const char *gsm;
        const char *msg;
        const char *answer;
    };
    static const Sample samples[] = {
        {1, "09:12:05", "905321234567", "BAKIYE 120.001", "Sayin Caglar Gida Ltd. Sti., bakiyeniz 1250,75 TL'dir."},
        {1, "11:40:31", "905057654321", "BAKIYE", "Sayin Ismail Ozturk, bakiyeniz 1250,75 TL'dir."},
        {1, "16:03:12", "905551112233", "KAMPANYA", nullptr},
        {0, "08:55:47", "905421112233", "bakiye 120.004", "Kaydiniz bulunamadi."},
        {0, "10:21:09", "905544445566", "BAKIYE", "Sayin Cigdem Sen, bakiyeniz 0 TL'dir."},
        {0, "13:17:58", "905061231231", "Merhaba, bilgi almak istiyorum", nullptr},
    };
    const QDate today = QDate::currentDate();
    for (const Sample &s : samples) {
        const QString tarih = today.addDays(-s.daysAgo).toString(QStringLiteral("yyyy-MM-dd ")) + QLatin1String(s.time);
        if (!exec(db, QStringLiteral("INSERT INTO tbl_int_msgbox (tarih, gsmno, msg) VALUES (?, ?, ?)"),
                  {tarih, QString::fromLatin1(s.gsm), QString::fromUtf8(s.msg)}))
            return false;
        if (s.answer && !exec(db,
                              QStringLiteral("INSERT INTO tbl_int_donus (gelenid, donusmesaj) "
                                             "VALUES ((SELECT MAX(id) FROM tbl_int_msgbox), ?)"),
                              {QString::fromUtf8(s.answer)}))
            return false;
    }
    return true;
}
} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: make-demo <folder> <gateway-url>\n");
        return 2;
    }
    const QString folder = QDir(args[1]).absolutePath();
    const QString erpFolder = QDir(folder).filePath(QStringLiteral("erp"));
    // The programs only read the stand-in: it is made again when this tool is newer than it
    // (the sample may have changed) or when an earlier fill did not finish.
    const QFileInfo filled(QDir(erpFolder).filePath(QStringLiteral(".filled")));
    if (!filled.exists() || filled.lastModified() < QFileInfo(app.applicationFilePath()).lastModified()) {
        QDir(erpFolder).removeRecursively();
        {
            ErpStandIn erp(erpFolder);
            erp.fillSample();
        }
        QFile mark(filled.filePath());
        if (!mark.open(QIODevice::WriteOnly))
            std::fprintf(stderr, "make-demo: cannot write %s\n", qPrintable(mark.fileName()));
    }

    bool ok = true;
    {
        QSqlDatabase db = QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), QStringLiteral("demo"));
        db.setDatabaseName(QDir(folder).filePath(QStringLiteral("orvekdata.db")));
        if (!db.open()) {
            std::fprintf(stderr, "make-demo: %s\n", qPrintable(db.lastError().text()));
            return 1;
        }
        base64 codec;
        // One transaction: one write to the disk, not one per statement.
        db.transaction();
        ok = exec(db,
                  QStringLiteral("UPDATE tbl_ayarlar SET kullanici_adi_i = 'demo', parola_i = 'demo', "
                                 "flg_kaydet_i = '0', flg_gw = '1', url_ambrel = ?"),
                  {args[2]});
        const QList<QPair<QString, QString>> erpSettings = {
            {QStringLiteral("OrvekServer"), QStringLiteral("sqlite:") + erpFolder},
            {QStringLiteral("OrvekDatabase"), QStringLiteral("ORVEK")},
            {QStringLiteral("OrvekUser"), QStringLiteral("sa")},
            {QStringLiteral("OrvekPassword"), QStringLiteral("demo")}};
        for (const auto &s : erpSettings)
            ok = ok && exec(db, QStringLiteral("UPDATE tbl_param SET deger = ? WHERE parametre = ?"),
                            {codec.Encode(s.second), s.first});
        ok = ok && addSampleInbox(db);
        if (ok) ok = db.commit();
        if (!ok) db.rollback();
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("demo"));
    return ok ? 0 : 1;
}
