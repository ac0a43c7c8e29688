#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

// The nubora executable run as a user or a script runs it, against station-sim in its own
// process: command line, settings file, data file, alert command and state dump together.
class TestEndToEnd : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();

    void versionAndHelp();
    void stations_data();
    void stations();
    void unreachableServiceFailsAndAlerts();
    void environmentVariables();
    void stationOwnerSource_data();
    void stationOwnerSource();
    void headlessRunsUntilTerminated();
    void stopsDuringAFetch_data();
    void stopsDuringAFetch();

private:
    struct Run {
        int exitCode = -1;
        QByteArray dataFile;
        QJsonObject dump;
        QStringList alerts;
    };
    void writeSettings(const QString& station);
    Run runNubora(const QString& station, const QStringList& extraArguments = {},
        const QProcessEnvironment& environment = QProcessEnvironment::systemEnvironment());

    QTemporaryDir m_dir;
    QMap<QString, QString> m_extraSettings;
    QProcess m_simulator;
    QString m_serviceUrl;
};

void TestEndToEnd::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_simulator.start(QStringLiteral(STATION_SIM_EXECUTABLE), { "--port", "0" });
    QVERIFY(m_simulator.waitForStarted());
    QVERIFY(m_simulator.waitForReadyRead(10000));
    const QByteArray line = m_simulator.readLine().trimmed();
    QVERIFY2(line.startsWith("port "), line.constData());
    m_serviceUrl = QStringLiteral("http://127.0.0.1:%1").arg(QString::fromLatin1(line.mid(5)));

    // Records each alert as one line: the text, "|", the timeout argument.
    QFile recorder(m_dir.filePath("record-alert"));
    QVERIFY(recorder.open(QIODevice::WriteOnly));
    recorder.write(
        "#!/bin/sh\nprintf '%s|%s\\n' \"$1\" \"$2\" >> \"$(dirname \"$0\")/alerts.txt\"\n");
    recorder.close();
    recorder.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void TestEndToEnd::cleanupTestCase()
{
    m_simulator.terminate();
    m_simulator.waitForFinished(5000);
}

void TestEndToEnd::init()
{
    // Each case starts without the history the cases before it left.
    for (const char* name : { "settings.ini", "alerts.txt", "dump.json", "data/Nubora.dat",
             ".local/share/nubora/history.sqlite", ".local/share/nubora/history.sqlite-wal",
             ".local/share/nubora/history.sqlite-shm" })
        QFile::remove(m_dir.filePath(name));
    QDir(m_dir.path()).mkpath("data");
    m_extraSettings.clear();
}

void TestEndToEnd::writeSettings(const QString& station)
{
    QSettings settings(m_dir.filePath("settings.ini"), QSettings::IniFormat);
    settings.setValue("Setup/API_key", "demo");
    settings.setValue("Setup/Estacion_ID_N", "1");
    settings.setValue("Setup/Estacion_ID(0)", station);
    settings.setValue("Setup/Estacion_ID", "0");
    settings.setValue("Setup/Path_Dat", m_dir.filePath("data"));
    settings.setValue("Setup/GNS", "1");
    for (auto it = m_extraSettings.cbegin(); it != m_extraSettings.cend(); ++it)
        settings.setValue("Setup/" + it.key(), it.value());
}

TestEndToEnd::Run TestEndToEnd::runNubora(const QString& station, const QStringList& extraArguments,
    const QProcessEnvironment& environment)
{
    writeSettings(station);
    QProcess nubora;
    QProcessEnvironment env = environment;
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("HOME", m_dir.path());
    nubora.setProcessEnvironment(env);
    // Other suites run at the same time: no device server on the shared default port.
    QStringList arguments { "--once", "--settings", m_dir.filePath("settings.ini"), "--dump-state",
        m_dir.filePath("dump.json"), "--alpaca-port", "off" };
    nubora.start(QStringLiteral(NUBORA_EXECUTABLE), arguments + extraArguments);
    Run run;
    if (!nubora.waitForFinished(60000))
        return run;
    run.exitCode = nubora.exitCode();
    QFile data(m_dir.filePath("data/Nubora.dat"));
    if (data.open(QIODevice::ReadOnly))
        run.dataFile = data.readAll();
    QFile dump(m_dir.filePath("dump.json"));
    if (dump.open(QIODevice::ReadOnly))
        run.dump = QJsonDocument::fromJson(dump.readAll()).object();
    QFile alerts(m_dir.filePath("alerts.txt"));
    if (alerts.open(QIODevice::ReadOnly))
        run.alerts = QString::fromUtf8(alerts.readAll()).split('\n', Qt::SkipEmptyParts);
    return run;
}

