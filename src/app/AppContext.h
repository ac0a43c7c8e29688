#pragma once

#include "ConditionsReadings.h"
#include "ForecastPage.h"

#include <QDateTime>
#include <functional>

class AlertSink;
class FolderChooser;
class SettingsStore;
class SourceRegistry;
class WeatherSource;

// What the window is given from outside: main passes the real services, tests their own.
// The store and the service are always there; the alert receiver and the folder dialog may
// be absent.
struct AppContext {
    SettingsStore& store;
    const WeatherSource& service;
    // Told the working "Fuente" before each request; none: the service is used as it is.
    SourceRegistry* sources = nullptr;
    AlertSink* alertSink = nullptr; // none: the alert receiver is absent
    FolderChooser* folderChooser = nullptr;
    std::function<QDateTime()> clock = &QDateTime::currentDateTime;
    // Told what each conditions poll measured, on the window's thread (the device server).
    std::function<void(const ConditionsReadings&)> conditionsPolled {};
    // Told the forecast page after each forecast update, on the window's thread.
    std::function<void(const ForecastPage&)> forecastUpdated {};
};
