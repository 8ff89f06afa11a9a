// libFuzzer target: the send screen's account reply reader. No credit without a line feed,
// one name per further line feed, no line feed inside any value.

#include "fuzz/FuzzInput.h"
#include "messaging/SendSteps.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using fuzzinput::check;
    if (size > fuzzinput::kMaxInput) return 0;
    const QString reply = fuzzinput::replyText(data, size);
    const SendScreenAccount a = ReadSendScreenAccount(reply);
    const qsizetype feeds = reply.count(QLatin1Char('\n'));
    if (!a.reached) {
        check(!a.credit && a.originators.isEmpty() && !a.complete());
        return 0;
    }
    check(bool(a.credit) == (feeds > 0));
    if (a.credit) check(!a.credit->contains(QLatin1Char('\n')));
    check(a.originators.size() == qMax<qsizetype>(feeds - 1, 0));
    for (const QString &name : a.originators) check(!name.contains(QLatin1Char('\n')));
    return 0;
}
