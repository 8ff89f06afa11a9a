// libFuzzer target: the interactive service's list reader. A broken reply is told apart from a
// well-formed one (with the parser's description), never half read.

#include "core/InteractiveCycle.h"
#include "fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using fuzzinput::check;
    if (size > fuzzinput::kMaxInput) return 0;
    const QString reply = fuzzinput::replyText(data, size);
    const GathwinList list = ParseGathwinList(reply);
    check(list.error.isEmpty() == list.wellFormed);
    if (!list.wellFormed) check(list.messages.isEmpty());
    // Each message comes from its own "msgbody" element.
    check(list.messages.size() <= reply.count(QStringLiteral("msgbody")));
    return 0;
}
