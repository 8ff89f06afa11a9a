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

void initCurlOnce()
{
    static std::once_flag once;
    std::call_once(once, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

size_t collectBody(char *data, size_t size, size_t count, void *userdata)
{
    auto *body = static_cast<QByteArray *>(userdata);
    const size_t n = size * count;
    body->append(data, qsizetype(n));
    return n;
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

QString decodeReply(const QByteArray &body, const QByteArray &charset)
{
    if (charset == "windows-1254" || charset == "cp1254" || charset == "iso-8859-9" || charset == "latin5")
        return FromCp1254(body);
    if (charset == "iso-8859-1" || charset == "latin1" || charset == "us-ascii") return QString::fromLatin1(body);
    if (body.startsWith("\xEF\xBB\xBF")) return QString::fromUtf8(body.constData() + 3, body.size() - 3);
    return QString::fromUtf8(body);
}

} // namespace

QString HttpPoster::post(const QString &url, const QString &body)
{
    QString reply;
    return tryPost(url, body, reply) ? reply : failure();
}

bool HttpPoster::tryPost(const QString &url, const QString &body, QString &replyText)
{
    if (url.isEmpty()) return false;
    initCurlOnce();
    std::unique_ptr<CURL, CurlDeleter> curl(curl_easy_init());
    if (!curl) return false;

    const QByteArray urlBytes = url.toUtf8();
    const QByteArray bodyBytes = body.toUtf8();
    QByteArray reply;

    // "Expect:" switches off the 100-continue round trip that curl adds to large bodies.
    curl_slist *headers = curl_slist_append(nullptr, "Content-Type: text/xml; charset=utf-8");
    if (headers) {
        curl_slist *more = curl_slist_append(headers, "Expect:");
        if (more) headers = more;
    }
    std::unique_ptr<curl_slist, SlistDeleter> headerList(headers);
    if (!headerList) return false;

    CURL *c = curl.get();
    bool ok = curl_easy_setopt(c, CURLOPT_URL, urlBytes.constData()) == CURLE_OK &&
              curl_easy_setopt(c, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK &&
              curl_easy_setopt(c, CURLOPT_POST, 1L) == CURLE_OK &&
              curl_easy_setopt(c, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(bodyBytes.size())) == CURLE_OK &&
              curl_easy_setopt(c, CURLOPT_POSTFIELDS, bodyBytes.constData()) == CURLE_OK &&
              curl_easy_setopt(c, CURLOPT_HTTPHEADER, headerList.get()) == CURLE_OK &&
              curl_easy_setopt(c, CURLOPT_WRITEFUNCTION, &collectBody) == CURLE_OK &&
              curl_easy_setopt(c, CURLOPT_WRITEDATA, &reply) == CURLE_OK &&
              curl_easy_setopt(c, CURLOPT_CONNECTTIMEOUT_MS, long(gConnectTimeoutMs.load())) == CURLE_OK &&
              curl_easy_setopt(c, CURLOPT_TIMEOUT_MS, long(gTotalTimeoutMs.load())) == CURLE_OK &&
              curl_easy_setopt(c, CURLOPT_NOSIGNAL, 1L) == CURLE_OK &&
              curl_easy_setopt(c, CURLOPT_FOLLOWLOCATION, 0L) == CURLE_OK &&
              curl_easy_setopt(c, CURLOPT_SSL_VERIFYPEER, 1L) == CURLE_OK &&
              curl_easy_setopt(c, CURLOPT_SSL_VERIFYHOST, 2L) == CURLE_OK;
    if (!ok) return false;

    if (curl_easy_perform(c) != CURLE_OK) return false;

    char *contentType = nullptr;
    if (curl_easy_getinfo(c, CURLINFO_CONTENT_TYPE, &contentType) != CURLE_OK) contentType = nullptr;
    replyText = decodeReply(reply, charsetOf(contentType));
    return true;
}

void HttpPoster::setTimeouts(int connectMs, int totalMs)
{
    gConnectTimeoutMs = connectMs;
    gTotalTimeoutMs = totalMs;
}

void HttpPoster::resetTimeouts() { setTimeouts(kDefaultConnectTimeoutMs, kDefaultTotalTimeoutMs); }

int HttpPoster::connectTimeoutMs() { return gConnectTimeoutMs; }
int HttpPoster::totalTimeoutMs() { return gTotalTimeoutMs; }
