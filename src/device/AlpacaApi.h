#pragma once

#include "AlpacaProtocol.h"
#include "AveragedSensors.h"

#include <array>
#include <atomic>
#include <string>

class SnapshotBoard;

// An HTTP answer, whatever carries it.
struct AlpacaReply {
    int status = 200;
    std::string contentType = "application/json";
    std::string body;
};

// The Alpaca management API and the two devices, safetymonitor/0 and observingconditions/0,
// answered from the latest snapshot. Safe to call from any number of threads at once.
class AlpacaApi
{
public:
    enum Device { SafetyMonitor, ObservingConditions, DeviceCount };

    // The devices' UniqueIDs, kept by the caller so that they survive restarts. The archive
    // (none: null) reaches back reachHours; values are averaged from it.
    AlpacaApi(const SnapshotBoard& board, std::array<std::string, DeviceCount> uniqueIds,
        const HistoryReader* history, double reachHours);

    // GET parameters come from the query, PUT parameters from the form-encoded body.
    AlpacaReply handle(std::string_view method, std::string_view path,
        const AlpacaProtocol::Parameters& parameters);

    static std::string_view typeName(Device device); // "SafetyMonitor"

private:
    AlpacaProtocol::Result member(Device device, std::string_view name, bool put,
        const AlpacaProtocol::Parameters& parameters);
    AlpacaProtocol::Result common(Device device, std::string_view name, bool put,
        const AlpacaProtocol::Parameters& parameters, bool& known);
    AlpacaProtocol::Result deviceState(Device device) const;
    AlpacaProtocol::Result management(std::string_view path) const;

    const SnapshotBoard& m_board;
    std::array<std::string, DeviceCount> m_uniqueIds;
    std::array<std::atomic<bool>, DeviceCount> m_connected {};
    std::atomic<quint32> m_serverTransaction { 0 };
    AveragedSensors m_averages;
};
