#include "XmlAnswers.h"

#include "ForecastPage.h"
#include "NumberConversion.h"
#include "PollFailure.h"
#include "WeatherService.h"

#include <QDomDocument>

namespace
{

// Child positions inside one "forecast" entry of the hourly answer, with the element the
// service puts there. Read by position only, never by name.
constexpr int TimeChild = 0; // FCTTIME
constexpr int HourInTime = 1; // hour_padded
constexpr int MinuteInTime = 2; // min
constexpr int YearInTime = 5; // year
constexpr int DayInTime = 9; // mday
constexpr int MonthInTime = 17; // month_name_abbrev
constexpr int WeekdayInTime = 18; // weekday_name
constexpr int TemperatureChild = 1; // temp
constexpr int SkyChild = 3; // condition
constexpr int WindChild = 8; // wspd
constexpr int HumidityChild = 12; // humidity
constexpr int MetricInValue = 1; // metric, inside temp and wspd

// The place name sits in the second child of observation_location.
constexpr int PlaceInLocation = 1;

QString textAt(const QDomNode& node, int position)
{
    return WeatherService::NodeText(WeatherService::ChildAt(node, position));
}

QString reasonOf(const PollFailure& failure)
{
    return QString::fromUtf8(failure.what());
}

// Not a field of the walk: read for observatory software only, and left out where unreadable.
std::optional<double> windDegrees(const QDomDocument& document)
{
    const QDomNode first
        = WeatherService::ElementsByTagName(document, QStringLiteral("wind_degrees")).item(0);
    const QDomNode text = first.firstChild();
    if (text.isNull() || text.isElement())
        return std::nullopt;
    return NumberConversion::fromService(text.nodeValue());
}

// The station's place from observation_location, by name; the elevation comes in feet ("2185 ft").
void readPlace(const QDomDocument& document, Observation& answer)
{
    const QDomElement location
        = WeatherService::ElementsByTagName(document, QStringLiteral("observation_location"))
              .item(0)
              .toElement();
    const auto child = [&location](const char* name) {
        return location.firstChildElement(QLatin1String(name)).text().trimmed();
    };
    answer.latitude = NumberConversion::fromService(child("latitude"));
    answer.longitude = NumberConversion::fromService(child("longitude"));
    const QString elevation = child("elevation");
    if (elevation.endsWith(QLatin1String(" ft"))) {
        constexpr double MetresPerFoot = 0.3048;
        const std::optional<double> feet = NumberConversion::fromService(elevation.chopped(3));
        if (feet)
            answer.elevationM = *feet * MetresPerFoot;
    }
}

ForecastHour readHour(const QDomNode& entry)
{
    ForecastHour hour;
    try {
        const QDomNode time = WeatherService::ChildAt(entry, TimeChild);
        hour.hour = textAt(time, HourInTime);
        hour.minute = textAt(time, MinuteInTime);
        hour.temperature = textAt(WeatherService::ChildAt(entry, TemperatureChild), MetricInValue);
        hour.humidity = textAt(entry, HumidityChild);
        hour.wind = textAt(WeatherService::ChildAt(entry, WindChild), MetricInValue);
        hour.sky = textAt(entry, SkyChild);
    } catch (const PollFailure& failure) {
        hour.failure = reasonOf(failure);
    }
    return hour;
}

void readDate(const QDomNodeList& entries, HourlyAnswer& answer)
{
    try {
        const QDomNode firstTime
            = WeatherService::ChildAt(WeatherService::ItemAt(entries, 0), TimeChild);
        answer.weekday = textAt(firstTime, WeekdayInTime);
        answer.day = textAt(firstTime, DayInTime);
        answer.month = textAt(firstTime, MonthInTime);
        answer.year = textAt(firstTime, YearInTime);
    } catch (const PollFailure& failure) {
        answer.dateFailure = reasonOf(failure);
    }
}

} // namespace

namespace XmlAnswers
{

Observation observation(const QDomDocument& document)
{
    Observation answer;
    answer.windDegrees = windDegrees(document);
    readPlace(document, answer);
    const QStringList names = ObservationField::names();
    for (int index = 0; index < ObservationField::Count; ++index) {
        const auto field = ObservationField::Index(index);
        const QDomNodeList elements = WeatherService::ElementsByTagName(document, names.at(index));
        for (int k = 0; k < elements.size(); ++k) {
            if (field == ObservationField::Error) {
                answer.endWithError(WeatherService::errorDescription(document));
                return answer;
            }
            try {
                const QDomNode element = elements.item(k);
                answer.append(field,
                    field == ObservationField::ObservationLocation
                        ? textAt(element, PlaceInLocation)
                        : WeatherService::NodeText(element));
            } catch (const PollFailure& failure) {
                answer.endWithReadFailure(field, reasonOf(failure));
                return answer;
            }
        }
    }
    return answer;
}

HourlyAnswer hourly(const QDomDocument& document)
{
    HourlyAnswer answer;
    if (WeatherService::HasErrorElement(document)) {
        answer.errorAnswer = true;
        answer.errorDescription = WeatherService::errorDescription(document);
        return answer;
    }
    const QDomNodeList entries
        = WeatherService::ElementsByTagName(document, QStringLiteral("forecast"));
    readDate(entries, answer);
    const int count = std::min<int>(int(entries.size()), ForecastPage::RowCount);
    for (int i = 0; i < count; ++i)
        answer.hours.append(readHour(entries.item(i)));
    // What reading the entry after the last one fails with.
    try {
        WeatherService::ChildAt(WeatherService::ItemAt(entries, int(entries.size())), TimeChild);
    } catch (const PollFailure& failure) {
        answer.missingHourFailure = reasonOf(failure);
    }
    return answer;
}

StationList stations(const QDomDocument& document)
{
    StationList answer;
    if (WeatherService::HasErrorElement(document)) {
        answer.errorAnswer = true;
        answer.errorDescription = WeatherService::errorDescription(document);
    }
    const QDomNodeList ids = WeatherService::ElementsByTagName(document, QStringLiteral("id"));
    try {
        for (int i = 0; i < ids.count(); ++i)
            answer.ids.append(WeatherService::NodeText(WeatherService::ItemAt(ids, i)));
    } catch (const PollFailure& failure) {
        answer.failure = reasonOf(failure);
    }
    return answer;
}

} // namespace XmlAnswers
