#include "CommandLine.h"

#include "NuboraVersion.h"
#include "PwsSource.h"
#include "WeatherService.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QHostAddress>

namespace
{

QString fromEnvironment(const char* name)
{
    return qEnvironmentVariable(name);
}

} // namespace

CommandLine CommandLine::parse(const QStringList& arguments)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Nubora: weather link for a small observatory."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    const QCommandLineOption settings(QStringLiteral("settings"),
        QStringLiteral("Use FILE (INI format) as the settings store."), QStringLiteral("FILE"));
    const QCommandLineOption serviceUrl(QStringLiteral("service-url"),
        QStringLiteral("The weather service's base address (also "
                       "NUBORA_SERVICE_URL)."),
        QStringLiteral("URL"));
    const QCommandLineOption pwsUrl(QStringLiteral("pws-url"),
        QStringLiteral("The station-owner service's base address (also NUBORA_PWS_URL; "
                       "default %1).")
            .arg(PwsSource::defaultStationUrl()),
        QStringLiteral("URL"));
    const QCommandLineOption forecastUrl(QStringLiteral("forecast-url"),
        QStringLiteral("The forecast service's base address (also NUBORA_FORECAST_URL or "
                       "the setting URL_Prevision; default %1).")
            .arg(PwsSource::defaultForecastUrl()),
        QStringLiteral("URL"));
    const QCommandLineOption alertCommand(QStringLiteral("alert-command"),
        QStringLiteral("Run CMD with the alert text and \"0\" "
                       "when a poll is not safe (also "
                       "NUBORA_ALERT_COMMAND)."),
        QStringLiteral("CMD"));
    const QCommandLineOption headless(
        QStringLiteral("headless"), QStringLiteral("No window; same polls, file and alerts."));
    const QCommandLineOption once(QStringLiteral("once"),
        QStringLiteral("Start up, close and exit: status 0 when the "
                       "first conditions poll ended safe, else 1."));
    const QCommandLineOption dumpState(QStringLiteral("dump-state"),
        QStringLiteral("When the window closes, write its state "
                       "as JSON to FILE."),
        QStringLiteral("FILE"));
    const QCommandLineOption logFile(QStringLiteral("log-file"),
        QStringLiteral("Write the log to FILE as well as to standard error (window mode: "
                       "~/.local/state/nubora/nubora.log by default)."),
        QStringLiteral("FILE"));
    const QCommandLineOption verbose(QStringLiteral("verbose"),
        QStringLiteral("Add debug lines to the log: request addresses, timings."));
    const QCommandLineOption alpacaPort(QStringLiteral("alpaca-port"),
        QStringLiteral("Serve the Alpaca safety monitor and observing conditions on port N "
                       "(0: any free port, printed as \"alpaca port N\")."),
        QStringLiteral("N"));
    const QCommandLineOption alpacaBind(QStringLiteral("alpaca-bind"),
        QStringLiteral("Address the Alpaca server listens on (default 127.0.0.1; 0.0.0.0 for "
                       "the whole network)."),
        QStringLiteral("ADDR"));
    const QCommandLineOption alpacaDiscovery(QStringLiteral("alpaca-discovery-port"),
        QStringLiteral("UDP port of the Alpaca discovery answer (default 32227; 0: none)."),
        QStringLiteral("N"));
    parser.addOptions({ settings, serviceUrl, pwsUrl, forecastUrl, alertCommand, headless, once,
        dumpState, logFile, verbose, alpacaPort, alpacaBind, alpacaDiscovery });

    // The window system's own options (-platform offscreen, -style fusion, ...) belong to Qt,
    // which reads them when the window application starts.
    parser.setSingleDashWordOptionMode(QCommandLineParser::ParseAsLongOptions);
    for (const char* name :
        { "platform", "platformpluginpath", "platformtheme", "plugin", "style", "stylesheet",
            "display", "geometry", "qwindowgeometry", "qwindowtitle", "qwindowicon", "session" }) {
        QCommandLineOption qtOption(QString::fromLatin1(name), QString(), QStringLiteral("value"));
        qtOption.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qtOption);
    }
    for (const char* name : { "reverse", "nograb", "dograb" }) {
        QCommandLineOption qtOption(QString::fromLatin1(name));
        qtOption.setFlags(QCommandLineOption::HiddenFromHelp);
        parser.addOption(qtOption);
    }

    CommandLine result;
    if (!parser.parse(arguments)) {
        result.exitNow = true;
        result.exitCode = 2;
        result.message = parser.errorText() + QLatin1Char('\n');
        return result;
    }
    if (parser.isSet(help)) {
        result.exitNow = true;
        result.message = parser.helpText();
        return result;
    }
    if (parser.isSet(version)) {
        result.exitNow = true;
        result.message = QStringLiteral("Nubora %1\n").arg(QStringLiteral(NUBORA_VERSION_STRING));
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.exitNow = true;
        result.exitCode = 2;
        result.message
            = QStringLiteral("Unexpected argument: %1\n").arg(parser.positionalArguments().first());
        return result;
    }

    for (const auto& [option, target] : { std::pair { &alpacaPort, &result.alpacaPort },
             std::pair { &alpacaDiscovery, &result.alpacaDiscoveryPort } }) {
        if (!parser.isSet(*option))
            continue;
        bool ok = false;
        const int port = parser.value(*option).toInt(&ok);
        if (!ok || port < 0 || port > 65535) {
            result.exitNow = true;
            result.exitCode = 2;
            result.message = QStringLiteral("--%1 takes a port from 0 to 65535\n")
                                 .arg(option->names().constFirst());
            return result;
        }
        *target = port;
    }
    if (parser.isSet(alpacaBind)) {
        result.alpacaBind = parser.value(alpacaBind);
        if (QHostAddress(result.alpacaBind).isNull()) {
            result.exitNow = true;
            result.exitCode = 2;
            result.message = QStringLiteral("--alpaca-bind takes an IP address\n");
            return result;
        }
    }

    result.settingsFile = parser.value(settings);
    result.serviceUrl = parser.isSet(serviceUrl) ? parser.value(serviceUrl)
                                                 : fromEnvironment("NUBORA_SERVICE_URL");
    if (result.serviceUrl.isEmpty())
        result.serviceUrl = WeatherService::defaultBaseUrl();
    result.pwsUrl = parser.isSet(pwsUrl) ? parser.value(pwsUrl) : fromEnvironment("NUBORA_PWS_URL");
    if (result.pwsUrl.isEmpty())
        result.pwsUrl = PwsSource::defaultStationUrl();
    result.forecastUrl = parser.isSet(forecastUrl) ? parser.value(forecastUrl)
                                                   : fromEnvironment("NUBORA_FORECAST_URL");
    result.alertCommand = parser.isSet(alertCommand) ? parser.value(alertCommand)
                                                     : fromEnvironment("NUBORA_ALERT_COMMAND");
    result.dumpStateFile = parser.value(dumpState);
    result.logFile = parser.value(logFile);
    result.verbose = parser.isSet(verbose);
    result.once = parser.isSet(once);
    result.headless = parser.isSet(headless);
    return result;
}
