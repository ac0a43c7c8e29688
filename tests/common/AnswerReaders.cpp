#include "AnswerReaders.h"

#include "ConditionsPage.h"
#include "ConditionsPoll.h"
#include "ConfigPage.h"
#include "ConfigStore.h"
#include "ForecastPage.h"
#include "HourlyForecast.h"
#include "ObservationField.h"
#include "SettingsStore.h"
#include "StationLookup.h"

#include <QDir>
#include <utility>

FixedAnswerService::FixedAnswerService(QByteArray body)
    : XmlSource(QStringLiteral("http://127.0.0.1:9"))
    , m_body(std::move(body))
{
}

std::optional<QDomDocument> FixedAnswerService::LoadDocument(
    const QString&, LoadFailure* failure) const
{
    return parseDocument(m_body, failure);
}

bool AnswerReaders::readAll(const QByteArray& body, const QString& dataFolder)
{
    return readAll(FixedAnswerService(body), dataFolder);
}

bool AnswerReaders::readAll(const WeatherSource& service, const QString& dataFolder)
{
    SettingsStore store(QDir(dataFolder).filePath(QStringLiteral("settings.ini")));
    store.SaveSetting(ConfigStore::Setup, QStringLiteral("Path_Dat"), dataFolder);

    ConfigPage config;
    config.API_key = QStringLiteral("demo");
    config.Estacion_ID.text = QStringLiteral("ISIMVIVO");

    ConditionsPoll poll(service, store, nullptr);
    ConditionsPage conditions;
    const bool safe
        = poll.WriteMeteo(config, QStringLiteral("."), ObservationField::names(), conditions).safe;

    ForecastPage forecast;
    HourlyForecast(service).Forecast(config, conditions.Estacion, QStringLiteral("."), forecast);

    StationLookup(service).Buscar_Click(config.API_key, config.Estacion_ID);
    return safe;
}
