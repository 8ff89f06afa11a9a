#pragma once

// Client of the interactive SMS service. The settings window asks it for the account's
// messages already read ("REC READ") to check a typed interactive account; the automatic
// program fetches the new ones ("REC UNREAD") with the same request text.
//
// Replies are returned whole: a status text ("err 01", "ok 08", ...) or an XML list of
// messages; "-1" when the exchange failed (never a reply of the service, so a caller that
// must tell a failed exchange from a valid account tests for it itself).

#include "core/HttpPoster.h"

#include <QString>

// The request text: "<GathwinMain><UserName>user</UserName><PassWord>password</PassWord>
// <Action>0</Action><List>list</List></GathwinMain>", values as they are, no escaping.
QString GathwinRequest(const QString &userName, const QString &password, const QString &list);

// Builds the request into gGathwinRequest and returns PostToGathwin of it.
QString ListGathwinMessages(const QString &userName, const QString &password, const QString &list);

// Sets gGathwinUrl to the service's fixed address, posts the request there and returns the
// reply text (whatever the HTTP status), or "-1" when the exchange fails.
QString PostToGathwin(const QString &request);

// How the last PostToGathwin of this thread went (NotSent before the first).
PostOutcome LastGathwinOutcome();

// The service's fixed address: ServiceAddresses::kGathwinUrl, unless a test redirected it
// with SetGathwinServiceAddress (an empty text restores the fixed one).
QString GathwinServiceAddress();
void SetGathwinServiceAddress(const QString &url);

// The automatic program fetches new messages from an address of its own:
// ServiceAddresses::kKovasetGathwinUrl unless a test redirected it with
// SetKovasetGathwinAddress (an empty text restores the fixed one).
QString KovasetGathwinAddress();
void SetKovasetGathwinAddress(const QString &url);
