#pragma once

// Addresses of the web pages that the main window opens: the gateway operator's web client
// and credit top-up page (shown in the browser window) and the product site (opened in the
// user's browser). The values are appended as they are, without any encoding; the pages
// expect them so.

#include "core/GatewayKind.h"

#include <QString>

// The web client signed in with the client code and the user name.
QString WebClientAddress(const QString &ckey, const QString &userName);
// The web client for a gateway kind: signed in for the hosted gateway, the fixed company page for
// any other kind.
QString WebClientAddressFor(GatewayKind gatewayKind, const QString &ckey, const QString &userName);
// The credit top-up page, for either kind.
QString CreditTopUpAddress(const QString &ckey, const QString &userName, const QString &password);
// The product site: its login page for the hosted gateway, its home page for any other kind.
QString ProductSiteAddress(GatewayKind gatewayKind, const QString &userName, const QString &password,
                           const QString &ckey);
// The product site's host name (the caption of its menu item).
QString ProductSiteHost();
// The advertisement page of the send screen's browser pane.
QString AdvertisementAddress();

// The operator's guide that "Yardım Konuları" opens, beside the programs.
constexpr const char *kHelpFileName = "brenvik.html";
// Its path in the program folder.
QString HelpFilePath();
// Its address for the browser window: a file URL with every reserved character of the path
// encoded (a folder name may hold "#", "?" or blanks).
QString HelpPageAddress(const QString &path);
// The box that says the guide is missing, naming the file looked for.
QString HelpFileMissingText(const QString &path);
