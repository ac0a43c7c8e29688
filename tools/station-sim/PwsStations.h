#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QMap>
#include <QStringList>
#include <atomic>
#include <functional>

namespace httplib
{
class Server;
}

// The station-owner service (current observation, the day's records, stations near a place)
// and the open forecast service, as JSON on loopback, for a few scenario stations: clear, wet,
// silent (204), null fields and a rainy hour across midnight. The key "CLAVEMALA" is refused
// (401) as a revoked key would be.
class PwsStations
{
public:
    struct Reply {
        int status = 200;
        QByteArray body;
    };

    static inline const QString BadKey = QStringLiteral("CLAVEMALA");

    explicit PwsStations(std::function<QDateTime()> clock);

    // The answer to a path ("/v2/pws/observations/current", "/v1/forecast", ...) with its
    // decoded query.
    Reply answer(const QString& path, const QMap<QString, QString>& query) const;

    // Every answer waits this long first, as a distant server would.
    void setLatencyMs(int milliseconds) { m_latencyMs.store(milliseconds); }

    // The four GET routes on `server`.
    void registerRoutes(httplib::Server& server);

    static QStringList stationIds();

private:
    std::function<QDateTime()> m_clock;
    std::atomic_int m_latencyMs { 0 };
};
