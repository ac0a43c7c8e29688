#pragma once

#include "NotifyChannel.h"

// Sends through Pushover's message API. Unsafe goes at emergency priority, repeated by the
// service every 30 s until acknowledged, for at most an hour; the rest at normal priority.
class PushoverChannel : public NotifyChannel
{
public:
    static inline const QString ApiUrl = QStringLiteral("https://api.pushover.net/1/messages.json");

    PushoverChannel(const QString& appToken, const QString& userKey, const QString& url = ApiUrl);

    QString name() const override { return QStringLiteral("pushover"); }
    QString send(const NotifyEvent& event, const std::atomic<bool>& stop) override;

    // The form's fields, in order, for one event.
    QList<std::pair<QString, QString>> fields(const NotifyEvent& event) const;

private:
    QString m_token;
    QString m_user;
    QString m_url;
};
