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

std::optional<QByteArray> HttpFetch::get(const QByteArray& url)
{
    if (stopRequested())
        return std::nullopt;
    initCurlOnce();
    const std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> handle(
        curl_easy_init(), &curl_easy_cleanup);
    if (!handle)
        return std::nullopt;
    CURL* curl = handle.get();
    m_body.clear();
    m_status = 0;

    // libcurl reads 0 as "no limit" for the timeouts and a negative count as unlimited
    // redirects; a bound must never turn into none.
    const long connectMs = std::max(1L, m_limits.connectTimeoutMs);
    const long totalMs = std::max(1L, m_limits.totalTimeoutMs);
    const long redirects = std::max(0L, m_limits.maxRedirects);

    bool configured = curl_easy_setopt(curl, CURLOPT_URL, url.constData()) == CURLE_OK
        && curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L) == CURLE_OK
        && curl_easy_setopt(curl, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK
        && curl_easy_setopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") == CURLE_OK
        && curl_easy_setopt(curl, CURLOPT_FOLLOWLOCATION, 1L) == CURLE_OK
        && curl_easy_setopt(curl, CURLOPT_MAXREDIRS, redirects) == CURLE_OK
        && curl_easy_setopt(curl, CURLOPT_CONNECTTIMEOUT_MS, connectMs) == CURLE_OK
        && curl_easy_setopt(curl, CURLOPT_TIMEOUT_MS, totalMs) == CURLE_OK
        && curl_easy_setopt(curl, CURLOPT_FAILONERROR, 1L) == CURLE_OK
        // gzip only: it is cheap for the server to make, unlike brotli at its defaults.
        && curl_easy_setopt(curl, CURLOPT_ACCEPT_ENCODING, "gzip") == CURLE_OK
        && curl_easy_setopt(curl, CURLOPT_USERAGENT, "Nubora/" NUBORA_VERSION_STRING) == CURLE_OK
        && curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &HttpFetch::receive) == CURLE_OK
        && curl_easy_setopt(curl, CURLOPT_WRITEDATA, this) == CURLE_OK
        // Called at least once a second, also while nothing arrives: a stop is seen in time.
        && curl_easy_setopt(curl, CURLOPT_XFERINFOFUNCTION, &progress) == CURLE_OK
        && curl_easy_setopt(curl, CURLOPT_XFERINFODATA, this) == CURLE_OK
        && curl_easy_setopt(curl, CURLOPT_NOPROGRESS, 0L) == CURLE_OK;
    // A declared length over the bound fails before any byte of the body is read.
    if (configured && m_limits.maxBodyBytes > 0) {
        configured = curl_easy_setopt(curl, CURLOPT_MAXFILESIZE_LARGE,
                         static_cast<curl_off_t>(m_limits.maxBodyBytes))
            == CURLE_OK;
    }
    if (!configured || curl_easy_perform(curl) != CURLE_OK)
        return std::nullopt;

    long status = 0;
    if (curl_easy_getinfo(curl, CURLINFO_RESPONSE_CODE, &status) != CURLE_OK || status < 200
        || status > 299)
        return std::nullopt;
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
    if (room < 0 || bytes > static_cast<std::size_t>(room))
        return 0;
    try {
        fetch->m_body.append(data, static_cast<qsizetype>(bytes));
    } catch (...) {
        return 0;
    }
    return bytes;
}
