#include "core/SettingsLoader.h"

#include "ServiceAddresses.h"
#include "core/AppState.h"
#include "core/Base64.h"
#include "core/Gateway.h"
#include "core/LocalDb.h"
#include "core/OrvekError.h"
#include "core/Services.h"

#include <QSqlQuery>
#include <QSqlRecord>
#include <QVector>
#include <sqlite3.h>

namespace {
QString crlf() { return QStringLiteral("\r\n"); }

QString valueText(const QVariant &v) { return v.isNull() ? QString() : v.toString(); }
} // namespace

void GetMdacVersion()
{
    // The data access layer here is Qt's SQLite driver; its version is the SQLite library's.
    if (QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE"))) {
        gMdacFound = true;
        gMdacVersion = QString::fromLatin1(sqlite3_libversion());
    } else {
        gMdacFound = false;
    }
}

QString DataAccessHint(const QString &version)
{
    return QStringLiteral("Talvane veritabanına ulaşılamıyor.") + crlf() +
           QStringLiteral("Talvane veri tabanına bağlantı sağlayabilmek için bilgisayarınızda SQLite 3 yüklü olması "
                          "gerekmektedir.") +
           crlf() + QStringLiteral("Mevcut MDAC sürümünüz : ") + version + crlf() +
           QString::fromLatin1(ServiceAddresses::kDataAccessUrl) +
           QStringLiteral(" adresinden libqt6sql6-sqlite paketinin en son sürümünü indirebilirsiniz");
}

bool ReadSettingsStages(const QString &erpStageText)
{
    gErrorText = QStringLiteral("Sistem bilgileri kontrol edilemiyor. ") + crlf() +
                 QStringLiteral("Sınırlı kullanıcı hesabıyla oturum açmış olabilirsiniz.");
    GetMdacVersion();
    if (gMdacFound) {
        // The hint names SQLite 3; older majors get it. A version whose major number
        // cannot be read is not judged.
        bool okMajor = false;
        const int major = gMdacVersion.section(QLatin1Char('.'), 0, 0).toInt(&okMajor);
        if (okMajor && major < 3) gErrorText = DataAccessHint(gMdacVersion);
    }
    OpenLocalDb();
    QSqlQuery q = SqlExec(LocalDb(), QStringLiteral("SELECT * FROM tbl_ayarlar"));

    gErrorText = QStringLiteral("Sistem bilgileri kaydedilemiyor.") + crlf() +
                 QStringLiteral("Sınırlı kullanıcı hesabıyla oturum açmış olabilirsiniz") + crlf() +
                 QStringLiteral("Lütfen sistem yöneticinize başvurun.");
    if (!q.next()) return false;
    QVector<QVariant> row;
    const int columns = q.record().count();
    for (int i = 0; i < columns; ++i) row.append(q.value(i));
    q = QSqlQuery();
    auto at = [&](int pos) -> QVariant {
        if (pos >= row.size()) throw OrvekError(QStringLiteral("tbl_ayarlar tablosunda %1. sütun yok.").arg(pos));
        return row.at(pos);
    };
    // A Null flag cannot be taken as text: that fails this stage.
    auto flag = [&](int pos) -> QString {
        const QVariant v = at(pos);
        if (v.isNull()) throw OrvekError(QStringLiteral("Geçersiz Null değer (sütun %1).").arg(pos));
        return v.toString();
    };
    const QVariant gw = at(9);
    const QString flgGw = gw.isNull() ? QString() : gw.toString();
    if (!gw.isNull() && flgGw == QLatin1String("0")) {
        gGatewayKind = GatewayKind::Brenvik;
        gGatewayUrl = HostedGatewayAddress();
        gCkey = valueText(at(3));
        gUserName = valueText(at(1));
        gPassword = valueText(at(2));
        gFlgKaydet = flag(5);
        gAccountLoaded = true;
    }
    if (!gw.isNull() && flgGw == QLatin1String("1")) {
        gGatewayKind = GatewayKind::Ambrel;
        gGatewayUrl = valueText(at(10));
        gUserName = valueText(at(6));
        gPassword = valueText(at(7));
        gFlgKaydet = flag(8);
        gAccountLoaded = true;
    }

    gErrorText = erpStageText;
    base64 codec;
    gErpServer = codec.Decode(GetParam(QStringLiteral("OrvekServer")));
    gErpDatabase = codec.Decode(GetParam(QStringLiteral("OrvekDatabase")));
    gErpUser = codec.Decode(GetParam(QStringLiteral("OrvekUser")));
    gErpPassword = codec.Decode(GetParam(QStringLiteral("OrvekPassword")));
    return true;
}

void LoadSettings()
{
    try {
        if (ReadSettingsStages(QStringLiteral("Programı kullanmaya başlamadan önce Orvek® veritabanına ait sunucu "
                                              "bilgilerini Ayarlar -> Hesap ayarları menüsündeki Sunucu bilgileri "
                                              "bölümüne giriniz.")))
            gErpConfigured = true;
    } catch (const OrvekError &) {
        Prompt::show(gErrorText, PromptIcon::Critical, QStringLiteral("Brenvik"));
        gErpConfigured = false;
    }
}
