#pragma once

#include "CurlTransfer.h"
#include "NotifyChannel.h"

// Mails each event through an SMTP server: smtps:// in TLS from the start, smtp:// turned to
// TLS with STARTTLS before the login; never in the clear.
class EmailChannel : public NotifyChannel
{
public:
    EmailChannel(
        const QString& smtpUrl, const CurlTransfer::Mail& mail, const QString& caFile = {});

    QString name() const override { return QStringLiteral("email"); }
    QString send(const NotifyEvent& event, const std::atomic<bool>& stop) override;

    // The whole message: headers, a blank line, the text.
    QByteArray message(const NotifyEvent& event) const;

private:
    QString m_url;
    CurlTransfer::Mail m_mail;
    QString m_caFile;
};
