// libFuzzer target: the status reply reader. One row at most per line, each with a
// ten-character number and a state taken from the reply.

#include "core/Gateway.h"
#include "fuzz/FuzzInput.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using fuzzinput::check;
    if (size > fuzzinput::kMaxInput) return 0;
    const QString reply = fuzzinput::replyText(data, size);
    const QVector<GatewayStatusLine> rows = ParseStatusReply(reply);
    check(rows.size() <= reply.count(QLatin1Char('\n')));
    for (const GatewayStatusLine &row : rows) {
        check(row.number.size() == 10);
        check(!row.number.contains(QLatin1Char('\n')));
        check(row.state != QLatin1Char('\n'));
        check(reply.contains(row.state));
    }
    return 0;
}
