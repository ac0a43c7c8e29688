#include "HttpFetch.h"

#include "NuboraVersion.h"

#include <algorithm>
#include <atomic>
#include <curl/curl.h>
#include <memory>
#include <mutex>

namespace
{

std::atomic_bool g_stop { false };
static_assert(std::atomic_bool::is_always_lock_free, "set from a signal handler");

int progress(void*, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return HttpFetch::stopRequested() ? 1 : 0;
}

void initCurlOnce()
{
    static std::once_flag initialized;
    std::call_once(initialized, [] { curl_global_init(CURL_GLOBAL_DEFAULT); });
}

LoadFailure::Kind kindOf(CURLcode code, bool connected)
{
    switch (code) {
    case CURLE_COULDNT_RESOLVE_HOST:
    case CURLE_COULDNT_RESOLVE_PROXY:
        return LoadFailure::Dns;
    case CURLE_COULDNT_CONNECT:
        return LoadFailure::ConnectionRefused;
    case CURLE_OPERATION_TIMEDOUT:
        return connected ? LoadFailure::TotalTimeout : LoadFailure::ConnectTimeout;
    case CURLE_FILESIZE_EXCEEDED:
        return LoadFailure::BodyOverBound;
    case CURLE_TOO_MANY_REDIRECTS:
        return LoadFailure::TooManyRedirects;
    case CURLE_ABORTED_BY_CALLBACK:
        return LoadFailure::Stopped;
    default:
        return LoadFailure::Other;
    }
}

QString seconds(long ms)
{
    return QStringLiteral("%1 s").arg(ms / 1000.0, 0, 'g', 3);
}

// The bounds as libcurl takes them. It reads 0 as "no limit" for the timeouts and a negative
// count as unlimited redirects; a bound must never turn into none.
struct CurlBounds {
    long connectMs;
    long totalMs;
    long redirects;
    qint64 maxBodyBytes;
};

CurlBounds curlBounds(const FetchLimits& limits)
{
    return { std::max(1L, limits.connectTimeoutMs), std::max(1L, limits.totalTimeoutMs),
        std::max(0L, limits.maxRedirects), limits.maxBodyBytes };
}

// Where the body goes.
struct Receiver {
    curl_write_callback write;
    void* data;
};

// False when libcurl refuses any of the options.
bool configure(CURL* curl, const QByteArray& url, const CurlBounds& bounds,
    const Receiver& receiver, char* message)
{
    const bool configured = curl_easy_setopt(curl, CURLOPT_URL, url.constData()) == CURLE_OK
        && curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L) == CURLE_OK
        && curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK
        && curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") == CURLE_OK
        && curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK
        && curl_easy_setopt(curl, CURLOPT_MAXREDIRS, bounds.redirects) == CURLE_OK
        && curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, bounds.connectMs) == CURLE_OK
        && curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, bounds.totalMs) == CURLE_OK
        && curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L) == CURLE_OK
        // gzip only: it is cheap for the server to make, unlike brotli at its defaults.
        && curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "gzip") == CURLE_OK
        && curl_easy_setopt(curl, CURLOPT_USERAGENT, "Nubora/" NUBORA_VERSION_STRING) == CURLE_OK
        && curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, receiver.write) == CURLE_OK
        && curl_easy_setopt(curl, CURLOPT_WRITEDATA, receiver.data) == CURLE_OK
        && curl_easy_setopt(curl, CURLOPT_ERRORBUFFER, message) == CURLE_OK
        // Called at least once a second, also while nothing arrives: a stop is seen in time.
        && curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &progress) == CURLE_OK
        && curl_easy_setopt(curl, CURLOPT_XFERINFODATA, receiver.data) == CURLE_OK
        && curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L) == CURLE_OK;
    // A declared length over the bound fails before any byte of the body is read.
    if (configured && bounds.maxBodyBytes > 0) {
        return curl_easy_setopt(
                   curl, CURLOPT_MAXFILESIZE_LARGE, static_cast<curl_off_t>(bounds.maxBodyBytes))
            == CURLE_OK;
    }
    return configured;
}

