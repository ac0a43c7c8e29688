#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <csignal>

// The service executable as the systemd unit and `nubora --headless` run it: a plain process
// without a display, holding no window or graphics library.
class TestServiceProcess : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();
    void runsWithoutGuiLibraries_data();
    void runsWithoutGuiLibraries();

private:
    QTemporaryDir m_dir;
    QProcess m_simulator;
    QString m_serviceUrl;
};

void TestServiceProcess::initTestCase()
{
    m_simulator.start(QStringLiteral(STATION_SIM_EXECUTABLE), { "--port", "0" });
    QVERIFY(m_simulator.waitForStarted() && m_simulator.waitForReadyRead(10000));
    const QByteArray line = m_simulator.readLine().trimmed();
    QVERIFY(line.startsWith("port "));
    m_serviceUrl = "http://127.0.0.1:" + QString::fromLatin1(line.mid(5));

    QSettings settings(m_dir.filePath("settings.ini"), QSettings::IniFormat);
    settings.setValue("Setup/API_key", "demo");
    settings.setValue("Setup/Estacion_ID_N", "1");
    settings.setValue("Setup/Estacion_ID(0)", "ISIMDESPEJADO");
    settings.setValue("Setup/Estacion_ID", "0");
    settings.setValue("Setup/Path_Dat", m_dir.path());
}

void TestServiceProcess::cleanupTestCase()
{
    m_simulator.kill();
    m_simulator.waitForFinished();
}

void TestServiceProcess::runsWithoutGuiLibraries_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("extra");
    QTest::newRow("nubora-service") << QStringLiteral(NUBORA_SERVICE_EXECUTABLE) << QStringList();
    // The user's command runs the service in its own place: the same process.
    QTest::newRow("nubora --headless")
        << QStringLiteral(NUBORA_EXECUTABLE) << QStringList { "--headless" };
}

void TestServiceProcess::runsWithoutGuiLibraries()
{
    QFETCH(QString, program);
    QFETCH(QStringList, extra);
    QFile::remove(m_dir.filePath("Nubora.dat"));
    QProcess service;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : { "QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY" })
        env.remove(name);
    env.insert("HOME", m_dir.path());
    service.setProcessEnvironment(env);
    service.start(program,
        extra
            + QStringList { "--settings", m_dir.filePath("settings.ini"), "--service-url",
                m_serviceUrl, "--alpaca-port", "0", "--alpaca-discovery-port", "0" });
    QVERIFY(service.waitForStarted());
    // The first poll has run, and the network devices are up, once the line is written.
    QTRY_COMPARE_WITH_TIMEOUT(QFileInfo(m_dir.filePath("Nubora.dat")).size(), 104, 20000);

    const QString pid = QString::number(service.processId());
    QCOMPARE(QFileInfo("/proc/" + pid + "/exe").symLinkTarget(),
        QFileInfo(QStringLiteral(NUBORA_SERVICE_EXECUTABLE)).canonicalFilePath());
    QFile maps("/proc/" + pid + "/maps");
    QVERIFY(maps.open(QIODevice::ReadOnly));
    const QByteArray mapped = maps.readAll();
    QVERIFY(mapped.contains("libQt6Core"));
    for (const char* library : { "libQt6Gui", "libQt6Widgets", "libQt6DBus" })
        QVERIFY2(!mapped.contains(library), library);

    service.terminate();
    QVERIFY(service.waitForFinished(10000));
    QCOMPARE(service.exitStatus(), QProcess::NormalExit);
    QCOMPARE(service.exitCode(), 0);
}

QTEST_GUILESS_MAIN(TestServiceProcess)
#include "tst_serviceprocess.moc"
