#include "StatusGraphs.h"

#include "SunAltitude.h"

#include <QDateTime>
#include <algorithm>
#include <cmath>

namespace
{

constexpr double Width = 600;
constexpr double Height = 170;
constexpr double Left = 46;
constexpr double Right = 8;
constexpr double Top = 8;
constexpr double Bottom = 24;

QString num(double value)
{
    return QString::number(value, 'f', 1);
}

bool failed(const PollRecord& poll)
{
    using O = ConditionsReadings::Outcome;
    return poll.readings.outcome == O::Failed || poll.readings.outcome == O::ErrorAnswer;
}

QString unsafeReason(const PollRecord& poll)
{
    if (failed(poll))
        return QStringLiteral("Consulta fallida: ") + poll.outcome;
    return poll.readings.reasons.isEmpty() ? poll.outcome : poll.readings.reasons;
}

std::optional<double> skyCode(const PollRecord& poll)
{
    const qint16 code = poll.readings.cloudCondition;
    return code > 0 ? std::optional<double>(code) : std::nullopt;
}

} // namespace

StatusGraphs::StatusGraphs(
    const QList<PollRecord>& polls, qint64 fromMs, qint64 toMs, Limits limits)
    : m_polls(polls)
    , m_fromMs(fromMs)
    , m_toMs(std::max(toMs, fromMs + 1))
    , m_limits(limits)
{
}

double StatusGraphs::x(qint64 timeMs) const
{
    const double share = double(timeMs - m_fromMs) / double(m_toMs - m_fromMs);
    return Left + std::clamp(share, 0.0, 1.0) * (Width - Left - Right);
}

QString StatusGraphs::html() const
{
    const bool cover = std::any_of(m_polls.begin(), m_polls.end(),
        [](const PollRecord& p) { return p.readings.cloudCover.has_value(); });
    const std::vector<Graph> graphs {
        { "temp", "Temperatura y punto de rocío (ºC)",
            { { "Temperatura", [](const PollRecord& p) { return p.readings.temperature; } },
                { "Rocío", [](const PollRecord& p) { return p.readings.dewpoint; } } },
            {}, {} },
        { "hum", "Humedad (%)",
            { { "Humedad", [](const PollRecord& p) { return p.readings.humidity; } } },
            m_limits.humidity, std::pair { 0.0, 100.0 } },
        { "wind", "Viento y racha (Km/h)",
            { { "Viento", [](const PollRecord& p) { return p.readings.windKph; } },
                { "Racha", [](const PollRecord& p) { return p.readings.gustKph; } } },
            m_limits.wind, {} },
        { "rain", "Lluvia (mm. en 1 hora)",
            { { "Lluvia", [](const PollRecord& p) { return p.readings.rain1hMm; } } }, {}, {} },
        cover ? Graph { "sky", "Nubosidad (%)",
            { { "Nubosidad", [](const PollRecord& p) { return p.readings.cloudCover; } } }, {},
            std::pair { 0.0, 100.0 } }
              : Graph { "sky", "Cielo (1 despejado, 2 nuboso, 3 muy nuboso)",
                  { { "Cielo", &skyCode } }, {}, std::pair { 0.0, 3.0 } },
    };
    QString out;
    for (const Graph& g : graphs)
        out += graph(g);
    return out;
}

