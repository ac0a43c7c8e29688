#pragma once

#include <QDateTime>
#include <functional>

class AlertSink;
class SettingsStore;
class SourceRegistry;
class WeatherSource;

// What a run is given from outside: the executables pass the real services, tests their own.
// The store and the source are always there; the alert receiver may be absent.
struct EngineContext {
    SettingsStore& store;
    const WeatherSource& source;
    // Told the working "Fuente" before each request; none: the source is used as it is.
    SourceRegistry* sources = nullptr;
    AlertSink* alertSink = nullptr; // none: the alert receiver is absent
    std::function<QDateTime()> clock = &QDateTime::currentDateTime;
};
