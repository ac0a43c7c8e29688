#pragma once

#include "HistoryRecords.h"

#include <QString>
#include <optional>
#include <utility>
#include <vector>

// The status page's graphs, drawn here as inline SVG so that the page needs no script library
// and a phone draws them as fast as a desktop.
class StatusGraphs
{
public:
    struct Limits {
        std::optional<double> humidity; // %
        std::optional<double> wind; // km/h
    };

    StatusGraphs(const QList<PollRecord>& polls, qint64 fromMs, qint64 toMs, Limits limits);

    // Every graph, each a <figure>; a series' <polyline> carries its point count.
    QString html() const;

private:
    struct Series {
        const char* label;
        std::optional<double> (*value)(const PollRecord&);
    };
    struct Graph {
        const char* id;
        const char* title;
        std::vector<Series> series;
        std::optional<double> limit;
        std::optional<std::pair<double, double>> fixedRange;
    };

    QString graph(const Graph& graph) const;
    QString backdrop() const; // night and unsafe spans, failed polls
    QString timeAxis() const;
    double x(qint64 timeMs) const;

    QList<PollRecord> m_polls;
    qint64 m_fromMs;
    qint64 m_toMs;
    Limits m_limits;
};
