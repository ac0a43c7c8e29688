#include "ConditionsAnswer.h"

const QStringList& ConditionsAnswer::order()
{
    // clang-format off
    static const QStringList names = {
        "image", "display_location", "observation_location",
        "station_id", "observation_time", "observation_time_rfc822", "observation_epoch",
        "local_time_rfc822", "local_epoch", "local_tz_short", "local_tz_long", "local_tz_offset",
        "weather", "temperature_string", "temp_f", "temp_c", "relative_humidity",
        "wind_string", "wind_dir", "wind_degrees", "wind_mph", "wind_gust_mph", "wind_kph",
        "wind_gust_kph", "pressure_mb", "pressure_in", "pressure_trend",
        "dewpoint_string", "dewpoint_f", "dewpoint_c",
        "heat_index_string", "heat_index_f", "heat_index_c",
        "windchill_string", "windchill_f", "windchill_c",
        "feelslike_string", "feelslike_f", "feelslike_c",
        "visibility_mi", "visibility_km", "solarradiation", "UV",
        "precip_1hr_string", "precip_1hr_in", "precip_1hr_metric",
        "precip_today_string", "precip_today_in", "precip_today_metric",
        "icon", "icon_url", "forecast_url", "history_url", "ob_url",
    };
    // clang-format on
    return names;
}

namespace
{

// An element outside the service's order would silently go unwritten.
void requireKnown(const QString& element)
{
    if (!ConditionsAnswer::order().contains(element))
        qFatal("ConditionsAnswer: no element \"%s\" in current_observation", qPrintable(element));
}

} // namespace

ConditionsAnswer& ConditionsAnswer::set(const QString& element, const QString& value)
{
    requireKnown(element);
    Value& entry = m_values[element];
    entry.text = value;
    entry.group.reset();
    return *this;
}

ConditionsAnswer& ConditionsAnswer::setGroup(
    const QString& element, const AnswerWriter::Children& children)
{
    requireKnown(element);
    Value& entry = m_values[element];
    entry.group = children;
    entry.text.reset();
    return *this;
}

ConditionsAnswer& ConditionsAnswer::remove(const QString& element)
{
    // A repeat stays, so an answer can carry only the second occurrence.
    m_values[element].text.reset();
    m_values[element].group.reset();
    return *this;
}

ConditionsAnswer& ConditionsAnswer::repeat(const QString& element, const QString& value)
{
    requireKnown(element);
    m_values[element].repeat = value;
    return *this;
}

void ConditionsAnswer::write(AnswerWriter& writer) const
{
    writer.start(QStringLiteral("current_observation"));
    for (const QString& name : order()) {
        const auto found = m_values.constFind(name);
        if (found == m_values.cend())
            continue;
        if (found->group)
            writer.children(name, *found->group);
        else if (found->text)
            writer.text(name, *found->text);
        if (found->repeat)
            writer.text(name, *found->repeat);
    }
    writer.end();
}

QByteArray ConditionsAnswer::toXml(bool indented) const
{
    AnswerWriter writer(indented, QStringLiteral("conditions"));
    write(writer);
    return writer.finish();
}
