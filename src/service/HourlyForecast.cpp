#include "HourlyForecast.h"

#include "ConfigPage.h"
#include "Logging.h"
#include "NumberConversion.h"
#include "PollFailure.h"
#include "SkyText.h"
#include "WeatherSource.h"

#include <exception>

namespace
{

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
// that a read or conversion that fails leaves exactly what had been written before it. No hour:
// the answer has fewer than the row's; reading it fails with `missing`.
void fillRow(const ForecastHour* hour, const QString& missing, const ConfigPage& config,
    const QString& estacionCaption, const QString& DecimalSep, ForecastRow& row,
    QString& Estacion_Fct)
{
    bool humidityOk = false;
    bool windOk = false;
    bool skyClear = false;

    row.Hr_Fct.background = FieldColour::Red;
    Estacion_Fct = estacionCaption;

    if (!hour)
        throw PollFailure(missing.toStdString());
    const auto cell = [hour](const ForecastHour::Cell& text) {
        if (!text)
            throw PollFailure(hour->failure.toStdString());
        return *text;
    };
    const auto shown = [&DecimalSep](const QString& text) {
        return NumberConversion::withSeparator(text, DecimalSep);
    };
    const QString hourText = cell(hour->hour);
    row.Hr_Fct.text = hourText + QLatin1Char(':') + cell(hour->minute);
    row.T_Fct.text = shown(cell(hour->temperature));
    row.H_Fct.text = shown(cell(hour->humidity));
    row.V_Fct.text = shown(cell(hour->wind));
    row.C_Fct.text = cell(hour->sky);

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

PollEffects HourlyForecast::Forecast(const ConfigPage& config, const QString& estacionCaption,
    const QString& DecimalSep, ForecastPage& page) const
{
    const QString station = config.Estacion_ID.text;
    PollEffects effects;
    std::optional<HourlyAnswer> answer;
    LoadFailure failure;
    try {
        effects.lockTimerStopped = true;
        answer = m_service.hourly(config.API_key, station);
        failure = m_service.lastFailure();
    } catch (const std::exception& error) {
        // The forecast ends quietly on any failure; the page stays as it was.
        qCWarning(lcPoll).noquote() << QStringLiteral("forecast %1: run-time failure: %2")
                                           .arg(station, QString::fromUtf8(error.what()));
        return effects;
    }
    if (!answer) {
        qCWarning(lcPoll).noquote()
            << QStringLiteral("forecast %1: %2").arg(station, failure.failedLoad());
        return effects;
    }
    effects.loaded = true;
    const QString outcome = fill(*answer, config, estacionCaption, DecimalSep, page);
    if (outcome == Updated)
        qCInfo(lcPoll).noquote() << QStringLiteral("forecast %1: %2").arg(station, outcome);
    else
        qCWarning(lcPoll).noquote() << QStringLiteral("forecast %1: %2").arg(station, outcome);
    return effects;
}

QString HourlyForecast::fill(const HourlyAnswer& answer, const ConfigPage& config,
    const QString& estacionCaption, const QString& DecimalSep, ForecastPage& page)
{
    int hour = -1;
    try {
        if (answer.errorAnswer) {
            clearPage(page);
            return QStringLiteral("error answer: ") + answer.errorDescription;
        }
        if (!answer.weekday || !answer.day || !answer.month || !answer.year)
            throw PollFailure(answer.dateFailure.toStdString());
        page.Fecha_Fct = *answer.weekday + QStringLiteral(", ") + *answer.day
            + QStringLiteral(" de ") + *answer.month + QStringLiteral(" de ") + *answer.year;

        for (hour = 0; hour < ForecastPage::RowCount; ++hour) {
            const ForecastHour* row = hour < answer.hours.size() ? &answer.hours.at(hour) : nullptr;
            fillRow(row, answer.missingHourFailure, config, estacionCaption, DecimalSep,
                page.rows[hour], page.Estacion_Fct);
        }
    } catch (const std::exception& error) {
        // Stops where the read or conversion failed; what was written stays.
        const QString where
            = hour < 0 ? QStringLiteral("date") : QStringLiteral("hour %1").arg(hour + 1);
        return QStringLiteral("run-time failure: %1: %2")
            .arg(where, QString::fromUtf8(error.what()));
    }
    return Updated;
}
