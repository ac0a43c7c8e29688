#include "NtfyChannel.h"

#include "CurlTransfer.h"
#include "HeaderText.h"

NtfyChannel::NtfyChannel(const QString& topicUrl, const QString& token)
    : m_url(topicUrl)
    , m_token(token)
{
}

QByteArray NtfyChannel::priority(NotifyEvent::Kind kind)
{
    switch (kind) {
    case NotifyEvent::Kind::Unsafe:
        return "urgent";
    case NotifyEvent::Kind::Stale:
    case NotifyEvent::Kind::Failing:
        return "high";
    case NotifyEvent::Kind::Safe:
    case NotifyEvent::Kind::Recovered:
        break;
    }
    return "default";
}

QByteArray NtfyChannel::tags(NotifyEvent::Kind kind)
{
    // An emoji short code first (shown before the title), then the event's own name.
    static const char* const emoji[] = { "rotating_light", "white_check_mark", "hourglass",
        "warning", "arrows_counterclockwise" };
    return QByteArray(emoji[int(kind)]) + ',' + NotifyEvent::kindName(kind).toLatin1();
}

QString NtfyChannel::send(const NotifyEvent& event, const std::atomic<bool>& stop)
{
    CurlTransfer transfer(m_url);
    transfer.addHeader("Content-Type: text/plain; charset=utf-8");
    transfer.addHeader("Title: " + headerText(event.title));
    transfer.addHeader("Priority: " + priority(event.kind));
    transfer.addHeader("Tags: " + tags(event.kind));
    if (!m_token.isEmpty())
        transfer.addHeader("Authorization: Bearer " + m_token.toUtf8());
    return transfer.post(event.message.toUtf8(), stop);
}
