#pragma once

#include "AlpacaProtocol.h"
#include "DeviceSnapshot.h"

class AveragedSensors;

// The members of the observing-conditions device beyond the common ones. Values come from the
// snapshot, averaged over the device's period; never-measured values are "value not set",
// sensors the source has not are "not implemented" in their value, description and time alike.
namespace ObservingConditionsMembers
{

// The device as one request finds it.
struct DeviceState {
    const DeviceSnapshot& snapshot;
    AveragedSensors& averages;
    qint64 nowMs = 0;
    bool connected = false;
};

// Nothing when the member is not one of this device's.
std::optional<AlpacaProtocol::Result> answer(std::string_view member, bool put,
    const AlpacaProtocol::Parameters& parameters, const DeviceState& device);

// The lower-case member name of each sensor ("windspeed"), and its name in device state
// ("WindSpeed").
std::string_view memberName(Sensor sensor);
std::string_view stateName(Sensor sensor);
// Whether the source measures the sensor at all.
bool implemented(Sensor sensor, const DeviceSnapshot& snapshot);
// What the sensor is and where its value comes from, in Spanish; empty when not implemented.
std::string description(Sensor sensor, const DeviceSnapshot& snapshot);

} // namespace ObservingConditionsMembers
