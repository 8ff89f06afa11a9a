// Prepares a demo program folder: the sample ERP stand-in in <folder>/erp and the copy of the
// shipped database in <folder> pointed at it and at the fake gateway.
//   make-demo <folder> <gateway-url>
#include "core/Base64.h"
#include "tests/support/ErpStandIn.h"

#include <QCoreApplication>
#include <QDir>
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
    QDir(erpFolder).removeRecursively();
    {
        ErpStandIn erp(erpFolder);
        erp.fillSample();
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
        db.close();
    }
    QSqlDatabase::removeDatabase(QStringLiteral("demo"));
    return ok ? 0 : 1;
}
