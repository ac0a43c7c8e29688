#include "IndiEndpoints.h"

#include <cmath>

namespace IndiEndpoints
{

namespace
{

// The weather watcher reads "." as the decimal point whatever the locale.
std::string number(double value)
{
    return AlpacaProtocol::jsonNumber(value);
}

// Cover where the source gives it; otherwise from the data file's sky code.
double clouds(const ConditionsReadings& last)
{
    if (last.cloudCover)
        return *last.cloudCover;
    switch (last.cloudCondition) {
    case 1:
        return 0;
    case 2:
        return 50;
    default:
        return 100; // very cloudy, or unknown
    }
}

std::string weather(const DeviceSnapshot& snapshot, qint64 nowMs)
{
    const ConditionsReadings& last = snapshot.last;
    std::string text;
    const auto line = [&text](const char* key, std::optional<double> value) {
        // A value the last answer lacked is left out: the watcher would read a 0 as calm,
        // clear and dry.
        if (value)
            text += std::string(key) + '=' + number(*value) + '\n';
    };
    line("temperature", last.temperature);
    line("humidity", last.humidity);
    line("wind", last.windKph);
    line("gust", last.gustKph);
    line("pressure", last.pressureHpa);
    line("precip", last.rain1hMm);
    line("clouds", clouds(last));
    line("forecast", forecastRating(snapshot, nowMs));
    line("dewpoint", last.dewpoint);
    line("safe", snapshot.isSafe(nowMs) ? 1 : 0);
    if (snapshot.polled)
        line("age", std::floor(std::max<qint64>(nowMs - snapshot.pollTimeMs, 0) / 1000.0));
    return text;
}

} // namespace

bool handles(std::string_view path)
{
    return path.substr(0, 6) == "/indi/";
}

QString reasons(const DeviceSnapshot& snapshot, qint64 nowMs)
{
    return snapshot.safety.verdict(nowMs).reason;
}

int forecastRating(const DeviceSnapshot& snapshot, qint64 nowMs)
{
    if (!snapshot.isSafe(nowMs))
        return 2;
    return snapshot.nextHoursPass ? 0 : 1;
}

AlpacaReply answer(
    std::string_view method, std::string_view path, const DeviceSnapshot& snapshot, qint64 nowMs)
{
    if (method != "GET")
        return { 400, "text/plain; charset=utf-8", "GET only\n" };
    if (path == "/indi/safety") {
        const SafetyVerdict verdict = snapshot.safety.verdict(nowMs);
        const std::string body
            = "{\"roof_status\": {\"open_ok\": " + std::string(verdict.safe ? "1" : "0")
            + ", \"reasons\": " + AlpacaProtocol::jsonString(verdict.reason.toStdString()) + "}}\n";
        return { 200, "application/json", body };
    }
    if (path == "/indi/weather")
        return { 200, "text/plain; charset=utf-8", weather(snapshot, nowMs) };
    return { 400, "text/plain; charset=utf-8", "Unknown path\n" };
}

} // namespace IndiEndpoints
