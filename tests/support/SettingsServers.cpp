#include "tests/support/SettingsServers.h"

#include "core/AppState.h"
#include "core/Gateway.h"
#include "core/Gathwin.h"
#include "core/Services.h"
#include "tests/support/ErpStandIn.h"

#include <QDir>

namespace {
const ErpSampleCopies &sample()
{
    static const ErpSampleCopies copies;
    return copies;
}
} // namespace

SettingsServers::SettingsServers(ProgramFolderFixture &f) : folder(f)
{
    m_erpFolder = sample().copyInto(QDir(folder.folder()).filePath(QStringLiteral("erp")));
    SetHostedGatewayAddress(gateway.url());
    SetGathwinServiceAddress(gathwin.url());

    gGatewayKind = GatewayKind::Brenvik;
    gGatewayUrl = gateway.url();
    gUserName = QStringLiteral("demo");
    gPassword = QStringLiteral("parola");
    gCkey = QStringLiteral("B001");
    gFlgKaydet = QStringLiteral("1");
    gCompanyCode = QStringLiteral("01");
    gCompanyName = QStringLiteral("Merkez Ticaret");

    folder.exec(QStringLiteral("INSERT INTO tbl_kovaset_ayar(sirket_kod,flg_dgun_mesaj,dgun_mesaj,dgun_gonderen,"
                               "flg_evyil_mesaj,evyil_mesaj,evyil_gonderen) VALUES('01','0','','','0','','')"));
    folder.exec(QStringLiteral("UPDATE tbl_ayarlar SET kullanici_adi='demo', parola='parola', ckey='B001', "
                               "flg_kaydet='1', flg_gw='0'"));
    folder.exec(QStringLiteral("CREATE TABLE test_writes (seq INTEGER PRIMARY KEY AUTOINCREMENT, what TEXT)"));
    folder.exec(QStringLiteral("CREATE TRIGGER test_param AFTER UPDATE ON tbl_param BEGIN INSERT INTO "
                               "test_writes(what) VALUES('param ' || NEW.parametre || '=' || COALESCE(NEW.deger,'')); "
                               "END"));
    folder.exec(QStringLiteral("CREATE TRIGGER test_ayarlar AFTER UPDATE ON tbl_ayarlar BEGIN INSERT INTO "
                               "test_writes(what) VALUES('ayarlar ' || COALESCE(NEW.flg_gw,'')); END"));
    folder.exec(QStringLiteral("CREATE TRIGGER test_kovaset AFTER UPDATE ON tbl_kovaset_ayar BEGIN INSERT INTO "
                               "test_writes(what) VALUES('kovaset ' || NEW.sirket_kod || ' ' || "
                               "COALESCE(NEW.flg_dgun_mesaj,'') || COALESCE(NEW.flg_evyil_mesaj,'')); END"));
    folder.exec(QStringLiteral("CREATE TRIGGER test_sablon AFTER INSERT ON tbl_sablonlar BEGIN INSERT INTO "
                               "test_writes(what) VALUES('sablon ' || NEW.sablon_tip); END"));
    // Every other row change of the four tables, so that a test sees any write at all.
    const struct {
        const char *table;
        const char *event;
        const char *row;
    } others[] = {
        {"tbl_param", "INSERT", "NEW.parametre"},
        {"tbl_param", "DELETE", "OLD.parametre"},
        {"tbl_ayarlar", "INSERT", "''"},
        {"tbl_ayarlar", "DELETE", "''"},
        {"tbl_kovaset_ayar", "INSERT", "NEW.sirket_kod"},
        {"tbl_kovaset_ayar", "DELETE", "OLD.sirket_kod"},
        {"tbl_sablonlar", "UPDATE", "NEW.sablon_tip"},
        {"tbl_sablonlar", "DELETE", "OLD.sablon_tip"},
    };
    for (const auto &o : others)
        folder.exec(QStringLiteral("CREATE TRIGGER test_%1_%2 AFTER %2 ON %1 BEGIN INSERT INTO test_writes(what) "
                                   "VALUES('%3 %1 ' || COALESCE(%4,'')); END")
                        .arg(QLatin1String(o.table), QLatin1String(o.event), QString::fromLatin1(o.event).toLower(),
                             QLatin1String(o.row)));

    Shell::Handlers h;
    h.startProgram = [this](const QString &path) {
        launches << path;
        folder.exec(QStringLiteral("INSERT INTO test_writes(what) VALUES('launch flg_kovaset=' || "
                                   "(SELECT deger FROM tbl_param WHERE parametre = 'flg_kovaset'))"));
        return true;
    };
    h.openUrl = [](const QString &) { return true; };
    h.openFile = [](const QString &, const Shell::Declined &) { return true; };
    Shell::setHandlers(h);
}

SettingsServers::~SettingsServers()
{
    Shell::setHandlers(Shell::defaultHandlers());
    SetHostedGatewayAddress(QString());
    SetGathwinServiceAddress(QString());
}

QString SettingsServers::erpServer() const { return QStringLiteral("sqlite:") + m_erpFolder; }

QStringList SettingsServers::writes() const
{
    QStringList out;
    for (const QVariantList &row : folder.rows(QStringLiteral("SELECT what FROM test_writes ORDER BY seq")))
        out << row.value(0).toString();
    return out;
}

void SettingsServers::clearWrites() { folder.exec(QStringLiteral("DELETE FROM test_writes")); }

QString SettingsServers::param(const QString &name) const
{
    return folder.scalar(QStringLiteral("SELECT deger FROM tbl_param WHERE parametre = ?"), {name}).toString();
}
