#include "ConditionsDocument.h"

#include "AnswerWriter.h"

namespace
{

// Typical values of the elements a poll reads and their neighbours.
const QList<QPair<QString, QString>>& defaults()
{
    static const QList<QPair<QString, QString>> elements = {
        { "station_id", "ITEST1" },
        { "observation_time", "Last Updated on December 6, 7:05 AM CET" },
        { "observation_time_rfc822", "Sun, 06 Dec 2026 07:05:00 +0100" },
        { "observation_epoch", "1796537100" },
        { "local_time_rfc822", "Sun, 06 Dec 2026 07:05:09 +0100" },
        { "local_epoch", "1796537109" },
        { "local_tz_short", "CET" },
        { "local_tz_long", "Europe/Madrid" },
        { "local_tz_offset", "+0100" },
        { "weather", "Despejado" },
        { "temperature_string", "54.1 F (12.3 C)" },
        { "temp_f", "54.1" },
        { "temp_c", "12.3" },
        { "relative_humidity", "65%" },
        { "wind_string", "From the North at 3.2 MPH" },
        { "wind_dir", "Norte" },
        { "wind_degrees", "5" },
        { "wind_mph", "3.2" },
        { "wind_gust_mph", "5.0" },
        { "wind_kph", "5.2" },
        { "wind_gust_kph", "8.0" },
        { "pressure_mb", "1016" },
        { "pressure_in", "30.01" },
        { "pressure_trend", "0" },
        { "dewpoint_string", "42.6 F (5.9 C)" },
        { "dewpoint_f", "42.6" },
        { "dewpoint_c", "5.9" },
        { "visibility_mi", "6.2" },
        { "visibility_km", "10.0" },
        { "precip_1hr_string", "0.00 in ( 0 mm)" },
        { "precip_1hr_in", "0.00" },
        { "precip_1hr_metric", " 0" },
        { "precip_today_string", "0.00 in (0 mm)" },
        { "precip_today_in", "0.00" },
        { "precip_today_metric", " 0" },
        { "icon", "clear" },
    };
    return elements;
}

const QString observationLocation = QStringLiteral("observation_location");

} // namespace

ConditionsDocument::ConditionsDocument()
{
    m_answer.setGroup("display_location", { { "full", "Madrid, Spain" }, { "city", "Madrid" } });
    set(observationLocation, QStringLiteral("Tres Cantos, Madrid"));
    for (const auto& [name, value] : defaults())
        m_answer.set(name, value);
}

ConditionsDocument& ConditionsDocument::set(const QString& element, const QString& value)
{
    if (value == absent()) {
        m_answer.remove(element);
    } else if (element == observationLocation) {
        // The city is the location's second child; "<empty>" leaves it out.
        AnswerWriter::Children children = { { "full", "Tres Cantos, Madrid, Madrid" } };
        if (value != empty())
            children.append({ "city", value });
        m_answer.setGroup(element, children);
    } else {
        m_answer.set(element, value);
    }
    return *this;
}

ConditionsDocument& ConditionsDocument::repeat(const QString& element, const QString& value)
{
    m_answer.repeat(element, value);
    return *this;
}

QByteArray ConditionsDocument::toXml() const
{
    if (m_error) {
        return AnswerWriter::errorAnswer(
            { "keynotfound", "this key does not exist" }, "conditions", m_indent);
    }
    return m_answer.toXml(m_indent);
}
