#include "StationSimulator.h"

#include "PwsStations.h"
#include "Scenarios.h"
#include "StopAwareTaskQueue.h"
#include "XmlApiRoutes.h"

#include <algorithm>
#include <chrono>
#include <httplib.h>
#include <thread>

namespace
{

// Sleeps in short steps; false as soon as the server is stopping.
bool waitUnlessStopping(std::chrono::milliseconds duration, const std::atomic_bool& stopping)
{
    using namespace std::chrono;
    const auto deadline = steady_clock::now() + duration;
    while (steady_clock::now() < deadline) {
        if (stopping.load())
            return false;
        const auto left = duration_cast<milliseconds>(deadline - steady_clock::now());
        std::this_thread::sleep_for(std::clamp(left, milliseconds(1), milliseconds(50)));
    }
    return !stopping.load();
}

// httplib's pattern for every path under a prefix.
std::string pathPattern(const std::string& prefix)
{
    std::string pattern;
    for (const char c : prefix) {
        if (std::string_view(R"(\^$.|?*+()[]{})").find(c) != std::string_view::npos)
            pattern += '\\';
        pattern += c;
    }
    return pattern + R"([\s\S]*)";
}

} // namespace

StationSimulator::StationSimulator()
    : m_clock([] { return QDateTime::currentDateTimeUtc(); })
{
    // The simulated services, one line each.
    addRoutes(xmlApiRoutes());
    addRoutes(PwsStations::routes());
}

void StationSimulator::addRoutes(const QList<SimRoute>& routes)
{
    m_routes.insert(m_routes.end(), routes.cbegin(), routes.cend());
}

const SimRoute* StationSimulator::routeFor(const std::string& target) const
{
    const std::string_view path = std::string_view(target).substr(0, target.find('?'));
    for (const SimRoute& route : m_routes) {
        if (path.substr(0, route.pathPrefix.size()) == route.pathPrefix)
            return &route;
    }
    return nullptr;
}

void StationSimulator::setClock(std::function<QDateTime()> clock)
{
    std::lock_guard lock(m_clockMutex);
    m_clock = clock ? std::move(clock) : [] { return QDateTime::currentDateTimeUtc(); };
}

QDateTime StationSimulator::now() const
{
    std::function<QDateTime()> clock;
    {
        std::lock_guard lock(m_clockMutex);
        clock = m_clock;
    }
    return clock().toUTC();
}

void StationSimulator::setSlowSeconds(int seconds)
{
    m_slowSeconds.store(std::max(0, seconds));
}

void StationSimulator::setLatencyMs(int milliseconds)
{
    m_latencyMs.store(std::max(0, milliseconds));
}

StationSimulator::Reply StationSimulator::answer(const std::string& target) const
{
    const SimRoute* route = routeFor(target);
    return route ? route->answer(target, now()) : Reply::notFound();
}

std::shared_ptr<const StationSimulator::Reply> StationSimulator::renderedAnswer(
    const std::string& target) const
{
    const QDateTime second = QDateTime::fromSecsSinceEpoch(now().toSecsSinceEpoch(), Qt::UTC);
    {
        const std::lock_guard<std::mutex> lock(m_renderedMutex);
        const auto found = m_rendered.find(target);
        if (found != m_rendered.end() && found->second.at == second)
            return found->second.reply;
    }
    auto reply = std::make_shared<const Reply>(answer(target));
    const std::lock_guard<std::mutex> lock(m_renderedMutex);
    if (m_rendered.size() >= 64)
        m_rendered.clear();
    m_rendered[target] = Rendered { second, reply };
    return reply;
}

void StationSimulator::registerRoutes(httplib::Server& server)
{
    auto stopping = std::make_shared<std::atomic_bool>(false);
    server.new_task_queue
        = [stopping] { return new StopAwareTaskQueue(stopping, CPPHTTPLIB_THREAD_POOL_COUNT); };
    for (const SimRoute& route : m_routes) {
        const auto waits = route.waits;
        server.Get(pathPattern(route.pathPrefix),
            [this, stopping, waits](const httplib::Request& request, httplib::Response& response) {
                const std::chrono::milliseconds latency(latencyMs());
                if ((latency.count() > 0 && !waitUnlessStopping(latency, *stopping))
                    || (waits && waits(request.target)
                        && !waitUnlessStopping(std::chrono::seconds(slowSeconds()), *stopping))) {
                    response.status = 503;
                    response.set_content("Service Unavailable\n", "text/plain");
                    return;
                }
                const std::shared_ptr<const Reply> reply = renderedAnswer(request.target);
                response.status = reply->status;
                if (reply->compressible) {
                    response.set_content(reply->body.constData(), size_t(reply->body.size()),
                        reply->contentType.toStdString());
                    return;
                }
                // httplib compresses set_content bodies when the client accepts it, but never
                // a body that comes from a provider with a declared length.
                response.set_content_provider(size_t(reply->body.size()),
                    reply->contentType.toStdString(),
                    [reply](size_t offset, size_t length, httplib::DataSink& sink) {
                        return sink.write(reply->body.constData() + offset, length);
                    });
            });
    }
}

QStringList StationSimulator::stationIds()
{
    return Scenarios::stationIds();
}

QStringList StationSimulator::nearbyStationIds()
{
    return Scenarios::nearbyStationIds();
}
