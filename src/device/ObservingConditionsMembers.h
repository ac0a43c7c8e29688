#pragma once

#include "AlpacaProtocol.h"
#include "DeviceSnapshot.h"

// The members of the observing-conditions device beyond the common ones. Values come from the
// snapshot; never-measured values are "value not set", sensors the source has not are "not
// implemented".
namespace ObservingConditionsMembers
{

// Nothing when the member is not one of this device's.
std::optional<AlpacaProtocol::Result> answer(std::string_view member, bool put,
    const AlpacaProtocol::Parameters& parameters, const DeviceSnapshot& snapshot, qint64 nowMs);

// The lower-case member name of each sensor ("windspeed"), and its name in device state
// ("WindSpeed").
std::string_view memberName(Sensor sensor);
std::string_view stateName(Sensor sensor);
// Whether the source measures the sensor at all.
bool implemented(Sensor sensor, const DeviceSnapshot& snapshot);

} // namespace ObservingConditionsMembers
