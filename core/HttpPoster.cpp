#include "core/HttpPoster.h"

#include "core/Cp1254.h"

#include <QByteArray>
#include <atomic>
#include <curl/curl.h>
#include <memory>
#include <mutex>

namespace {

std::atomic<int> gConnectTimeoutMs{HttpPoster::kDefaultConnectTimeoutMs};
std::atomic<int> gTotalTimeoutMs{HttpPoster::kDefaultTotalTimeoutMs};
std::atomic<int> gLowSpeedSeconds{HttpPoster::kDefaultLowSpeedSeconds};
std::atomic<qint64> gReplyLimit{HttpPoster::kDefaultReplyLimit};
thread_local HttpPoster::StopTest tStopTest;

void initCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

// The reply body as it arrives, up to a limit: past it the transfer is ended at once
// (curl reports a write error); the bytes up to the limit stay.
struct ReplySink {
    QByteArray body;
    qint64 limit = 0;
    bool overLimit = false;
};

size_t collectBody(char *data, size_t size, size_t count, void *userdata)
{
    auto *sink = static_cast<ReplySink *>(userdata);
    const size_t n = size * count;
    if (qint64(sink->body.size()) + qint64(n) > sink->limit) {
        sink->overLimit = true;
        const qint64 room = sink->limit - qint64(sink->body.size());
        if (room > 0) sink->body.append(data, qsizetype(room));
        return 0;
    }
    sink->body.append(data, qsizetype(n));
    return n;
}

// Asks the stop test; a test that throws counts as "go on".
bool askStop(const HttpPoster::StopTest &test)
{
    if (!test) return false;
    try {
        return test();
    } catch (...) {
        return false;
    }
}

struct StopState {
    const HttpPoster::StopTest *test = nullptr;
    bool stopped = false;
};

int onProgress(void *userdata, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    auto *state = static_cast<StopState *>(userdata);
    if (!askStop(*state->test)) return 0;
    state->stopped = true;
    return 1; // curl ends the transfer with CURLE_ABORTED_BY_CALLBACK
}

// A body written while it is sent goes out in pieces of this size (curl's upload buffer):
// large enough that a long request takes few calls and writes, small enough to stay in the cache.
constexpr long kWrittenBodyChunk = 256 * 1024;

size_t writeBody(char *to, size_t size, size_t count, void *userdata)
{
    const auto *write = static_cast<const HttpPoster::BodyWriter *>(userdata);
    try {
        return (*write)(to, size * count);
    } catch (...) {
        return CURL_READFUNC_ABORT;
    }
}

struct CurlDeleter {
    void operator()(CURL *c) const { curl_easy_cleanup(c); }
};
struct SlistDeleter {
    void operator()(curl_slist *l) const { curl_slist_free_all(l); }
};

// The charset parameter of a Content-Type value, lower case ("" when none).
QByteArray charsetOf(const char *contentType)
{
    if (!contentType) return {};
    const QByteArray ct = QByteArray(contentType).toLower();
    const qsizetype at = ct.indexOf("charset=");
    if (at < 0) return {};
    QByteArray cs = ct.mid(at + 8);
    const qsizetype end = cs.indexOf(';');
    if (end >= 0) cs.truncate(end);
    cs = cs.trimmed();
    if (cs.size() >= 2 && cs.startsWith('"') && cs.endsWith('"')) cs = cs.mid(1, cs.size() - 2);
    return cs;
}

// The request's headers: the XML content type, and "Expect:", which switches off the
// 100-continue round trip that curl adds to large bodies. Null when out of memory.
curl_slist *RequestHeaders()
{
    curl_slist *headers = curl_slist_append(nullptr, "Content-Type: text/xml; charset=utf-8");
    if (headers) {
        curl_slist *more = curl_slist_append(headers, "Expect:");
        if (more) headers = more;
    }
    return headers;
}

// Every option of the exchange; false when curl refuses one.
// The body is `bodySize` bytes: `bodyBytes` when it is held whole, else written by `write`.
bool SetExchangeOptions(CURL *c, char *errorBuffer, const QByteArray &urlBytes, qint64 bodySize, const char *bodyBytes,
                        const HttpPoster::BodyWriter *write, curl_slist *headers, ReplySink &sink, StopState &stop)
{
    bool ok = curl_easy_setopt(c, CURLOPT_ERRORBUFFER, errorBuffer) == CURLE_OK &&
              curl_easy_setopt(c, CURLOPT_URL, urlBytes.constData()) == CURLE_OK &&
              curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK &&
              curl_easy_setopt(c, CURLOPT_POST, 1L) == CURLE_OK &&
              curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(bodySize)) == CURLE_OK &&
              curl_easy_setopt(c, CURLOPT_HTTPHEADER, headers) == CURLE_OK &&
              curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &collectBody) == CURLE_OK &&
              curl_easy_setopt(c, CURLOPT_WRITEDATA, &sink) == CURLE_OK &&
              curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, long(gConnectTimeoutMs.load())) == CURLE_OK &&
              curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, long(gTotalTimeoutMs.load())) == CURLE_OK &&
              curl_easy_setopt(c, CURLOPT_LOW_SPEED_LIMIT, 1L) == CURLE_OK &&
              curl_easy_setopt(c, CURLOPT_LOW_SPEED_TIME, long(gLowSpeedSeconds.load())) == CURLE_OK &&
              curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
              curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 0L) == CURLE_OK &&
              curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L) == CURLE_OK &&
              curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L) == CURLE_OK;
    if (ok && write)
        ok = curl_easy_setopt(c, CURLOPT_READFUNCTION, &writeBody) == CURLE_OK &&
             curl_easy_setopt(c, CURLOPT_READDATA, write) == CURLE_OK &&
             curl_easy_setopt(c, CURLOPT_UPLOAD_BUFFERSIZE, kWrittenBodyChunk) == CURLE_OK;
    else if (ok)
        ok = curl_easy_setopt(c, CURLOPT_POSTFIELDS, bodyBytes) == CURLE_OK;
    if (ok && *stop.test)
        ok = curl_easy_setopt(c, CURLOPT_XFERINFOFUNCTION, &onProgress) == CURLE_OK &&
             curl_easy_setopt(c, CURLOPT_XFERINFODATA, &stop) == CURLE_OK &&
             curl_easy_setopt(c, CURLOPT_NOPROGRESS, 0L) == CURLE_OK;
    return ok;
}

