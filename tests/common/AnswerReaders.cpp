#include "AnswerReaders.h"

#include "ConditionsPage.h"
#include "ConditionsPoll.h"
#include "ConfigPage.h"
#include "ConfigStore.h"
#include "ForecastPage.h"
#include "HourlyForecast.h"
#include "ObservationField.h"
#include "PollHost.h"
#include "SettingsStore.h"
#include "StationLookup.h"

#include <QDir>
#include <utility>

namespace
{

class SilentHost : public PollHost
{
public:
    void stopLockTimer() override { }
    void lockButtons() override { }
    void setWindowCaption(const QString&) override { }
};

} // namespace

FixedAnswerService::FixedAnswerService(QByteArray body)
    : WeatherService(QStringLiteral("http://127.0.0.1:9"))
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
    const FixedAnswerService service(body);
    SettingsStore store(QDir(dataFolder).filePath(QStringLiteral("settings.ini")));
    store.SaveSetting(ConfigStore::Setup, QStringLiteral("Path_Dat"), dataFolder);

    ConfigPage config;
    config.API_key = QStringLiteral("demo");
    config.Estacion_ID.text = QStringLiteral("ISIMVIVO");
    SilentHost host;

    ConditionsPoll poll(service, store, nullptr);
    ConditionsPage conditions;
    const bool safe
        = poll.WriteMeteo(config, QStringLiteral("."), ObservationField::names(), conditions, host);

    ForecastPage forecast;
    HourlyForecast(service).Forecast(
        config, conditions.Estacion, QStringLiteral("."), forecast, host);

    StationLookup(service).Buscar_Click(config.API_key, config.Estacion_ID);
    return safe;
}
