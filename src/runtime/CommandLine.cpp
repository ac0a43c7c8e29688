#include "CommandLine.h"

#include "ExportSpan.h"
#include "HistoryArchive.h"
#include "NuboraVersion.h"
#include "PwsSource.h"
#include "WeatherService.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QHostAddress>

namespace
{

// The options in the order --help lists them.
struct AddressOptions {
    QCommandLineOption settings;
    QCommandLineOption serviceUrl;
    QCommandLineOption pwsUrl;
    QCommandLineOption forecastUrl;
    QCommandLineOption alertCommand;
};

struct RunOptions {
    QCommandLineOption headless;
    QCommandLineOption once;
    QCommandLineOption dumpState;
    QCommandLineOption logFile;
    QCommandLineOption verbose;
};

struct AlpacaOptions {
    QCommandLineOption port;
    QCommandLineOption bind;
    QCommandLineOption discoveryPort;
};

struct HistoryOptions {
    QCommandLineOption file;
    QCommandLineOption none;
    QCommandLineOption exportCsv;
};

struct Options {
    QCommandLineOption help;
    QCommandLineOption version;
    AddressOptions addresses;
    RunOptions run;
    AlpacaOptions alpaca;
    HistoryOptions history;
};

AddressOptions addressOptions()
{
    return {
        QCommandLineOption(QStringLiteral("settings"),
            QStringLiteral("Use FILE (INI format) as the settings store."), QStringLiteral("FILE")),
        QCommandLineOption(QStringLiteral("service-url"),
            QStringLiteral("The weather service's base address (also "
                           "NUBORA_SERVICE_URL)."),
            QStringLiteral("URL")),
        QCommandLineOption(QStringLiteral("pws-url"),
            QStringLiteral("The station-owner service's base address (also NUBORA_PWS_URL; "
                           "default %1).")
                .arg(PwsSource::defaultStationUrl()),
            QStringLiteral("URL")),
        QCommandLineOption(QStringLiteral("forecast-url"),
            QStringLiteral("The forecast service's base address (also NUBORA_FORECAST_URL or "
                           "the setting URL_Prevision; default %1).")
                .arg(PwsSource::defaultForecastUrl()),
            QStringLiteral("URL")),
        QCommandLineOption(QStringLiteral("alert-command"),
            QStringLiteral("Run CMD with the alert text and \"0\" "
                           "when a poll is not safe (also "
                           "NUBORA_ALERT_COMMAND)."),
            QStringLiteral("CMD")),
    };
}

RunOptions runOptions()
{
    return {
        QCommandLineOption(
            QStringLiteral("headless"), QStringLiteral("No window; same polls, file and alerts.")),
        QCommandLineOption(QStringLiteral("once"),
            QStringLiteral("Start up, close and exit: status 0 when the "
                           "first conditions poll ended safe, else 1.")),
        QCommandLineOption(QStringLiteral("dump-state"),
            QStringLiteral("When the window closes, write its state "
                           "as JSON to FILE."),
            QStringLiteral("FILE")),
        QCommandLineOption(QStringLiteral("log-file"),
            QStringLiteral("Write the log to FILE as well as to standard error (window mode: "
                           "~/.local/state/nubora/nubora.log by default)."),
            QStringLiteral("FILE")),
        QCommandLineOption(QStringLiteral("verbose"),
            QStringLiteral("Add debug lines to the log: request addresses, timings.")),
    };
}

AlpacaOptions alpacaOptions()
{
    return {
        QCommandLineOption(QStringLiteral("alpaca-port"),
            QStringLiteral("Serve the Alpaca safety monitor, observing conditions and the status "
                           "page on port N (default 11111; 0: any free port, printed as "
                           "\"alpaca port N\"; off: no server)."),
            QStringLiteral("N")),
        QCommandLineOption(QStringLiteral("alpaca-bind"),
            QStringLiteral("Address the Alpaca server listens on (default 127.0.0.1; 0.0.0.0 for "
                           "the whole network)."),
            QStringLiteral("ADDR")),
        QCommandLineOption(QStringLiteral("alpaca-discovery-port"),
            QStringLiteral("UDP port of the Alpaca discovery answer (default 32227; 0: none)."),
            QStringLiteral("N")),
    };
}

HistoryOptions historyOptions()
{
    return {
        QCommandLineOption(QStringLiteral("history"),
            QStringLiteral("Keep the history of polls in FILE (default %1).")
                .arg(HistoryArchive::defaultPath()),
            QStringLiteral("FILE")),
        QCommandLineOption(QStringLiteral("no-history"), QStringLiteral("Keep no history.")),
        QCommandLineOption(QStringLiteral("export-history"),
            QStringLiteral("Write the archived polls from FROM to TO (ISO dates or date-times; "
                           "default the last 24 hours) as CSV to standard output and exit: "
                           "--export-history [FROM [TO]].")),
    };
}

// The window system's own options (-platform offscreen, -style fusion, ...) belong to Qt,
// which reads them when the window application starts.
void acceptQtOptions(QCommandLineParser& parser)
{
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
}

Options addOptions(QCommandLineParser& parser)
{
    parser.setApplicationDescription(
        QStringLiteral("Nubora: weather link for a small observatory."));
    const QCommandLineOption help = parser.addHelpOption();
    const QCommandLineOption version = parser.addVersionOption();
    Options options { help, version, addressOptions(), runOptions(), alpacaOptions(),
        historyOptions() };
    const AddressOptions& a = options.addresses;
    const RunOptions& r = options.run;
    const AlpacaOptions& p = options.alpaca;
    const HistoryOptions& h = options.history;
    parser.addOptions({ a.settings, a.serviceUrl, a.pwsUrl, a.forecastUrl, a.alertCommand,
        r.headless, r.once, r.dumpState, r.logFile, r.verbose, p.port, p.bind, p.discoveryPort,
        h.file, h.none, h.exportCsv });
    acceptQtOptions(parser);
    return options;
}

void exitWith(CommandLine& result, int exitCode, const QString& message)
{
    result.exitNow = true;
    result.exitCode = exitCode;
    result.message = message;
}

// --help, --version and stray arguments answer at once; true when one did.
bool answersAtOnce(const QCommandLineParser& parser, const Options& options, CommandLine& result)
{
    if (parser.isSet(options.help)) {
        exitWith(result, 0, parser.helpText());
    } else if (parser.isSet(options.version)) {
        exitWith(
            result, 0, QStringLiteral("Nubora %1\n").arg(QStringLiteral(NUBORA_VERSION_STRING)));
    } else if (!parser.positionalArguments().isEmpty()
        && !parser.isSet(options.history.exportCsv)) {
        exitWith(result, 2,
            QStringLiteral("Unexpected argument: %1\n").arg(parser.positionalArguments().first()));
    }
    return result.exitNow;
}

// False, with the error in `result`, when a port or the address is not one.
bool readAlpaca(const QCommandLineParser& parser, const AlpacaOptions& alpaca, CommandLine& result)
{
    for (const auto& [option, target] : { std::pair { &alpaca.port, &result.alpacaPort },
             std::pair { &alpaca.discoveryPort, &result.alpacaDiscoveryPort } }) {
        if (!parser.isSet(*option))
            continue;
        if (option == &alpaca.port && parser.value(*option) == QLatin1String("off")) {
            *target = CommandLine::AlpacaOff;
            continue;
        }
        bool ok = false;
        const int port = parser.value(*option).toInt(&ok);
        if (!ok || port < 0 || port > 65535) {
            exitWith(result, 2,
                QStringLiteral("--%1 takes a port from 0 to 65535\n")
                    .arg(option->names().constFirst()));
            return false;
        }
        *target = port;
    }
    if (parser.isSet(alpaca.bind)) {
        result.alpacaBind = parser.value(alpaca.bind);
        if (QHostAddress(result.alpacaBind).isNull()) {
            exitWith(result, 2, QStringLiteral("--alpaca-bind takes an IP address\n"));
            return false;
        }
    }
    return true;
}

// An option wins over its environment variable.
QString optionOrEnvironment(
    const QCommandLineParser& parser, const QCommandLineOption& option, const char* variable)
{
    return parser.isSet(option) ? parser.value(option) : qEnvironmentVariable(variable);
}

void readAddresses(
    const QCommandLineParser& parser, const AddressOptions& addresses, CommandLine& result)
{
    result.settingsFile = parser.value(addresses.settings);
    result.serviceUrl = optionOrEnvironment(parser, addresses.serviceUrl, "NUBORA_SERVICE_URL");
    if (result.serviceUrl.isEmpty())
        result.serviceUrl = WeatherService::defaultBaseUrl();
    result.pwsUrl = optionOrEnvironment(parser, addresses.pwsUrl, "NUBORA_PWS_URL");
    if (result.pwsUrl.isEmpty())
        result.pwsUrl = PwsSource::defaultStationUrl();
    result.forecastUrl = optionOrEnvironment(parser, addresses.forecastUrl, "NUBORA_FORECAST_URL");
    result.alertCommand
        = optionOrEnvironment(parser, addresses.alertCommand, "NUBORA_ALERT_COMMAND");
}

// False, with the error in `result`, when the export's span is not one.
bool readHistory(
    const QCommandLineParser& parser, const HistoryOptions& history, CommandLine& result)
{
    result.noHistory = parser.isSet(history.none);
    result.historyFile
        = parser.isSet(history.file) ? parser.value(history.file) : HistoryArchive::defaultPath();
    if (!parser.isSet(history.exportCsv))
        return true;
    if (result.noHistory) {
        exitWith(result, 2,
            QStringLiteral("--export-history reads the history: not with --no-history\n"));
        return false;
    }
    QString error;
    const std::optional<ExportSpan> span
        = ExportSpan::parse(parser.positionalArguments(), QDateTime::currentDateTime(), &error);
    if (!span) {
        exitWith(result, 2, error + QLatin1Char('\n'));
        return false;
    }
    result.exportHistory = true;
    result.exportFromMs = span->fromMs;
    result.exportToMs = span->toMs;
    return true;
}

void readRunOptions(const QCommandLineParser& parser, const RunOptions& run, CommandLine& result)
{
    result.dumpStateFile = parser.value(run.dumpState);
    result.logFile = parser.value(run.logFile);
    result.verbose = parser.isSet(run.verbose);
    result.once = parser.isSet(run.once);
    result.headless = parser.isSet(run.headless);
}

} // namespace

CommandLine CommandLine::parse(const QStringList& arguments)
{
    QCommandLineParser parser;
    const Options options = addOptions(parser);
    CommandLine result;
    if (!parser.parse(arguments)) {
        exitWith(result, 2, parser.errorText() + QLatin1Char('\n'));
        return result;
    }
    if (answersAtOnce(parser, options, result) || !readAlpaca(parser, options.alpaca, result)
        || !readHistory(parser, options.history, result))
        return result;
    readAddresses(parser, options.addresses, result);
    readRunOptions(parser, options.run, result);
    return result;
}
