#include "AlpacaService.h"

#include "AlpacaApi.h"
#include "CommandLine.h"
#include "ConfigStore.h"
#include "DeviceServer.h"
#include "DiscoveryResponder.h"
#include "HistoryArchive.h"
#include "Logging.h"
#include "SettingsStore.h"
#include "SnapshotBoard.h"
#include "StatusBoard.h"
#include "StatusPage.h"

#include <QUuid>
#include <cstdio>

namespace
{

// A UniqueID is made once and kept, so that observatory software recognises the device after
// a restart or a change of port.
std::string uniqueId(SettingsStore& store, const QString& key)
{
    QString id = store.GetSetting(ConfigStore::Setup, key, QString());
    if (id.isEmpty()) {
        id = QUuid::createUuid().toString(QUuid::WithoutBraces);
        store.SaveSetting(ConfigStore::Setup, key, id);
        store.sync();
    }
    return id.toStdString();
}

// How far back the archive keeps polls: "HistoriaDias" read as the archive reads it.
double archiveReachHours(SettingsStore& store)
{
    const QString setting = store.GetSetting(ConfigStore::Setup, QStringLiteral("HistoriaDias"),
        QString::number(HistoryArchive::DefaultRetentionDays));
    return HistoryArchive::parseRetentionDays(setting).value_or(
               HistoryArchive::DefaultRetentionDays)
        * 24.0;
}

} // namespace

AlpacaService::~AlpacaService()
{
    if (m_discovery)
        m_discovery->stop();
    if (m_server)
        m_server->stop();
}

std::unique_ptr<AlpacaService> AlpacaService::start(
    const CommandLine& options, SettingsStore& store, const HistoryReader* history)
{
    int port = options.alpacaPort;
    if (port == CommandLine::AlpacaOff)
        return nullptr;
    if (port < 0) {
        // Hand-edited; absent is the default port, anything but a port number leaves it off.
        const QString stored
            = store.GetSetting(ConfigStore::Setup, QStringLiteral("Alpaca_Puerto"), QString());
        bool ok = stored.isEmpty();
        port = ok ? DefaultPort : stored.toInt(&ok);
        if (!ok || port <= 0 || port > 65535)
            return nullptr;
    }

    std::unique_ptr<AlpacaService> service(new AlpacaService);
    service->m_bind = options.alpacaBind;
    service->m_board = std::make_unique<SnapshotBoard>();
    service->m_api = std::make_unique<AlpacaApi>(*service->m_board,
        std::array<std::string, AlpacaApi::DeviceCount> {
            uniqueId(store, QStringLiteral("Alpaca_UniqueID_SafetyMonitor")),
            uniqueId(store, QStringLiteral("Alpaca_UniqueID_ObservingConditions")) },
        history, archiveReachHours(store));
    service->m_status = std::make_unique<StatusBoard>();
    service->m_page = std::make_unique<StatusPage>(*service->m_board, *service->m_status, history);
    service->m_server = std::make_unique<DeviceServer>(*service->m_api, *service->m_board);
    service->m_server->setStatusPage(service->m_page.get());
    // The server said why in the log; the polls, the data file and the window go on.
    if (!service->m_server->start(options.alpacaBind, port))
        return nullptr;

    const int discoveryPort
        = options.alpacaDiscoveryPort >= 0 ? options.alpacaDiscoveryPort : DefaultDiscoveryPort;
    if (discoveryPort > 0) {
        service->m_discovery = std::make_unique<DiscoveryResponder>();
        if (!service->m_discovery->start(options.alpacaBind, discoveryPort, service->port())) {
            // The devices still answer at their address; only finding them is lost.
            std::fprintf(
                stderr, "nubora: cannot answer Alpaca discovery on UDP port %d\n", discoveryPort);
            service->m_discovery.reset();
        }
    }
    // Last, so that whoever reads the line finds discovery answering too.
    if (port == 0) {
        std::printf("alpaca port %d\n", service->port());
        std::fflush(stdout);
    }
    return service;
}

int AlpacaService::port() const
{
    return m_server->port();
}

int AlpacaService::discoveryPort() const
{
    return m_discovery ? m_discovery->port() : -1;
}

QString AlpacaService::address() const
{
    return QStringLiteral("http://%1:%2").arg(m_bind).arg(port());
}

QString AlpacaService::pageUrl() const
{
    // Bound to every address, the server is this computer's too.
    const QString host = m_bind == QLatin1String("0.0.0.0") ? QStringLiteral("127.0.0.1") : m_bind;
    return QStringLiteral("http://%1:%2/").arg(host).arg(port());
}
