#include "XmlApiRoutes.h"

#include "AnswerWriter.h"
#include "Scenarios.h"
#include "XmlApiDocuments.h"

#include <QUrl>

using Scenarios::Behaviour;

namespace
{

const QByteArray xmlContentType = QByteArrayLiteral("text/xml; charset=UTF-8");

QString decoded(std::string_view raw)
{
    return QUrl::fromPercentEncoding(QByteArray(raw.data(), qsizetype(raw.size())));
}

struct ParsedTarget {
    enum Kind { Unknown, Conditions, Hourly, Geolookup } kind = Unknown;
    QString key;
    QString station;
};

// "/api/<key>/conditions/lang:SP/q/pws:<station>.xml" and its kin, from the raw target so
// that an encoded "/" stays inside the key or station.
ParsedTarget parseTarget(std::string_view target)
{
    ParsedTarget parsed;
    const std::string_view path = target.substr(0, target.find('?'));
    constexpr std::string_view api = "/api/";
    if (path.substr(0, api.size()) != api)
        return parsed;
    const std::string_view rest = path.substr(api.size());
    const size_t slash = rest.find('/');
    if (slash == std::string_view::npos)
        return parsed;
    const std::string_view tail = rest.substr(slash + 1);
    constexpr std::string_view suffix = ".xml";
    const auto stationRequest = [&](std::string_view prefix, ParsedTarget::Kind kind) {
        if (tail.size() < prefix.size() + suffix.size() || tail.substr(0, prefix.size()) != prefix
            || tail.substr(tail.size() - suffix.size()) != suffix)
            return false;
        parsed.kind = kind;
        parsed.station
            = decoded(tail.substr(prefix.size(), tail.size() - prefix.size() - suffix.size()));
        return true;
    };
    if (tail == "geolookup/q/autoip.xml")
        parsed.kind = ParsedTarget::Geolookup;
    else if (!stationRequest("conditions/lang:SP/q/pws:", ParsedTarget::Conditions)
        && !stationRequest("hourly/lang:SP/q/pws:", ParsedTarget::Hourly))
        return parsed;
    parsed.key = decoded(rest.substr(0, slash));
    return parsed;
}

SimReply xmlReply(QByteArray body, bool compressible = true)
{
    return { 200, xmlContentType, std::move(body), compressible };
}

SimReply errorReply(const QString& type, const QString& description)
{
    // The service lists no feature in an error answer.
    return xmlReply(AnswerWriter::errorAnswer({ type, description }));
}

// A maintenance page with a success status: meant to fail as XML (unclosed tags, an HTML
// entity), so only the parse can tell it is no answer.
SimReply notXmlReply()
{
    return { 200, QByteArrayLiteral("text/html; charset=UTF-8"),
        QByteArrayLiteral("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">"
                          "<title>Mantenimiento</title></head>\n<body><h1>Servicio en "
                          "mantenimiento</h1>\n<p>Vuelva a intentarlo m&aacute;s tarde.<br>"
                          "Gracias.</p>\n</body></html>\n") };
}

// Well-formed on purpose: only the status says it is a failure.
SimReply serverErrorReply()
{
    return { 500, QByteArrayLiteral("text/html; charset=UTF-8"),
        QByteArrayLiteral("<html><body><h1>500 Internal Server Error</h1></body></html>\n") };
}

SimReply answer(std::string_view target, const QDateTime& now)
{
    const ParsedTarget parsed = parseTarget(target);
    if (parsed.kind == ParsedTarget::Unknown)
        return SimReply::notFound();
    if (parsed.key.isEmpty())
        return errorReply(QStringLiteral("keynotfound"), QStringLiteral("this key does not exist"));
    if (parsed.kind == ParsedTarget::Geolookup)
        return xmlReply(XmlApiDocuments::geolookup());
    if (parsed.station.isEmpty())
        return errorReply(
            QStringLiteral("querynotfound"), QStringLiteral("No cities match your search query"));
    const Scenarios::Scenario* scenario = Scenarios::find(parsed.station);
    if (!scenario)
        return errorReply(QStringLiteral("Station:OFFLINE"),
            QStringLiteral("The station you're looking for either doesn't exist or "
                           "is simply offline right now."));
    switch (scenario->behaviour) {
    case Behaviour::ErrorAnswer:
        return errorReply(QStringLiteral("internalerror"),
            QStringLiteral("The service could not complete this request."));
    case Behaviour::NotXml:
        return notXmlReply();
    case Behaviour::ServerError:
        return serverErrorReply();
    case Behaviour::Weather:
    case Behaviour::Slow:
    case Behaviour::Huge:
        break;
    }
    // The huge answer goes out uncompressed with its full length declared, as a careless
    // server would send it; brotli at httplib's quality would also take seconds over it.
    const bool compressible = scenario->behaviour != Behaviour::Huge;
    return xmlReply(parsed.kind == ParsedTarget::Conditions
            ? XmlApiDocuments::conditions(*scenario, now)
            : XmlApiDocuments::hourly(*scenario, now),
        compressible);
}

bool requestsSlowStation(std::string_view target)
{
    const ParsedTarget parsed = parseTarget(target);
    if (parsed.kind != ParsedTarget::Conditions && parsed.kind != ParsedTarget::Hourly)
        return false;
    if (parsed.key.isEmpty())
        return false;
    const Scenarios::Scenario* scenario = Scenarios::find(parsed.station);
    return scenario && scenario->behaviour == Behaviour::Slow;
}

} // namespace

QList<SimRoute> xmlApiRoutes()
{
    return { { "/api/", answer, requestsSlowStation } };
}
