// libFuzzer target: the interactive service's list reader and the log form of a reply. A
// broken reply is told apart from a well-formed one (with the parser's description); what it
// gives are whole messages only; the log form of any reply is one line without control
// characters.

#include "fuzz/FuzzInput.h"
#include "kovaset/InteractiveCycle.h"
#include "kovaset/LogText.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using fuzzinput::check;
    if (size > fuzzinput::kMaxInput) return 0;
    const QString reply = fuzzinput::replyText(data, size);
    const GathwinList list = ParseGathwinList(reply);
    check(list.error.isEmpty() == list.wellFormed);
    check(!list.nulDropped || !list.wellFormed);
    // Each message comes from its own "msgbody" element (of the reply without its NUL
    // characters when the reader dropped them).
    QString read = reply;
    if (list.nulDropped) read.remove(QChar(0));
    check(list.messages.size() <= read.count(QStringLiteral("msgbody")));

    const QString logged = ReplyForLog(reply);
    for (const QChar c : logged) {
        const ushort u = c.unicode();
        check(u >= 0x20 && !(u >= 0x7F && u <= 0x9F) && u != 0x2028 && u != 0x2029);
    }
    check(logged.size() <= 2 + kLogExcerptChars * 6 + 32);
    return 0;
}
