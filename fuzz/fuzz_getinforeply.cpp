// libFuzzer target: the GetInfo reply reader. The credit holds no line feed, names are
// never blank and never more than the reply's line feeds.

#include "core/Gateway.h"
#include "fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using fuzzinput::check;
    if (size > fuzzinput::kMaxInput) return 0;
    const QString reply = fuzzinput::replyText(data, size);
    const GatewayInfo info = ParseGetInfoReply(reply);
    const qsizetype feeds = reply.count(QLatin1Char('\n'));
    if (feeds == 0)
        check(info.credit == reply);
    else
        check(!info.credit.contains(QLatin1Char('\n')));
    check(info.originators.size() <= qMax<qsizetype>(feeds - 1, 0));
    for (const QString &name : info.originators) {
        check(!name.trimmed().isEmpty());
        check(!name.contains(QLatin1Char('\n')));
    }
    return 0;
}
