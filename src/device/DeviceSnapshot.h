#pragma once

#include "ConditionsReadings.h"
#include "NetworkSafety.h"

#include <QtGlobal>
#include <array>
#include <optional>

// The sensors of an observing-conditions device, in the order of their member names.
enum class Sensor {
    CloudCover,
    DewPoint,
    Humidity,
    Pressure,
    RainRate,
    SkyBrightness,
    SkyQuality,
    SkyTemperature,
    StarFWHM,
    Temperature,
    WindDirection,
    WindGust,
    WindSpeed,
    Count
};

// One value in the device's units (°C, %, hPa, mm/h, degrees, m/s) and when it was measured.
struct SensorValue {
    double value = 0;
    qint64 timeMs = 0; // the observation's own time (else the poll's), ms since the epoch
};

using SensorValues = std::array<std::optional<SensorValue>, std::size_t(Sensor::Count)>;

// Where the pressure sensor's value comes from: the device serves the pressure at the station.
enum class PressureOrigin {
    NotYetKnown, // no poll has brought a pressure yet
    Station, // the source's own station pressure
    SeaLevelReduced, // the sea-level pressure brought down to the station's elevation
    Unavailable, // sea level only, and no elevation to reduce it with
};

// What the device server answers from: published whole by the window's thread after each
// conditions poll and never changed afterwards, so the server's threads read it unlocked.
struct DeviceSnapshot {
    bool polled = false; // no conditions poll has ended yet
    qint64 pollTimeMs = 0;
    ConditionsReadings last; // the latest poll as it ended
    // Each sensor keeps its last measured value: a failed poll or an error answer leaves it
    // as it was, older.
    std::array<std::optional<SensorValue>, std::size_t(Sensor::Count)> sensors;
    PressureOrigin pressureOrigin = PressureOrigin::NotYetKnown;
    double pressureElevationM = 0; // the elevation a sea-level pressure was reduced with

    // The next three forecast hours pass every limit; false until a forecast has been shown.
    bool nextHoursPass = false;

    const std::optional<SensorValue>& sensor(Sensor which) const
    {
        return sensors[std::size_t(which)];
    }

    // The network safety: the polls with their wait, fresh polls and observation included.
    NetworkSafety safety;

    bool isSafe(qint64 nowMs) const { return safety.verdict(nowMs).safe; }
};
