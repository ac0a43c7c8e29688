#include "HourlyForecast.h"

#include "ConfigPage.h"
#include "Logging.h"
#include "NumberConversion.h"
#include "PollFailure.h"
#include "PollHost.h"
#include "SkyText.h"
#include "WeatherService.h"

#include <QDomDocument>
#include <exception>

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

QString textAt(const QDomNode& node, int position)
{
    return WeatherService::NodeText(WeatherService::ChildAt(node, position));
}

double toNumber(const QString& text)
{
    const std::optional<double> value = NumberConversion::toDouble(text);
    if (!value)
        throw PollFailure(
            QStringLiteral("conversion: \"%1\" is not a number").arg(text).toStdString());
    return *value;
}

void clearPage(ForecastPage& page)
{
    page.Estacion_Fct.clear();
    page.Fecha_Fct.clear();
    for (ForecastRow& row : page.rows) {
        row.Hr_Fct.text.clear();
        row.Hr_Fct.background = FieldColour::Red;
        row.T_Fct.text.clear();
        row.H_Fct.text.clear();
        row.V_Fct.text.clear();
        row.C_Fct.text.clear();
    }
}

// The cells are written one at a time, and the hour cell's colour by each check in turn, so
// that a read or conversion that fails leaves exactly what had been written before it.
void fillRow(const QDomNode& entry, const ConfigPage& config, const QString& estacionCaption,
    const QString& DecimalSep, ForecastRow& row, QString& Estacion_Fct)
{
    bool humidityOk = false;
    bool windOk = false;
    bool skyClear = false;

    row.Hr_Fct.background = FieldColour::Red;
    Estacion_Fct = estacionCaption;

    const QDomNode time = WeatherService::ChildAt(entry, TimeChild);
    const QString hour = textAt(time, HourInTime);
    row.Hr_Fct.text = hour + QLatin1Char(':') + textAt(time, MinuteInTime);
    row.T_Fct.text = NumberConversion::withSeparator(
        textAt(WeatherService::ChildAt(entry, TemperatureChild), MetricInValue), DecimalSep);
    row.H_Fct.text = NumberConversion::withSeparator(textAt(entry, HumidityChild), DecimalSep);
    row.V_Fct.text = NumberConversion::withSeparator(
        textAt(WeatherService::ChildAt(entry, WindChild), MetricInValue), DecimalSep);
    row.C_Fct.text = textAt(entry, SkyChild);

    const double humidity = toNumber(row.H_Fct.text);
    const double humidityLimit = toNumber(config.HumedadAlta);
    if (humidity >= humidityLimit) {
        row.H_Fct.bold = true;
        row.Hr_Fct.background = FieldColour::Yellow;
    } else {
        humidityOk = true;
        row.H_Fct.bold = false;
    }

    if (row.C_Fct.text == SkyText::ClearSky) {
        skyClear = true;
        row.C_Fct.bold = false;
    } else if (row.C_Fct.text == SkyText::PartlyCloudy
        || row.C_Fct.text == SkyText::ScatteredClouds) {
        row.C_Fct.bold = true;
        row.Hr_Fct.background = FieldColour::Yellow;
    } else {
        row.C_Fct.bold = true;
        row.Hr_Fct.background = FieldColour::Red;
    }

    const double wind = toNumber(row.V_Fct.text);
    const double windLimit = toNumber(config.LimiteViento);
    if (wind >= windLimit) {
        row.V_Fct.bold = true;
        row.Hr_Fct.background = FieldColour::Red;
    } else {
        windOk = true;
        row.V_Fct.bold = false;
    }

    if (humidityOk && windOk && skyClear)
        row.Hr_Fct.background = FieldColour::Green;
}

} // namespace

HourlyForecast::HourlyForecast(const WeatherSource& service)
    : m_service(service)
{
}

void HourlyForecast::Forecast(const ConfigPage& config, const QString& estacionCaption,
    const QString& DecimalSep, ForecastPage& page, PollHost& host) const
{
    const QString station = config.Estacion_ID.text;
    std::optional<QDomDocument> document;
    LoadFailure failure;
    try {
        host.stopLockTimer();
        document = m_service.requestDocument(WeatherSource::Hourly, config.API_key, station);
        failure = m_service.lastFailure();
    } catch (const std::exception& error) {
        // The forecast ends quietly on any failure; the page stays as it was.
        qCWarning(lcPoll).noquote() << QStringLiteral("forecast %1: run-time failure: %2")
                                           .arg(station, QString::fromUtf8(error.what()));
        return;
    }
    if (!document) {
        qCWarning(lcPoll).noquote()
            << QStringLiteral("forecast %1: %2").arg(station, failure.failedLoad());
        return;
    }
    host.lockButtons();
    const QString outcome = fill(*document, config, estacionCaption, DecimalSep, page);
    if (outcome == Updated)
        qCInfo(lcPoll).noquote() << QStringLiteral("forecast %1: %2").arg(station, outcome);
    else
        qCWarning(lcPoll).noquote() << QStringLiteral("forecast %1: %2").arg(station, outcome);
}

QString HourlyForecast::fill(const QDomDocument& document, const ConfigPage& config,
    const QString& estacionCaption, const QString& DecimalSep, ForecastPage& page)
{
    int hour = -1;
    try {
        if (WeatherService::HasErrorElement(document)) {
            clearPage(page);
            return QStringLiteral("error answer: ") + WeatherService::errorDescription(document);
        }

        const QDomNodeList entries
            = WeatherService::ElementsByTagName(document, QStringLiteral("forecast"));

        const QDomNode firstTime
            = WeatherService::ChildAt(WeatherService::ItemAt(entries, 0), TimeChild);
        const QString weekday = textAt(firstTime, WeekdayInTime);
        const QString day = textAt(firstTime, DayInTime);
        const QString month = textAt(firstTime, MonthInTime);
        const QString year = textAt(firstTime, YearInTime);
        page.Fecha_Fct = weekday + QStringLiteral(", ") + day + QStringLiteral(" de ") + month
            + QStringLiteral(" de ") + year;

        for (hour = 0; hour < ForecastPage::RowCount; ++hour)
            fillRow(WeatherService::ItemAt(entries, hour), config, estacionCaption, DecimalSep,
                page.rows[hour], page.Estacion_Fct);
    } catch (const std::exception& error) {
        // Stops where the read or conversion failed; what was written stays.
        const QString where
            = hour < 0 ? QStringLiteral("date") : QStringLiteral("hour %1").arg(hour + 1);
        return QStringLiteral("run-time failure: %1: %2")
            .arg(where, QString::fromUtf8(error.what()));
    }
    return Updated;
}
