#include "DeviceServer.h"

#include "AlpacaApi.h"
#include "IndiEndpoints.h"
#include "Logging.h"
#include "SnapshotBoard.h"
#include "StatusPage.h"

#include <chrono>
#include <httplib.h>

DeviceServer::DeviceServer(AlpacaApi& api, const SnapshotBoard& board)
    : m_api(api)
    , m_board(board)
    , m_server(std::make_unique<httplib::Server>())
{
    const auto handler = [this](const httplib::Request& request, httplib::Response& response) {
        dispatch(request, response);
    };
    const std::string any = "/.*";
    m_server->Get(any, handler);
    m_server->Put(any, handler);
    m_server->Post(any, handler);
    m_server->Delete(any, handler);
    m_server->Options(any, handler);
    m_server->Patch(any, handler);
    // Clients keep their connection and ask again every second or so.
    m_server->set_keep_alive_max_count(1000);
    // Small answers on kept connections: without this each waits for the client's delayed
    // acknowledgement (some 40 ms).
    m_server->set_tcp_nodelay(true);
    m_server->set_payload_max_length(64 * 1024);
}

DeviceServer::~DeviceServer()
{
    stop();
}

bool DeviceServer::start(const QString& bindAddress, int port)
{
    const std::string host = bindAddress.toStdString();
    if (port == 0)
        m_port = m_server->bind_to_any_port(host);
    else
        m_port = m_server->bind_to_port(host, port) ? port : -1;
    if (m_port <= 0) {
        qCWarning(lcDevice) << "cannot listen on" << bindAddress << "port" << port;
        return false;
    }
    m_thread = std::thread([this] { m_server->listen_after_bind(); });
    // The socket already listens, so connections queue until the loop runs; wait for it
    // briefly all the same.
    for (int i = 0; i < 500 && !m_server->is_running(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(2));
    qCInfo(lcDevice) << "serving on" << bindAddress << "port" << m_port;
    return m_server->is_running();
}

void DeviceServer::stop()
{
    if (m_thread.joinable()) {
        m_server->stop();
        m_thread.join();
    }
}

void DeviceServer::dispatch(const httplib::Request& request, httplib::Response& response)
{
    if (IndiEndpoints::handles(request.path)) {
        const AlpacaReply reply = IndiEndpoints::answer(
            request.method, request.path, *m_board.current(), m_board.now());
        response.status = reply.status;
        response.set_content(reply.body, reply.contentType.c_str());
        return;
    }
    if (m_page && StatusPage::handles(request.path)) {
        const AlpacaReply reply = m_page->answer(request.method, request.path, request.params);
        response.status = reply.status;
        response.set_content(reply.body, reply.contentType.c_str());
        return;
    }
    AlpacaProtocol::Parameters parameters;
    if (request.method == "PUT") {
        parameters = AlpacaProtocol::parseForm(request.body);
    } else {
        for (const auto& [name, value] : request.params)
            AlpacaProtocol::addParameter(parameters, name, value);
    }
    const AlpacaReply reply = m_api.handle(request.method, request.path, parameters);
    response.status = reply.status;
    response.set_content(reply.body, reply.contentType.c_str());
    if (reply.status != 200)
        qCDebug(lcDevice) << request.method.c_str() << request.path.c_str() << reply.status;
}
