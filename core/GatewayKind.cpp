#include "core/GatewayKind.h"

namespace {
const char *const kHostedText = "Brenvik";
const char *const kOnPremisesText = "Ambrel";
} // namespace

std::optional<GatewayKind> ParseGatewayKind(const QString &stored)
{
    if (stored == QLatin1String(kHostedText)) return GatewayKind::Brenvik;
    if (stored == QLatin1String(kOnPremisesText)) return GatewayKind::Ambrel;
    return std::nullopt;
}

QString GatewayKindText(GatewayKind kind)
{
    switch (kind) {
    case GatewayKind::Brenvik:
        return QString::fromLatin1(kHostedText);
    case GatewayKind::Ambrel:
        return QString::fromLatin1(kOnPremisesText);
    case GatewayKind::None:
        break;
    }
    return QString();
}
