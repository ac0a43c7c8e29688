#include "PushoverChannel.h"

#include "CurlTransfer.h"

#include <QUrl>

PushoverChannel::PushoverChannel(
    const QString& appToken, const QString& userKey, const QString& url)
    : m_token(appToken)
    , m_user(userKey)
    , m_url(url)
{
}

QList<std::pair<QString, QString>> PushoverChannel::fields(const NotifyEvent& event) const
{
    QList<std::pair<QString, QString>> form { { QStringLiteral("token"), m_token },
        { QStringLiteral("user"), m_user }, { QStringLiteral("title"), event.title },
        { QStringLiteral("message"), event.message },
        { QStringLiteral("timestamp"), QString::number(event.timeMs / 1000) } };
    if (event.kind == NotifyEvent::Kind::Unsafe) {
        form.append({ QStringLiteral("priority"), QStringLiteral("2") });
        form.append({ QStringLiteral("retry"), QStringLiteral("30") });
        form.append({ QStringLiteral("expire"), QStringLiteral("3600") });
    } else {
        form.append({ QStringLiteral("priority"), QStringLiteral("0") });
    }
    return form;
}

QString PushoverChannel::send(const NotifyEvent& event, const std::atomic<bool>& stop)
{
    QByteArray body;
    for (const auto& [key, value] : fields(event)) {
        if (!body.isEmpty())
            body += '&';
        body += QUrl::toPercentEncoding(key) + '=' + QUrl::toPercentEncoding(value);
    }
    CurlTransfer transfer(m_url);
    transfer.addHeader("Content-Type: application/x-www-form-urlencoded");
    return transfer.post(body, stop);
}
