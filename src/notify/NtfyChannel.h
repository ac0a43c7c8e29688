#pragma once

#include "NotifyChannel.h"

// Publishes to an ntfy topic: the message as the body, the title, priority and tags as
// headers; an access token where the server asks for one.
class NtfyChannel : public NotifyChannel
{
public:
    NtfyChannel(const QString& topicUrl, const QString& token);

    QString name() const override { return QStringLiteral("ntfy"); }
    QString send(const NotifyEvent& event, const std::atomic<bool>& stop) override;

    // "urgent" for unsafe, "high" for stale data and a failing source, "default" otherwise.
    static QByteArray priority(NotifyEvent::Kind kind);
    static QByteArray tags(NotifyEvent::Kind kind);

private:
    QString m_url;
    QString m_token;
};
