#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <atomic>
#include <optional>

// One request through libcurl, bounded in time and stoppable: an HTTP POST, or a mail handed
// to an SMTP server. Errors name the host, never the credentials.
class CurlTransfer
{
public:
    struct Mail {
        QString from;
        QStringList to;
        QString user;
        QString password;
    };

    explicit CurlTransfer(const QString& url, int timeoutSeconds = 20);

    void addHeader(const QByteArray& header) { m_headers.append(header); }
    void setMail(const Mail& mail) { m_mail = mail; }
    // Certificates to trust instead of the system's (a self-hosted server's own).
    void setCaFile(const QString& path) { m_caFile = path; }

    // Empty on success (an HTTP status of 2xx, or the mail accepted); otherwise why not.
    QString post(const QByteArray& body, const std::atomic<bool>& stop);
    int httpStatus() const { return m_status; }
    QByteArray answer() const { return m_answer; }

private:
    QString m_url;
    int m_timeoutSeconds;
    QList<QByteArray> m_headers;
    std::optional<Mail> m_mail;
    QString m_caFile;
    int m_status = 0;
    QByteArray m_answer;
};
