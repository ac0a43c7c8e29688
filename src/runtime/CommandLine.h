#pragma once

#include <QString>
#include <QStringList>

// The executable's options. Options win over the environment variables.
struct CommandLine {
    QString settingsFile;
    QString serviceUrl;
    QString pwsUrl;
    // Empty when neither the option nor the environment names one: the settings may then.
    QString forecastUrl;
    QString alertCommand;
    QString dumpStateFile;
    QString logFile;
    bool once = false;
    bool headless = false;
    bool verbose = false;
    // The network device server: -1 where the option was not given, AlpacaOff for "off".
    static constexpr int AlpacaOff = -2;
    int alpacaPort = -1;
    QString alpacaBind = QStringLiteral("127.0.0.1");
    int alpacaDiscoveryPort = -1;
    // The history archive: the file, or none at all.
    QString historyFile;
    bool noHistory = false;
    // --export-history: write the archived polls of [exportFromMs, exportToMs] as CSV and exit.
    bool exportHistory = false;
    qint64 exportFromMs = 0;
    qint64 exportToMs = 0;

    // Set when the command line asks for an answer and an exit (--help, --version, errors).
    bool exitNow = false;
    int exitCode = 0;
    QString message;

    static CommandLine parse(const QStringList& arguments);
};
