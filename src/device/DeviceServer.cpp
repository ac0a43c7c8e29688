#include "DeviceServer.h"

#include "AlpacaApi.h"
#include "IndiEndpoints.h"
#include "Logging.h"
#include "SnapshotBoard.h"
#include "StatusPage.h"

#include <arpa/inet.h>
#include <cstring>
#include <microhttpd.h>
#include <netinet/in.h>

namespace
{

// What a connection gathers of its request until the request is whole.
struct Pending {
    std::string body;
    bool tooLarge = false;
};

MHD_Result collect(void* target, MHD_ValueKind, const char* key, const char* value)
{
    static_cast<DeviceServer::Query*>(target)->emplace(key, value ? value : "");
    return MHD_YES;
}

MHD_Result send(
    MHD_Connection* connection, const AlpacaReply& reply, const std::string& warning = {})
{
    MHD_Response* response = MHD_create_response_from_buffer(
        reply.body.size(), const_cast<char*>(reply.body.data()), MHD_RESPMEM_MUST_COPY);
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, reply.contentType.c_str());
    if (!warning.empty())
        MHD_add_response_header(
            response, MHD_HTTP_HEADER_WARNING, ("199 nubora \"" + warning + '"').c_str());
    const MHD_Result queued = MHD_queue_response(connection, unsigned(reply.status), response);
    MHD_destroy_response(response);
    return queued;
}

MHD_Result onRequest(void* server, MHD_Connection* connection, const char* url, const char* method,
    const char*, const char* upload, size_t* uploadSize, void** state)
{
    if (!*state) { // the headers only: the body, if any, follows
        *state = new Pending;
        return MHD_YES;
    }
    auto* pending = static_cast<Pending*>(*state);
    if (*uploadSize) {
        pending->tooLarge
            = pending->tooLarge || pending->body.size() + *uploadSize > DeviceServer::MaxBody;
        if (!pending->tooLarge)
            pending->body.append(upload, *uploadSize);
        *uploadSize = 0;
        return MHD_YES;
    }
    if (pending->tooLarge)
        return send(connection, AlpacaReply { 413, "text/plain", "Payload Too Large\n" });
    DeviceServer::Query query;
    MHD_get_connection_values(connection, MHD_GET_ARGUMENT_KIND, &collect, &query);
    std::string warning;
    const AlpacaReply reply = static_cast<const DeviceServer*>(server)->dispatch(
        method, url, query, pending->body, &warning);
    return send(connection, reply, warning);
}

void onCompleted(void*, MHD_Connection*, void** state, MHD_RequestTerminationCode)
{
    delete static_cast<Pending*>(*state);
    *state = nullptr;
}

} // namespace

DeviceServer::DeviceServer(AlpacaApi& api, const SnapshotBoard& board)
    : m_api(api)
    , m_board(board)
{
}

DeviceServer::~DeviceServer()
{
    stop();
}

bool DeviceServer::start(const QString& bindAddress, int port)
{
    sockaddr_in address {};
    address.sin_family = AF_INET;
    address.sin_port = htons(quint16(port));
    if (inet_pton(AF_INET, bindAddress.toLatin1().constData(), &address.sin_addr) != 1) {
        qCWarning(lcDevice) << "cannot listen on" << bindAddress << "port" << port;
        return false;
    }
    // Each worker waits on its share of the connections with epoll and answers them in turn;
    // over a cap, a new connection is closed as soon as it is accepted.
    m_daemon = MHD_start_daemon(MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL, 0, nullptr,
        nullptr, &onRequest, this, MHD_OPTION_SOCK_ADDR, &address, MHD_OPTION_THREAD_POOL_SIZE,
        Workers, MHD_OPTION_CONNECTION_LIMIT, MaxConnections, MHD_OPTION_PER_IP_CONNECTION_LIMIT,
        MaxPerAddress, MHD_OPTION_CONNECTION_TIMEOUT, IdleSeconds, MHD_OPTION_NOTIFY_COMPLETED,
        &onCompleted, nullptr, MHD_OPTION_END);
    if (!m_daemon) {
        qCWarning(lcDevice).noquote()
            << QStringLiteral("cannot listen on %1 port %2 (in use?): going on without the "
                              "network devices and the status page")
                   .arg(bindAddress)
                   .arg(port);
        return false;
    }
    m_port = MHD_get_daemon_info(m_daemon, MHD_DAEMON_INFO_BIND_PORT)->port;
    qCInfo(lcDevice) << "serving on" << bindAddress << "port" << m_port;
    return true;
}

void DeviceServer::stop()
{
    if (m_daemon) {
        MHD_stop_daemon(m_daemon);
        m_daemon = nullptr;
    }
}

AlpacaReply DeviceServer::dispatch(const std::string& method, const std::string& path,
    const Query& query, const std::string& body, std::string* warning) const
{
    if (IndiEndpoints::handles(path))
        return IndiEndpoints::answer(method, path, *m_board.current(), m_board.now());
    if (m_page && StatusPage::handles(path))
        return m_page->answer(method, path, query, warning);
    AlpacaProtocol::Parameters parameters;
    if (method == "PUT") {
        parameters = AlpacaProtocol::parseForm(body);
    } else {
        for (const auto& [name, value] : query)
            AlpacaProtocol::addParameter(parameters, name, value);
    }
    AlpacaReply reply = m_api.handle(method, path, parameters);
    if (reply.status != 200)
        qCDebug(lcDevice) << method.c_str() << path.c_str() << reply.status;
    return reply;
}
