// libFuzzer target: the report line reader. Walking a reply ends after exactly its line
// count of steps; a read line has a digit state and a number of at most ten characters, and
// reading one line alone agrees with the walk.

#include "fuzz/FuzzInput.h"
#include "reports/Reports.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    using fuzzinput::check;
    if (size > fuzzinput::kMaxInput) return 0;
    const QString reply = fuzzinput::replyText(data, size);
    const QStringList pieces = reply.split(QLatin1Char('\n'));

    ReportLineReader reader(reply);
    check(reader.lineCount() == pieces.size() - 1);
    int steps = 0;
    ReportLine line;
    for (;;) {
        const ReportLineReader::Step step = reader.next(line);
        if (step == ReportLineReader::Step::End) break;
        check(steps < reader.lineCount());
        const std::optional<ReportLine> alone = ReadReportLine(pieces.at(steps));
        check(bool(alone) == (step == ReportLineReader::Step::Line));
        if (alone) {
            check(alone->status >= 0 && alone->status <= 9);
            check(alone->number.size() <= 10);
            check(alone->number == line.number && alone->status == line.status);
        }
        ++steps;
    }
    check(steps == reader.lineCount());
    check(reader.atEnd());
    return 0;
}
