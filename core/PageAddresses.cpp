#include "core/PageAddresses.h"

#include "ServiceAddresses.h"
#include "core/LocalDb.h"

#include <QDir>
#include <QUrl>

namespace {
QString s(const char *text) { return QString::fromUtf8(text); }
} // namespace

QString WebClientAddress(const QString &ckey, const QString &userName)
{
    return s(ServiceAddresses::kWebClientUrl) + QStringLiteral("?company=") + ckey + QStringLiteral("&Username=") +
           userName;
}

QString WebClientAddressFor(GatewayKind gatewayKind, const QString &ckey, const QString &userName)
{
    if (gatewayKind == GatewayKind::Brenvik) return WebClientAddress(ckey, userName);
    return s(ServiceAddresses::kWebClientUrl) + QStringLiteral("?company=") + s(ServiceAddresses::kWebClientCompany);
}

QString CreditTopUpAddress(const QString &ckey, const QString &userName, const QString &password)
{
    return s(ServiceAddresses::kCreditUrl) + QStringLiteral("?Company=") + ckey + QStringLiteral("&Username=") +
           userName + QStringLiteral("&Password=") + password;
}

QString ProductSiteAddress(GatewayKind gatewayKind, const QString &userName, const QString &password,
                           const QString &ckey)
{
    if (gatewayKind != GatewayKind::Brenvik) return s(ServiceAddresses::kProductHomeUrl);
    return s(ServiceAddresses::kProductSiteUrl) + QStringLiteral("?username=") + userName +
           QStringLiteral("&password=") + password + QStringLiteral("&company=") + ckey;
}

QString ProductSiteHost() { return QUrl(s(ServiceAddresses::kProductHomeUrl)).host(); }

QString AdvertisementAddress() { return s(ServiceAddresses::kAdvertUrl) + QStringLiteral("?prm=Brenvik"); }

QString HelpFilePath() { return QDir(ProgramFolder()).filePath(QString::fromLatin1(kHelpFileName)); }

QString HelpPageAddress(const QString &path) { return QUrl::fromLocalFile(path).toString(QUrl::FullyEncoded); }

QString HelpFileMissingText(const QString &path)
{
    return QStringLiteral("Yardım dosyası bulunamadı.\r\nAranan dosya: ") + QDir::toNativeSeparators(path);
}