// Why a transfer that libcurl ended with `code` gave no document, other than an HTTP status.
LoadFailure transferFailure(
    CURL* curl, CURLcode code, const CurlBounds& bounds, bool overBound, const char* message)
{
    const QString bound = QStringLiteral("%1 bytes").arg(bounds.maxBodyBytes);
    if (code == CURLE_WRITE_ERROR && overBound)
        return LoadFailure(LoadFailure::BodyOverBound, bound);
    curl_off_t connectUs = 0;
    const bool connected
        = curl_easy_getinfo(curl, CURLINFO_CONNECT_TIME_T, &connectUs) == CURLE_OK && connectUs > 0;
    const LoadFailure::Kind kind = kindOf(code, connected);
    if (kind == LoadFailure::ConnectTimeout)
        return LoadFailure(kind, seconds(bounds.connectMs));
    if (kind == LoadFailure::TotalTimeout)
        return LoadFailure(kind, seconds(bounds.totalMs));
    if (kind == LoadFailure::BodyOverBound)
        return LoadFailure(kind, bound);
    if (kind == LoadFailure::Stopped)
        return LoadFailure(kind);
    return LoadFailure(kind, QString::fromUtf8(message[0] ? message : curl_easy_strerror(code)));
}

} // namespace

HttpFetch::HttpFetch(const FetchLimits& limits)
    : m_limits(limits)
{
}

void HttpFetch::requestStop()
{
    g_stop.store(true);
}

bool HttpFetch::stopRequested()
{
    return g_stop.load();
}

std::optional<QByteArray> HttpFetch::get(const QByteArray& url, LoadFailure* failure)
{
    const auto fail = [failure](LoadFailure why) {
        if (failure)
            *failure = std::move(why);
        return std::nullopt;
    };
    if (stopRequested())
        return fail(LoadFailure(LoadFailure::Stopped));
    initCurlOnce();
    const std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> handle(
        curl_easy_init(), &curl_easy_cleanup);
    if (!handle)
        return fail(LoadFailure(LoadFailure::Other, QStringLiteral("no transfer handle")));
    CURL* curl = handle.get();
    m_body.clear();
    m_overBound = false;
    char message[CURL_ERROR_SIZE] = {};
    m_status = 0;

    const CurlBounds bounds = curlBounds(m_limits);
    if (!configure(curl, url, bounds, Receiver { &HttpFetch::receive, this }, message))
        return fail(LoadFailure(LoadFailure::Other, QStringLiteral("transfer options refused")));

    const CURLcode code = curl_easy_perform(curl);
    long status = 0;
    const bool answered = curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status) == CURLE_OK;
    if (code != CURLE_OK) {
        if (code == CURLE_HTTP_RETURNED_ERROR && answered)
            return fail(LoadFailure(LoadFailure::HttpStatus, QString::number(status)));
        return fail(transferFailure(curl, code, bounds, m_overBound, message));
    }
    if (!answered || status < 200 || status > 299)
        return fail(LoadFailure(LoadFailure::HttpStatus, QString::number(status)));
    m_status = status;
    return std::move(m_body);
}

std::size_t HttpFetch::receive(char* data, std::size_t size, std::size_t count, void* self)
{
    auto* fetch = static_cast<HttpFetch*>(self);
    const std::size_t bytes = size * count;
    // Checked on the decoded bytes, so a compressed answer cannot slip past the bound. Any
    // return other than the byte count aborts the transfer.
    const qint64 room = fetch->m_limits.maxBodyBytes - fetch->m_body.size();
    if (room < 0 || bytes > static_cast<std::size_t>(room)) {
        fetch->m_overBound = true;
        return 0;
    }
    try {
        fetch->m_body.append(data, static_cast<qsizetype>(bytes));
    } catch (...) {
        return 0;
    }
    return bytes;
}
