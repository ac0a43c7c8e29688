#pragma once

#include <QString>

// One change worth telling the owner, as every channel sends it.
struct NotifyEvent {
    enum class Kind {
        Unsafe, // the network safety turned unsafe
        Safe, // safe again, after the wait
        Stale, // no answered poll for two refresh periods and a minute
        Failing, // several failed loads in a row
        Recovered, // an answered poll after stale data or a failing source
    };
    static constexpr int KindCount = 5;

    Kind kind = Kind::Unsafe;
    qint64 timeMs = 0;
    QString title;
    QString message;

    // The kind's name in topics, tags and log lines.
    static QString kindName(Kind kind)
    {
        switch (kind) {
        case Kind::Unsafe:
            return QStringLiteral("unsafe");
        case Kind::Safe:
            return QStringLiteral("safe");
        case Kind::Stale:
            return QStringLiteral("stale");
        case Kind::Failing:
            return QStringLiteral("failing");
        case Kind::Recovered:
            return QStringLiteral("recovered");
        }
        return QString();
    }
    QString kindName() const { return kindName(kind); }
};
