#pragma once

// The kind of SMS gateway an account uses: the hosted XML gateway or the on-premises server.
// The kind travels as text where it is stored (the gateway column of the sent log); that text
// is read and written here only.

#include <QString>
#include <optional>

enum class GatewayKind { None, Brenvik, Ambrel };

// The kind of a stored text; nullopt for any other text (the empty text included).
std::optional<GatewayKind> ParseGatewayKind(const QString &stored);
// The stored text of a kind; "" for None.
QString GatewayKindText(GatewayKind kind);