void TestEndToEnd::versionAndHelp()
{
    QProcess nubora;
    nubora.start(QStringLiteral(NUBORA_EXECUTABLE), { "--version" });
    QVERIFY(nubora.waitForFinished(10000));
    QCOMPARE(nubora.readAllStandardOutput(), QByteArray("Nubora 1.0.6\n"));
    QCOMPARE(nubora.exitCode(), 0);
    nubora.start(QStringLiteral(NUBORA_EXECUTABLE), { "--help" });
    QVERIFY(nubora.waitForFinished(10000));
    const QByteArray help = nubora.readAllStandardOutput();
    for (const char* option : { "--settings", "--service-url", "--alert-command", "--headless",
             "--once", "--dump-state", "--log-file", "--verbose", "--version" })
        QVERIFY2(help.contains(option), option);
    nubora.start(QStringLiteral(NUBORA_EXECUTABLE), { "--no-such-option" });
    QVERIFY(nubora.waitForFinished(10000));
    QVERIFY(nubora.exitCode() != 0);
}

void TestEndToEnd::stations_data()
{
    QTest::addColumn<QString>("station");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("alert");
    QTest::addColumn<QString>("codes");

    QTest::newRow("clear") << "ISIMDESPEJADO" << 0 << ""
                           << "1 1 1";
    QTest::newRow("humid") << "ISIMHUMEDO" << 1 << "H91% - |0"
                           << "1 1 2";
    QTest::newRow("rain") << "ISIMLLUVIA" << 1 << "Lluvia ligera - LL(1h) 0.3mm|0"
                          << "3 1 3";
    QTest::newRow("windy") << "ISIMVIENTO" << 1 << "V22.5Km/h - |0"
                           << "1 3 1";
    QTest::newRow("gusty") << "ISIMRACHAS" << 1 << "V18.0Km/h - |0"
                           << "1 2 1";
    QTest::newRow("error answer") << "ISIMERROR" << 1 << "Fallo en Nubora|0"
                                  << "";
}

void TestEndToEnd::stations()
{
    QFETCH(QString, station);
    QFETCH(int, exitCode);
    QFETCH(QString, alert);
    QFETCH(QString, codes);
    const Run run = runNubora(station,
        { "--service-url", m_serviceUrl, "--alert-command", m_dir.filePath("record-alert") });
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(run.alerts, alert.isEmpty() ? QStringList() : QStringList { alert });

    static const QRegularExpression head(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.00 C K $)");
    static const QRegularExpression line(
        R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.00 C K      0 [ \d.-]{6}      0 )"
        R"([ \d.]{6} [ \d]{3} [ \d.-]{6}   0 0 0 00600 0\d{5}\.\d{5} \d \d \d 0 0 0$)");
    if (codes.isEmpty()) {
        QVERIFY2(
            head.match(QString::fromLatin1(run.dataFile)).hasMatch(), run.dataFile.constData());
    } else {
        QCOMPARE(run.dataFile.size(), 104);
        QVERIFY2(
            line.match(QString::fromLatin1(run.dataFile)).hasMatch(), run.dataFile.constData());
        QVERIFY(run.dataFile.endsWith((codes + " 0 0 0").toLatin1()));
    }

    const QJsonObject controls = run.dump.value("controls").toObject();
    QVERIFY(QRegularExpression(R"(^Nubora \(\d\d:\d\d:\d\d\)$)")
                .match(run.dump.value("caption").toString())
                .hasMatch());
    QCOMPARE(run.dump.value("page").toString(), QString("Actual"));
    QCOMPARE(controls.value("Estacion_ID").toObject().value("text").toString(), station);
    if (!codes.isEmpty()) {
        QVERIFY(!controls.value("T(0)").toObject().value("text").toString().isEmpty());
        QVERIFY(!controls.value("Hr_Fct(9)").toObject().value("text").toString().isEmpty());
    }
}

void TestEndToEnd::unreachableServiceFailsAndAlerts()
{
    const Run run = runNubora("ISIMDESPEJADO",
        { "--service-url", "http://127.0.0.1:9", "--alert-command",
            m_dir.filePath("record-alert") });
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.dataFile, QByteArray());
    QCOMPARE(run.alerts, QStringList { "Fallo en Nubora|0" });
    const QJsonObject controls = run.dump.value("controls").toObject();
    QCOMPARE(controls.value("Refrescar").toObject().value("enabled").toBool(), true);
    QCOMPARE(controls.value("C(1)").toObject().value("background").toString(), QString("#FF8080"));

    // Window mode also keeps the log in the per-user file.
    QFile log(m_dir.filePath(".local/state/nubora/nubora.log"));
    QVERIFY(log.open(QIODevice::ReadOnly));
    const QString lines = QString::fromUtf8(log.readAll());
    QVERIFY2(lines.contains(QRegularExpression(
                 "warning nubora.poll: conditions ISIMDESPEJADO: failed load: connection refused")),
        qPrintable(lines));
    QVERIFY2(lines.contains(QRegularExpression(
                 "nubora.alert: alert \"Fallo en Nubora\": command .*record-alert exited with "
                 "status 0")),
        qPrintable(lines));
}

