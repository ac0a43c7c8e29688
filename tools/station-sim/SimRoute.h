#pragma once

#include <QByteArray>
#include <QDateTime>
#include <functional>
#include <string>
#include <string_view>

// One answer of the simulator, before HTTP.
struct SimReply {
    int status = 200;
    QByteArray contentType;
    QByteArray body;
    // Served with the compression the client accepts; otherwise as is, length declared.
    bool compressible = true;

    static SimReply notFound()
    {
        return { 404, QByteArrayLiteral("text/plain; charset=UTF-8"),
            QByteArrayLiteral("Not Found\n") };
    }
};

// The requests of one path pattern of a simulated service. A source of answers (the XML API,
// another service) contributes its routes to the simulator's table.
struct SimRoute {
    // The route takes every path that starts with this (query aside); its answer says which
    // of them it does not know.
    std::string pathPrefix;
    // The answer to a raw request target (path and query, still percent-encoded) at the
    // simulator's time (UTC).
    std::function<SimReply(std::string_view target, const QDateTime& now)> answer;
    // Whether the request is kept waiting first, as the slow station is; may be empty.
    std::function<bool(std::string_view target)> waits;
};
