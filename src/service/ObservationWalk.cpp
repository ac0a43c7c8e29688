#include "ObservationWalk.h"

#include "ConditionsPage.h"
#include "ConditionsReadings.h"
#include "DataLine.h"
#include "NumberConversion.h"
#include "PollFailure.h"
#include "SafeConditionEvaluation.h"

using namespace ObservationField;

namespace
{

double requireDouble(const QString& text)
{
    const std::optional<double> value = NumberConversion::toDouble(text);
    if (!value)
        throw PollFailure(
            QStringLiteral("conversion: \"%1\" is not a number").arg(text).toStdString());
    return *value;
}

qint16 requireInt16(const QString& text)
{
    const std::optional<qint16> value = NumberConversion::toInt16(text);
    if (!value)
        throw PollFailure(
            QStringLiteral("conversion: \"%1\" is not a 16-bit number").arg(text).toStdString());
    return *value;
}

// The humidity comes with its unit as the last character.
QString withoutUnit(const QString& value)
{
    return value.left(value.size() - 1);
}

} // namespace

ObservationWalk::ObservationWalk(const ConfigPage& config, const QString& DecimalSep, Kept kept,
    ConditionsPage& page, ConditionsReadings& readings, SafeConditionEvaluation& evaluation,
    DataLine& line)
    : m_config(config)
    , m_decimalSep(DecimalSep)
    , m_kept(kept)
    , m_page(page)
    , m_readings(readings)
    , m_evaluation(evaluation)
    , m_line(line)
{
}

void ObservationWalk::handle(Index field, const QString& value)
{
    derive(field, value);
    compose(field, value);
    show(field, value);
    record(field, value);
    judge(field);
}

// The numbers that other jobs need before they run.
void ObservationWalk::derive(Index field, const QString& value)
{
    switch (field) {
    case ObservationEpoch:
        m_kept.ObsEpoch = requireDouble(value);
        break;
    case LocalTzOffset:
        m_kept.TzOffsetHours = requireDouble(value) / 100;
        break;
    case RelativeHumidity:
        // Read like every other value of the service, with "." as its decimal point, so that
        // "64.5%" is 64 under a comma locale too.
        m_values.Humidity
            = requireInt16(NumberConversion::withSeparator(withoutUnit(value), m_decimalSep));
        break;
    default:
        break;
    }
}

void ObservationWalk::compose(Index field, const QString& value)
{
    switch (field) {
    case TempC:
        m_line.addTemperature(value);
        break;
    case WindKph:
        m_line.addWind(value);
        break;
    case RelativeHumidity:
        m_line.addHumidity(m_values.Humidity);
        break;
    case DewpointC:
        m_line.addDewPoint(value);
        break;
    default:
        break;
    }
}

void ObservationWalk::show(Index field, const QString& value)
{
    const QString shown = NumberConversion::withSeparator(value, m_decimalSep);
    ConditionsPage& page = m_page;
    switch (field) {
    case ObservationLocation:
        page.Estacion = value;
        break;
    case ObservationTimeRfc822:
        page.Fecha_Hora = value;
        break;
    case TempC:
        page.T[0].text = shown;
        break;
    case WindKph:
        page.V[0].text = shown;
        break;
    case WindGustKph:
        page.V[1].text = shown;
        break;
    case WindDir:
        page.V[2].text = value;
        break;
    case PressureMb:
        page.P[0].text = shown;
        break;
    case PressureTrend:
        page.P[1].text = value;
        break;
    case RelativeHumidity:
        page.T[1].text = QString::number(m_values.Humidity);
        break;
    case DewpointC:
        page.T[2].text = shown;
        break;
    case Precip1hrMetric:
        page.LL[0].text = shown;
        break;
    case PrecipTodayMetric:
        page.LL[1].text = shown;
        break;
    case VisibilityKm:
        page.C[0].text = shown;
        break;
    case Weather:
        page.C[1].text = value;
        break;
    default:
        break;
    }
}

void ObservationWalk::record(Index field, const QString& value)
{
    const std::optional<double> number = NumberConversion::fromService(value);
    switch (field) {
    case TempC:
        m_readings.temperature = number;
        break;
    case WindKph:
        m_readings.windKph = number;
        break;
    case WindGustKph:
        m_readings.gustKph = number;
        break;
    case WindDir:
        m_readings.windDirText = value;
        break;
    case PressureMb:
        m_readings.pressureHpa = number;
        break;
    case RelativeHumidity:
        m_readings.humidity = NumberConversion::fromService(withoutUnit(value));
        break;
    case DewpointC:
        m_readings.dewpoint = number;
        break;
    case Precip1hrMetric:
        m_readings.rain1hMm = number;
        break;
    case PrecipTodayMetric:
        m_readings.rainTodayMm = number;
        break;
    case VisibilityKm:
        m_readings.visibilityKm = number;
        break;
    case ObservationEpoch:
        if (number)
            m_readings.observationTimeMs = qint64(*number) * 1000;
        break;
    case Weather:
        m_readings.sky = value;
        break;
    default:
        break;
    }
}

// The tests read the texts the page now shows, as the limits are set against what is shown.
void ObservationWalk::judge(Index field)
{
    switch (field) {
    case WindKph:
        m_values.WindSpeed = requireDouble(m_page.V[0].text);
        break;
    case WindGustKph:
        m_values.GustSpeed = requireDouble(m_page.V[1].text);
        break;
    case RelativeHumidity:
        m_evaluation.humidityTest(m_config, m_values.Humidity, m_page);
        break;
    case Precip1hrMetric:
        m_values.Rain1h = requireDouble(m_page.LL[0].text);
        m_evaluation.rainTest(m_config, m_values.Rain1h, m_page);
        break;
    case Weather:
        m_evaluation.skyTest(m_config, m_page);
        break;
    default:
        break;
    }
}