// A failed transfer: whether the peer may hold the whole request. It may when curl wrote the
// request line and the last body byte to the socket, or when a reply had begun (the peer
// read the request).
PostOutcome FailedTransferOutcome(CURL *c, qint64 bodySize)
{
    curl_off_t uploaded = 0;
    long requestSize = 0;
    long headerSize = 0;
    long status = 0;
    if (curl_easy_getinfo(c, CURLINFO_SIZE_UPLOAD_T, &uploaded) != CURLE_OK) uploaded = 0;
    if (curl_easy_getinfo(c, CURLINFO_REQUEST_SIZE, &requestSize) != CURLE_OK) requestSize = 0;
    if (curl_easy_getinfo(c, CURLINFO_HEADER_SIZE, &headerSize) != CURLE_OK) headerSize = 0;
    if (curl_easy_getinfo(c, CURLINFO_RESPONSE_CODE, &status) != CURLE_OK) status = 0;
    const bool bodyOut = requestSize > 0 && uploaded >= curl_off_t(bodySize);
    const bool replyBegun = headerSize > 0 || status != 0;
    return bodyOut || replyBegun ? PostOutcome::SentNoAnswer : PostOutcome::NotSent;
}

// Why a transfer failed.
QString FailedTransferError(const StopState &stop, const ReplySink &sink, const char *errorBuffer, CURLcode code)
{
    if (stop.stopped) return QStringLiteral("stop requested");
    if (sink.overLimit) return QStringLiteral("reply longer than %1 bytes").arg(sink.limit);
    return QString::fromUtf8(errorBuffer[0] ? errorBuffer : curl_easy_strerror(code));
}

} // namespace

QString HttpPoster::decodeBody(const QByteArray &body, const QByteArray &charset)
{
    if (charset == "windows-1254" || charset == "cp1254" || charset == "iso-8859-9" || charset == "latin5")
        return FromCp1254(body);
    if (charset == "iso-8859-1" || charset == "latin1" || charset == "us-ascii") return QString::fromLatin1(body);
    if (body.startsWith("\xEF\xBB\xBF")) return QString::fromUtf8(body.constData() + 3, body.size() - 3);
    return QString::fromUtf8(body);
}