QString StatusGraphs::graph(const Graph& graph) const
{
    double low = graph.fixedRange ? graph.fixedRange->first : HUGE_VAL;
    double high = graph.fixedRange ? graph.fixedRange->second : -HUGE_VAL;
    for (const Series& series : graph.series)
        for (const PollRecord& poll : m_polls)
            if (const auto v = series.value(poll)) {
                low = std::min(low, *v);
                high = std::max(high, *v);
            }
    if (graph.limit) {
        low = std::min(low, *graph.limit);
        high = std::max(high, *graph.limit);
    }
    if (low > high) {
        low = 0;
        high = 1;
    }
    if (high - low < 1)
        high = low + 1; // a flat line sits at the foot, where no rain is
    const auto y = [low, high](double v) {
        return Top + (high - v) / (high - low) * (Height - Top - Bottom);
    };
    QString svg = QStringLiteral("<figure class=\"g\" id=\"g-%1\"><figcaption>%2</figcaption>"
                                 "<svg viewBox=\"0 0 %3 %4\" role=\"img\">")
                      .arg(graph.id, QString::fromUtf8(graph.title))
                      .arg(Width)
                      .arg(Height);
    svg += backdrop() + timeAxis();
    svg += QStringLiteral("<text class=\"ax\" x=\"%1\" y=\"%2\">%3</text>"
                          "<text class=\"ax\" x=\"%1\" y=\"%4\">%5</text>")
               .arg(num(Left - 3), num(y(high) + 11), num(high), num(y(low)), num(low));
    if (graph.limit)
        svg += QStringLiteral("<line class=\"limit\" x1=\"%1\" x2=\"%2\" y1=\"%3\" y2=\"%3\">"
                              "<title>Límite %4</title></line>")
                   .arg(num(Left), num(Width - Right), num(y(*graph.limit)), num(*graph.limit));
    QString legend;
    for (std::size_t i = 0; i < graph.series.size(); ++i) {
        QStringList points;
        for (const PollRecord& poll : m_polls)
            if (const auto v = graph.series[i].value(poll))
                points << num(x(poll.timeMs)) + u',' + num(y(*v));
        svg += QStringLiteral("<polyline class=\"s%1\" data-points=\"%2\" points=\"%3\"/>")
                   .arg(i)
                   .arg(points.size())
                   .arg(points.join(u' '));
        legend += QStringLiteral("<span class=\"k s%1\">%2</span>")
                      .arg(i)
                      .arg(QString::fromUtf8(graph.series[i].label));
    }
    return svg + QStringLiteral("</svg><div class=\"legend\">%1</div></figure>").arg(legend);
}

QString StatusGraphs::backdrop() const
{
    const double plotHeight = Height - Top - Bottom;
    const auto band = [plotHeight, this](const char* cls, qint64 from, qint64 to) {
        return QStringLiteral("<rect class=\"%1\" x=\"%2\" y=\"%3\" width=\"%4\" height=\"%5\"")
            .arg(QLatin1String(cls), num(x(from)), num(Top), num(std::max(x(to) - x(from), 1.0)),
                num(plotHeight));
    };
    QString out;
    // Night at the station, where a poll brought its place.
    const auto placed = std::find_if(m_polls.rbegin(), m_polls.rend(),
        [](const PollRecord& p) { return p.readings.latitude && p.readings.longitude; });
    if (placed != m_polls.rend())
        for (const auto& [from, to] : SunAltitude::nights(
                 *placed->readings.latitude, *placed->readings.longitude, m_fromMs, m_toMs))
            out += band("night", from, to) + QStringLiteral("><title>Noche</title></rect>");
    // Each unsafe poll shades up to the next poll; a run with one reason is one span.
    for (int i = 0; i < m_polls.size(); ++i) {
        if (m_polls[i].readings.safe && !failed(m_polls[i]))
            continue;
        const QString reason = unsafeReason(m_polls[i]);
        int j = i + 1;
        while (j < m_polls.size() && !(m_polls[j].readings.safe && !failed(m_polls[j]))
            && unsafeReason(m_polls[j]) == reason)
            ++j;
        const qint64 end = j < m_polls.size() ? m_polls[j].timeMs : m_toMs;
        out += band("unsafe", m_polls[i].timeMs, end) + QStringLiteral(" tabindex=\"0\"><title>")
            + reason.toHtmlEscaped() + QStringLiteral("</title></rect>");
        i = j - 1;
    }
    for (const PollRecord& poll : m_polls)
        if (failed(poll))
            out += QStringLiteral(
                "<path class=\"failed\" d=\"M%1 %2v-14\"><title>%3</title></path>")
                       .arg(num(x(poll.timeMs)), num(Height - Bottom),
                           unsafeReason(poll).toHtmlEscaped());
    return out;
}

QString StatusGraphs::timeAxis() const
{
    const qint64 span = m_toMs - m_fromMs;
    const bool days = span > 36LL * 3600 * 1000;
    QString out;
    for (int i = 0; i <= 4; ++i) {
        const qint64 t = m_fromMs + span * i / 4;
        const QString label = QDateTime::fromMSecsSinceEpoch(t).toString(
            days ? QStringLiteral("dd/MM HH:mm") : QStringLiteral("HH:mm"));
        const char* anchor = i == 0 ? "start" : i == 4 ? "end" : "middle";
        out += QStringLiteral("<text class=\"tx\" text-anchor=\"%1\" x=\"%2\" y=\"%3\">%4</text>")
                   .arg(QLatin1String(anchor), num(x(t)), num(Height - 4), label);
    }
    return out;
}
