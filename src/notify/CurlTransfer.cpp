#include "CurlTransfer.h"

#include "KeyMask.h"

#include <QUrl>
#include <curl/curl.h>
#include <memory>

namespace
{

struct Upload {
    const QByteArray* body;
    qsizetype offset = 0;
};

size_t readBody(char* buffer, size_t size, size_t count, void* userData)
{
    auto* upload = static_cast<Upload*>(userData);
    const qsizetype room = qsizetype(size * count);
    const qsizetype n = std::min(room, upload->body->size() - upload->offset);
    memcpy(buffer, upload->body->constData() + upload->offset, size_t(n));
    upload->offset += n;
    return size_t(n);
}

size_t keepAnswer(char* data, size_t size, size_t count, void* userData)
{
    auto* answer = static_cast<QByteArray*>(userData);
    if (answer->size() < 64 * 1024)
        answer->append(data, qsizetype(size * count));
    return size * count;
}

int checkStop(void* userData, curl_off_t, curl_off_t, curl_off_t, curl_off_t)
{
    return static_cast<const std::atomic<bool>*>(userData)->load() ? 1 : 0;
}

// The address as a log may show it: scheme, host and port, no user, password or path.
QString shownAddress(const QString& url)
{
    const QUrl parsed(url);
    return parsed.adjusted(QUrl::RemoveUserInfo | QUrl::RemovePath | QUrl::RemoveQuery).toString();
}

// The envelope and the login of a mail, kept alive for the transfer.
struct MailOptions {
    QByteArray from, user, password;
    curl_slist* recipients = nullptr;

    ~MailOptions() { curl_slist_free_all(recipients); }
    void set(CURL* h, const CurlTransfer::Mail& mail)
    {
        from = mail.from.toUtf8();
        user = mail.user.toUtf8();
        password = mail.password.toUtf8();
        curl_easy_setopt(h, CURLOPT_MAIL_FROM, from.constData());
        for (const QString& to : mail.to)
            recipients = curl_slist_append(recipients, to.toUtf8().constData());
        curl_easy_setopt(h, CURLOPT_MAIL_RCPT, recipients);
        if (!user.isEmpty()) {
            curl_easy_setopt(h, CURLOPT_USERNAME, user.constData());
            curl_easy_setopt(h, CURLOPT_PASSWORD, password.constData());
        }
        // smtp:// must turn to TLS before anything is said; smtps:// starts in it.
        curl_easy_setopt(h, CURLOPT_USE_SSL, long(CURLUSESSL_ALL));
    }
};

} // namespace

CurlTransfer::CurlTransfer(const QString& url, int timeoutSeconds)
    : m_url(url)
    , m_timeoutSeconds(timeoutSeconds)
{
}

QString CurlTransfer::post(const QByteArray& body, const std::atomic<bool>& stop)
{
    m_status = 0;
    m_answer.clear();
    const std::unique_ptr<CURL, decltype(&curl_easy_cleanup)> curl(
        curl_easy_init(), &curl_easy_cleanup);
    if (!curl)
        return QStringLiteral("libcurl could not start a transfer");
    CURL* h = curl.get();
    const QByteArray url = m_url.toUtf8();
    curl_easy_setopt(h, CURLOPT_URL, url.constData());
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, long(std::min(m_timeoutSeconds, 10)));
    curl_easy_setopt(h, CURLOPT_TIMEOUT, long(m_timeoutSeconds));
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &checkStop);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &stop);
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &keepAnswer);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &m_answer);
    const QByteArray caFile = m_caFile.toLocal8Bit();
    if (!caFile.isEmpty())
        curl_easy_setopt(h, CURLOPT_CAINFO, caFile.constData());

    curl_slist* headers = nullptr;
    for (const QByteArray& header : m_headers)
        headers = curl_slist_append(headers, header.constData());
    Upload upload { &body };
    MailOptions mail;
    if (m_mail) {
        mail.set(h, *m_mail);
        curl_easy_setopt(h, CURLOPT_READFUNCTION, &readBody);
        curl_easy_setopt(h, CURLOPT_READDATA, &upload);
        curl_easy_setopt(h, CURLOPT_UPLOAD, 1L);
    } else {
        curl_easy_setopt(h, CURLOPT_POSTFIELDS, body.constData());
        curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE, long(body.size()));
    }
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers);
    const CURLcode code = curl_easy_perform(h);
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    m_status = int(status);
    curl_slist_free_all(headers);

    const QString where = KeyMask::masked(shownAddress(m_url));
    if (code != CURLE_OK)
        return QStringLiteral("%1: %2").arg(where, QString::fromUtf8(curl_easy_strerror(code)));
    if (!m_mail && (status < 200 || status > 299))
        return QStringLiteral("%1: HTTP status %2").arg(where).arg(status);
    return QString();
}