HttpPoster::StopTest HttpPoster::setStopTest(StopTest test)
{
    StopTest previous = std::move(tStopTest);
    tStopTest = std::move(test);
    return previous;
}

QString HttpPoster::post(const QString &url, const QString &body) { return exchange(url, body).reply; }

bool HttpPoster::tryPost(const QString &url, const QString &body, QString &replyText)
{
    PostResult r = exchange(url, body);
    if (r.outcome != PostOutcome::Answered) return false;
    replyText = std::move(r.reply);
    return true;
}

PostResult HttpPoster::exchange(const QString &url, const QString &body) { return exchangeUtf8(url, body.toUtf8()); }

PostResult HttpPoster::exchangeUtf8(const QString &url, const QByteArray &body)
{
    return exchangeBody(url, body.size(), body.constData(), nullptr);
}

PostResult HttpPoster::exchangeWritten(const QString &url, qint64 size, const BodyWriter &write)
{
    return exchangeBody(url, size, nullptr, &write);
}

PostResult HttpPoster::exchangeBody(const QString &url, qint64 bodySize, const char *bodyBytes, const BodyWriter *write)
{
    PostResult result;
    result.reply = failure();
    if (url.isEmpty()) {
        result.error = QStringLiteral("URL is empty");
        return result;
    }
    // The thread's stop test as it stands now: a test that replaces it meanwhile does not
    // reach this exchange.
    const StopTest stopTest = tStopTest;
    if (askStop(stopTest)) {
        result.stopped = true;
        result.error = QStringLiteral("stop requested");
        return result;
    }
    initCurlOnce();
    std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl) {
        result.error = QStringLiteral("curl could not start");
        return result;
    }

    const QByteArray urlBytes = url.toUtf8();
    ReplySink sink;
    sink.limit = gReplyLimit.load();
    std::unique_ptr<curl_slist, SlistDeleter> headerList(RequestHeaders());
    if (!headerList) {
        result.error = QStringLiteral("out of memory");
        return result;
    }
    StopState stop;
    stop.test = &stopTest;
    char errorBuffer[CURL_ERROR_SIZE] = {};
    CURL *c = curl.get();
    if (!SetExchangeOptions(c, errorBuffer, urlBytes, bodySize, bodyBytes, write, headerList.get(), sink, stop)) {
        result.error = QStringLiteral("curl refused an option");
        return result;
    }

    const CURLcode code = curl_easy_perform(c);
    char *contentType = nullptr;
    if (curl_easy_getinfo(c, CURLINFO_CONTENT_TYPE, &contentType) != CURLE_OK) contentType = nullptr;
    result.charset = charsetOf(contentType);
    if (code == CURLE_OK) {
        result.outcome = PostOutcome::Answered;
        result.reply = decodeBody(sink.body, result.charset);
        result.body = std::move(sink.body);
        return result;
    }
    result.body = std::move(sink.body);
    result.outcome = FailedTransferOutcome(c, bodySize);
    result.stopped = stop.stopped;
    result.error = FailedTransferError(stop, sink, errorBuffer, code);
    return result;
}

void HttpPoster::setTimeouts(int connectMs, int totalMs)
{
    gConnectTimeoutMs = connectMs;
    gTotalTimeoutMs = totalMs;
}

void HttpPoster::setLowSpeedSeconds(int seconds) { gLowSpeedSeconds = seconds; }
void HttpPoster::setReplyLimit(qint64 bytes) { gReplyLimit = bytes; }

void HttpPoster::resetTimeouts()
{
    setTimeouts(kDefaultConnectTimeoutMs, kDefaultTotalTimeoutMs);
    setLowSpeedSeconds(kDefaultLowSpeedSeconds);
    setReplyLimit(kDefaultReplyLimit);
}

int HttpPoster::connectTimeoutMs() { return gConnectTimeoutMs; }
int HttpPoster::totalTimeoutMs() { return gTotalTimeoutMs; }
int HttpPoster::lowSpeedSeconds() { return gLowSpeedSeconds; }
qint64 HttpPoster::replyLimit() { return gReplyLimit; }
