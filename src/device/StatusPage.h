#pragma once

#include "AlpacaApi.h"

#include <functional>
#include <map>
#include <mutex>
#include <string>

class HistoryReader;
class SnapshotBoard;
class StatusBoard;

// The status page at "/" and the data behind it under "/nubora/v1/": what the network devices
// report, the window's pages and the archive's graphs. Read only: it changes no setting and
// shows no key. Answers on the server's threads.
class StatusPage
{
public:
    // Longest span one history answer covers; a longer one is cut to it and says so.
    static constexpr int MaxHours = 31 * 24;

    StatusPage(const SnapshotBoard& devices, const StatusBoard& view, const HistoryReader* history);

    static bool handles(const std::string& path);
    // query: the request's parameters, already decoded. warning, where given, is set to what
    // the answer left out and why (for the Warning header).
    AlpacaReply answer(const std::string& method, const std::string& path,
        const std::multimap<std::string, std::string>& query, std::string* warning = nullptr) const;

private:
    // The answer for this path and hours as made within the same minute for the same poll and
    // verdict, else made now by render and kept: browsers all ask again after the same poll.
    AlpacaReply cached(
        const std::string& path, int hours, const std::function<AlpacaReply()>& render) const;
    AlpacaReply page(int hours) const;
    AlpacaReply state() const;
    AlpacaReply parts(int hours) const;
    AlpacaReply history(int hours) const;
    AlpacaReply csv(
        const std::multimap<std::string, std::string>& query, std::string* warning) const;
    QString graphs(int hours) const;

    const SnapshotBoard& m_devices;
    const StatusBoard& m_view;
    const HistoryReader* m_history;
    mutable std::mutex m_cacheMutex;
    mutable std::map<std::pair<std::string, int>, std::pair<QString, AlpacaReply>> m_cache;
};