void TestEndToEnd::environmentVariables()
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("NUBORA_SERVICE_URL", m_serviceUrl);
    env.insert("NUBORA_ALERT_COMMAND", m_dir.filePath("record-alert"));
    Run run = runNubora("ISIMHUMEDO", {}, env);
    QCOMPARE(run.exitCode, 1);
    QCOMPARE(run.alerts, QStringList { "H91% - |0" });
    // The option wins over the variable.
    init();
    run = runNubora("ISIMHUMEDO", { "--service-url", "http://127.0.0.1:9" }, env);
    QCOMPARE(run.alerts, QStringList { "Fallo en Nubora|0" });
}

void TestEndToEnd::stationOwnerSource_data()
{
    QTest::addColumn<QString>("station");
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<QString>("alert");
    QTest::addColumn<QString>("dataFile"); // "line ...codes", "head" or "empty"

    QTest::newRow("clear") << "IPWSDESPEJADO"
                           << "demo" << 0 << ""
                           << "line 1 1 1";
    // Rain, gusts over the limit of 15 and 96 % humidity, in the order of the alert's notes.
    // The hour's rain is 2.4 mm, or one five-minute record less within the hour after the
    // station's midnight, when its day counter restarts.
    QTest::newRow("wet") << "IPWSLLUVIA"
                         << "demo" << 1 << "Lluvia - V19.8Km/h - H96% - LL(1h)2."
                         << "line 3 2 3";
    QTest::newRow("rainy hour across midnight")
        << "IPWSMEDIANOCHE"
        << "demo" << 1 << "Lluvia - V19.8Km/h - H96% - LL(1h)2."
        << "line 3 2 3";
    QTest::newRow("silent station") << "IPWSSILENCIO"
                                    << "demo" << 1 << "Fallo en Nubora|0"
                                    << "head";
    QTest::newRow("bad key") << "IPWSDESPEJADO"
                             << "CLAVEMALA" << 1 << "Fallo en Nubora|0"
                             << "empty";
}

void TestEndToEnd::stationOwnerSource()
{
    QFETCH(QString, station);
    QFETCH(QString, key);
    QFETCH(int, exitCode);
    QFETCH(QString, alert);
    QFETCH(QString, dataFile);
    m_extraSettings.insert("Fuente", "PWS");
    m_extraSettings.insert("API_key", key);
    // The XML service's address leads nowhere: every answer must come from the other two.
    const Run run = runNubora(station,
        { "--service-url", "http://127.0.0.1:9", "--pws-url", m_serviceUrl, "--forecast-url",
            m_serviceUrl, "--alert-command", m_dir.filePath("record-alert") });
    QCOMPARE(run.exitCode, exitCode);
    QCOMPARE(run.alerts.size(), alert.isEmpty() ? 0 : 1);
    if (!alert.isEmpty())
        QVERIFY2(run.alerts.first().startsWith(alert), qPrintable(run.alerts.first()));

    const QJsonObject controls = run.dump.value("controls").toObject();
    const auto text = [&controls](const char* name) {
        return controls.value(name).toObject().value("text").toString();
    };
    QCOMPARE(run.dump.value("page").toString(), QString("Actual"));
    QCOMPARE(text("Fuente"), QString("PWS"));
    if (dataFile == "empty") {
        QCOMPARE(run.dataFile, QByteArray());
    } else if (dataFile == "head") {
        QVERIFY2(QRegularExpression(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.00 C K $)")
                     .match(QString::fromLatin1(run.dataFile))
                     .hasMatch(),
            run.dataFile.constData());
        QCOMPARE(text("T(0)"), QString());
    } else {
        QCOMPARE(run.dataFile.size(), 104);
        QVERIFY2(run.dataFile.endsWith((dataFile.mid(5) + " 0 0 0").toLatin1()),
            run.dataFile.constData());
        QVERIFY(!text("T(0)").isEmpty());
        QVERIFY(!text("C(1)").isEmpty());
        QVERIFY(!text("Hr_Fct(9)").isEmpty());
        QVERIFY(!text("Estacion").isEmpty());
    }
    if (station == "IPWSMEDIANOCHE") {
        // 1 mm since midnight would be the day's total alone, 3 mm the rate: the hour counts
        // what fell on both sides of midnight.
        const double lastHour = text("LL(0)").replace(',', '.').toDouble();
        QVERIFY2(lastHour > 2.0 && lastHour < 3.0, qPrintable(text("LL(0)")));
    }
}

