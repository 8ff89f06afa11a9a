// libFuzzer target: the send reply reader. Every reply gets exactly one kind, and only a
// reply that begins with "ID" counts as accepted.

#include "core/Gateway.h"
#include "fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using fuzzinput::check;
    if (size > fuzzinput::kMaxInput) return 0;
    const QString reply = fuzzinput::replyText(data, size);
    const GatewaySendReply r = ParseSendReply(reply);
    check(r.accepted == (r.kind == GatewayReplyKind::Accepted));
    check(r.accepted == reply.startsWith(QLatin1String("ID")));
    if (r.accepted) {
        check(r.messageId == r.messageId.trimmed());
        check(r.messageId.size() <= reply.size());
    } else {
        check(r.messageId.isEmpty());
    }
    return 0;
}
