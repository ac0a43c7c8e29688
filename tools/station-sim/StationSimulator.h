#pragma once

#include "SimRoute.h"

#include <QDateTime>
#include <QList>
#include <QStringList>
#include <atomic>
#include <functional>
#include <list>
#include <map>
#include <memory>
#include <mutex>
#include <string>

namespace httplib
{
class Server;
}

// A stand-in for the weather service on loopback, answering from a table of routes: the XML
// API's conditions, hourly forecast and geolookup answers shaped like the service's own, for
// a set of scenario stations (clear, cloudy, humid, rainy, windy, broken answers, slow, huge)
// and one live station whose weather drifts with the clock.
class StationSimulator
{
public:
    using Reply = SimReply;

    static constexpr int defaultSlowSeconds = 40;

    StationSimulator();

    // Documents are made from this clock's time (UTC); a fixed clock makes them fixed.
    void setClock(std::function<QDateTime()> clock);
    QDateTime now() const;

    // How long the slow station keeps a request waiting.
    void setSlowSeconds(int seconds);
    int slowSeconds() const { return m_slowSeconds.load(); }

    // Every answer waits this long first, as a distant server's would.
    void setLatencyMs(int milliseconds);
    int latencyMs() const { return m_latencyMs.load(); }

    // The answer to a raw request target ("/api/<key>/conditions/lang:SP/q/pws:<id>.xml"),
    // without the slow station's wait. Key and station may be percent-encoded.
    Reply answer(const std::string& target) const;

    // Adds the routes of another simulated service, tried after those already there. Call it
    // before registerRoutes().
    void addRoutes(const QList<SimRoute>& routes);

    // Serves every route on `server`, which must not be listening yet (the simulator
    // installs its worker pool so that the slow station notices the server stopping). The
    // simulator must outlive the server's listening.
    void registerRoutes(httplib::Server& server);

    // Every scenario station, the live one first.
    static QStringList stationIds();
    // The stations the geolookup answer lists as nearby, in its order.
    static QStringList nearbyStationIds();

private:
    const SimRoute* routeFor(const std::string& target) const;

    // The answer to a target, rendered at most once per clock second: a client polling in a
    // loop (a benchmark) would otherwise measure the simulator's rendering, not itself.
    std::shared_ptr<const Reply> renderedAnswer(const std::string& target) const;

    std::list<SimRoute> m_routes;

    struct Rendered {
        QDateTime at;
        std::shared_ptr<const Reply> reply;
    };
    mutable std::mutex m_renderedMutex;
    mutable std::map<std::string, Rendered> m_rendered;

    std::function<QDateTime()> m_clock;
    mutable std::mutex m_clockMutex;
    std::atomic_int m_slowSeconds { defaultSlowSeconds };
    std::atomic_int m_latencyMs { 0 };
};
