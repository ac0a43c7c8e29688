#include "EmailChannel.h"

#include "HeaderText.h"

#include <QDateTime>
#include <QTimeZone>
#include <QUuid>

EmailChannel::EmailChannel(
    const QString& smtpUrl, const CurlTransfer::Mail& mail, const QString& caFile)
    : m_url(smtpUrl)
    , m_mail(mail)
    , m_caFile(caFile)
{
}

QByteArray EmailChannel::message(const NotifyEvent& event) const
{
    const QDateTime time = QDateTime::fromMSecsSinceEpoch(event.timeMs, Qt::UTC);
    const QString domain = m_mail.from.section(QLatin1Char('@'), 1);
    QByteArray text;
    text += "Date: " + time.toString(Qt::RFC2822Date).toLatin1() + "\r\n";
    text += "From: " + m_mail.from.toUtf8() + "\r\n";
    text += "To: " + m_mail.to.join(QStringLiteral(", ")).toUtf8() + "\r\n";
    text += "Subject: " + headerText(event.title) + "\r\n";
    text += "Message-ID: <" + QUuid::createUuid().toString(QUuid::WithoutBraces).toLatin1() + '@'
        + (domain.isEmpty() ? QByteArray("nubora") : domain.toUtf8()) + ">\r\n";
    text += "MIME-Version: 1.0\r\n";
    text += "Content-Type: text/plain; charset=UTF-8\r\n";
    text += "Content-Transfer-Encoding: 8bit\r\n";
    text += "\r\n";
    text += event.message.toUtf8() + "\r\n";
    return text;
}

QString EmailChannel::send(const NotifyEvent& event, const std::atomic<bool>& stop)
{
    CurlTransfer transfer(m_url);
    transfer.setMail(m_mail);
    transfer.setCaFile(m_caFile);
    return transfer.post(message(event), stop);
}