void TestEndToEnd::headlessRunsUntilTerminated()
{
    writeSettings("ISIMDESPEJADO");
    QProcess nubora;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("QT_QPA_PLATFORM"); // --headless alone must do without a display
    env.remove("DISPLAY");
    env.remove("WAYLAND_DISPLAY");
    env.remove("XDG_RUNTIME_DIR");
    env.insert("HOME", m_dir.path());
    nubora.setProcessEnvironment(env);
    nubora.start(QStringLiteral(NUBORA_EXECUTABLE),
        { "--headless", "--settings", m_dir.filePath("settings.ini"), "--service-url", m_serviceUrl,
            "--dump-state", m_dir.filePath("dump.json"), "--alpaca-port", "off" });
    QVERIFY(nubora.waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(QFileInfo(m_dir.filePath("data/Nubora.dat")).size(), 104, 20000);
    QCOMPARE(nubora.state(), QProcess::Running);
    nubora.terminate();
    QVERIFY(nubora.waitForFinished(10000));
    QCOMPARE(nubora.exitStatus(), QProcess::NormalExit);
    QCOMPARE(nubora.exitCode(), 0);
    // Headless, the log goes to standard error, the service's journal, and nothing else does.
    const QStringList errors
        = QString::fromUtf8(nubora.readAllStandardError()).split('\n', Qt::SkipEmptyParts);
    QVERIFY(!errors.isEmpty());
    for (const QString& line : errors)
        QVERIFY2(line.contains(QRegularExpression("^[-0-9]{10} [0-9:]{8} \\w+ nubora\\.")),
            qPrintable(line));
    // The network safety's state at start comes before the first poll's line.
    QVERIFY(errors.first().endsWith("info nubora.poll: network safety at start (0 archived polls): "
                                    "not safe: Nubora aún no ha consultado la estación"));
    QVERIFY(errors.at(1).endsWith("info nubora.poll: conditions ISIMDESPEJADO: safe"));
    QFile dump(m_dir.filePath("dump.json"));
    QVERIFY(dump.open(QIODevice::ReadOnly));
    QCOMPARE(QJsonDocument::fromJson(dump.readAll()).object().value("page").toString(),
        QString("Actual"));
}

void TestEndToEnd::stopsDuringAFetch_data()
{
    QTest::addColumn<int>("signal");
    QTest::newRow("SIGTERM") << int(SIGTERM);
    QTest::newRow("SIGTERM again") << int(SIGTERM);
    QTest::newRow("SIGINT") << int(SIGINT);
    QTest::newRow("SIGHUP") << int(SIGHUP);
}

// The slow station keeps both start-up fetches waiting far beyond the stop bound: the first
// is under way when the signal comes, the second must not start waiting at all.
void TestEndToEnd::stopsDuringAFetch()
{
    QFETCH(int, signal);
    writeSettings("ISIMLENTO");
    QProcess nubora;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("HOME", m_dir.path());
    nubora.setProcessEnvironment(env);
    nubora.start(QStringLiteral(NUBORA_EXECUTABLE),
        { "--headless", "--settings", m_dir.filePath("settings.ini"), "--service-url", m_serviceUrl,
            "--alpaca-port", "off" });
    QVERIFY(nubora.waitForStarted());
    // The data file is made just before the fetch starts.
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(m_dir.filePath("data/Nubora.dat")), 20000);
    QTest::qWait(300);
    QCOMPARE(nubora.state(), QProcess::Running);

    QElapsedTimer sinceSignal;
    sinceSignal.start();
    ::kill(pid_t(nubora.processId()), signal);
    QVERIFY(nubora.waitForFinished(10000));
    const qint64 latency = sinceSignal.elapsed();
    qInfo("stopped %lld ms after the signal", latency);
    QVERIFY2(latency < 2000, QByteArray::number(latency).constData());
    QCOMPARE(nubora.exitStatus(), QProcess::NormalExit);
    QCOMPARE(nubora.exitCode(), 0);
    // Ended as a closed window ends: the file of a failed load. The service has no window
    // whose position it could keep.
    QSettings settings(m_dir.filePath("settings.ini"), QSettings::IniFormat);
    QVERIFY(!settings.contains("Ventana/Posicion_Superior"));
    QCOMPARE(QFileInfo(m_dir.filePath("data/Nubora.dat")).size(), 0);
}

QTEST_GUILESS_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
