#include "core/Gathwin.h"

#include "ServiceAddresses.h"
#include "core/AppState.h"
#include "core/HttpPoster.h"
#include "core/XmlText.h"

namespace {
thread_local PostOutcome tLastOutcome = PostOutcome::NotSent;

QString &addressOverride()
{
    static QString url;
    return url;
}

QString &kovasetAddressOverride()
{
    static QString url;
    return url;
}
} // namespace

QString GathwinRequest(const QString &userName, const QString &password, const QString &list)
{
    return QStringLiteral("<GathwinMain><UserName>") + DropXmlForbiddenCharacters(userName) +
           QStringLiteral("</UserName><PassWord>") + DropXmlForbiddenCharacters(password) +
           QStringLiteral("</PassWord><Action>0</Action><List>") + DropXmlForbiddenCharacters(list) +
           QStringLiteral("</List></GathwinMain>");
}

QString ListGathwinMessages(const QString &userName, const QString &password, const QString &list)
{
    gGathwinRequest = GathwinRequest(userName, password, list);
    return PostToGathwin(gGathwinRequest);
}

QString PostToGathwin(const QString &request)
{
    gGathwinUrl = GathwinServiceAddress();
    PostResult r = HttpPoster::exchange(gGathwinUrl, request);
    tLastOutcome = r.outcome;
    return r.reply;
}

PostOutcome LastGathwinOutcome() { return tLastOutcome; }

QString GathwinServiceAddress()
{
    const QString &o = addressOverride();
    return o.isEmpty() ? QString::fromUtf8(ServiceAddresses::kGathwinUrl) : o;
}

void SetGathwinServiceAddress(const QString &url) { addressOverride() = url; }

QString KovasetGathwinAddress()
{
    const QString &o = kovasetAddressOverride();
    return o.isEmpty() ? QString::fromUtf8(ServiceAddresses::kKovasetGathwinUrl) : o;
}

void SetKovasetGathwinAddress(const QString &url) { kovasetAddressOverride() = url; }
