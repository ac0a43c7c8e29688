#include "WeatherService.h"

#include "HttpFetch.h"
#include "KeyMask.h"
#include "Logging.h"
#include "PollFailure.h"

#include <QElapsedTimer>
#include <QStringList>
#include <QUrl>
#include <QXmlStreamReader>
#include <utility>

namespace
{

// Far deeper than any answer of the service. The DOM parser's time grows with the square of
// the depth, so a deeply nested body of a few hundred kilobytes would block a poll for minutes.
constexpr int MaxElementDepth = 256;

QString encoded(const QString& text)
{
    return QString::fromLatin1(QUrl::toPercentEncoding(text));
}

// With no more tags than this, a body cannot nest deeper than half as many levels, which the
// DOM parser still reads in about a tenth of a second; the streaming check then is not needed.
constexpr qsizetype TagsWithoutDepthCheck = 8192;

// The DOM holds a few hundred bytes per node: this many tags stay within a few tens of
// megabytes, far more than the service's largest answer (a few thousand elements).
constexpr qsizetype MaxTags = 65536;

// The parser checks each new attribute against the earlier ones of its element, which takes
// time with the square of their number; the service's answers hold a handful of "=" in all.
constexpr qsizetype MaxEquals = 4096;

// Encodings in which every ASCII byte stands for itself, so the byte scans below read the
// body as the parser will.
bool isAsciiCompatibleEncoding(const QString& name)
{
    static const QStringList names { QStringLiteral("utf-8"), QStringLiteral("utf8"),
        QStringLiteral("us-ascii"), QStringLiteral("ascii"), QStringLiteral("iso-8859-1"),
        QStringLiteral("latin1"), QStringLiteral("iso-8859-15"), QStringLiteral("windows-1252") };
    return name.isEmpty() || names.contains(name.toLower());
}

// The service answers in UTF-8. A wide or EBCDIC body would hide its markup from the byte
// scans, and the streaming check itself is slow on some of what it could hide, so such a body
// is refused. The encoding is the one the parser takes: from its own reading of the declaration.
bool isAsciiCompatible(const QByteArray& body)
{
    if (body.contains('\0') || body.startsWith("\xFF\xFE") || body.startsWith("\xFE\xFF"))
        return false;
    QXmlStreamReader reader(body);
    if (reader.readNext() != QXmlStreamReader::StartDocument)
        return !reader.hasError();
    return isAsciiCompatibleEncoding(reader.documentEncoding().toString());
}

// Why a body is not handed to the parser; empty when it may be.
struct BodyCheck {
    enum Verdict { Plain, Refused, NotWellFormed };
    Verdict verdict = Plain;
    QString reason;
};

// The service never sends entity declarations: the parser limits each entity's expansion but
// not their total, so a one-megabyte body referencing one entity over and over would expand to
// gigabytes.
BodyCheck checkBody(const QByteArray& body)
{
    const auto refused = [](const QString& reason) {
        return BodyCheck { BodyCheck::Refused, reason };
    };
    // In an ASCII-compatible body every entity declaration is spelled "<!ENTITY", every tag
    // starts with "<" and every attribute holds a "=". These byte scans cost far less than the
    // parse itself; the streaming pass is kept for the depth of a body with many tags.
    if (!isAsciiCompatible(body))
        return refused(QStringLiteral("not an ASCII-compatible encoding"));
    if (body.contains("<!ENTITY"))
        return refused(QStringLiteral("entity declarations"));
    const qsizetype tags = body.count('<');
    if (tags > MaxTags)
        return refused(QStringLiteral("over %1 tags").arg(MaxTags));
    if (body.count('=') > MaxEquals)
        return refused(QStringLiteral("over %1 attributes").arg(MaxEquals));
    if (tags <= TagsWithoutDepthCheck)
        return {};

    QXmlStreamReader reader(body);
    int depth = 0;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
        case QXmlStreamReader::DTD:
            if (!reader.entityDeclarations().isEmpty())
                return refused(QStringLiteral("entity declarations"));
            break;
        case QXmlStreamReader::StartElement:
            if (++depth > MaxElementDepth)
                return refused(QStringLiteral("nesting over %1 levels").arg(MaxElementDepth));
            break;
        case QXmlStreamReader::EndElement:
            --depth;
            break;
        default:
            break;
        }
    }
    if (reader.hasError())
        return { BodyCheck::NotWellFormed, reader.errorString() };
    return {};
}

} // namespace

WeatherService::WeatherService(QString baseUrl, FetchLimits limits)
    : m_baseUrl(std::move(baseUrl))
    , m_limits(limits)
{
}

QString WeatherService::BuildRequestUrl(
    RequestKind kind, const QString& apiKey, const QString& station) const
{
    const QString head = m_baseUrl + QLatin1String("/api/") + encoded(apiKey);
    switch (kind) {
    case Conditions:
        return head + QLatin1String("/conditions/lang:SP/q/pws:") + encoded(station)
            + QLatin1String(".xml");
    case Hourly:
        return head + QLatin1String("/hourly/lang:SP/q/pws:") + encoded(station)
            + QLatin1String(".xml");
    case Geolookup:
        return head + QLatin1String("/geolookup/q/autoip.xml");
    }
    return QString();
}

std::optional<QDomDocument> WeatherService::requestDocument(
    RequestKind kind, const QString& apiKey, const QString& station) const
{
    m_lastFailure = LoadFailure();
    return LoadDocument(BuildRequestUrl(kind, apiKey, station), &m_lastFailure);
}

std::optional<QDomDocument> WeatherService::LoadDocument(
    const QString& url, LoadFailure* failure) const
{
    QElapsedTimer clock;
    clock.start();
    const std::optional<QByteArray> body = HttpFetch(m_limits).get(url.toUtf8(), failure);
    qCDebug(lcFetch).noquote() << "GET" << KeyMask::masked(url) << "in" << clock.elapsed() << "ms,"
                               << (body ? body->size() : 0) << "bytes";
    if (!body)
        return std::nullopt;
    return parseDocument(*body, failure);
}

std::optional<QDomDocument> WeatherService::parseDocument(
    const QByteArray& body, LoadFailure* failure)
{
    const auto fail = [failure](LoadFailure::Kind kind, const QString& detail) {
        if (failure)
            *failure = LoadFailure { kind, detail };
        return std::nullopt;
    };
    if (body.isEmpty())
        return fail(LoadFailure::NotWellFormed, QStringLiteral("empty answer"));
    const BodyCheck check = checkBody(body);
    if (check.verdict == BodyCheck::Refused)
        return fail(LoadFailure::RefusedContent, check.reason);
    if (check.verdict == BodyCheck::NotWellFormed)
        return fail(LoadFailure::NotWellFormed, check.reason);
    QDomDocument document;
    QString message;
    int line = 0;
    int column = 0;
    if (!document.setContent(body, &message, &line, &column)) {
        if (message.endsWith(QLatin1Char('.')))
            message.chop(1);
        return fail(LoadFailure::NotWellFormed,
            QStringLiteral("%1 at line %2, column %3").arg(message).arg(line).arg(column));
    }
    return document;
}

QDomNodeList WeatherService::ElementsByTagName(const QDomDocument& document, const QString& name)
{
    return document.elementsByTagName(name);
}

QDomNode WeatherService::ItemAt(const QDomNodeList& list, int position)
{
    if (position < 0 || position >= list.count())
        return QDomNode();
    return list.item(position);
}

// QDomDocument drops whitespace-only text between elements when it parses, so the stored
// child positions already count the way the service's answers are read.
QDomNode WeatherService::ChildAt(const QDomNode& node, int position)
{
    if (node.isNull())
        throw PollFailure("child read through a missing node");
    const QDomNodeList children = node.childNodes();
    if (position < 0 || position >= children.count())
        return QDomNode();
    return children.item(position);
}

QString WeatherService::NodeText(const QDomNode& node)
{
    if (node.isNull())
        throw PollFailure("text read through a missing node");
    const QDomNode first = node.firstChild();
    // An element in first place has no value of its own; it is not the text that was asked for.
    if (first.isNull() || first.isElement())
        throw PollFailure("text read from an element without text");
    return first.nodeValue();
}

bool WeatherService::HasErrorElement(const QDomDocument& document)
{
    return !ElementsByTagName(document, QStringLiteral("error")).isEmpty();
}

QString WeatherService::errorDescription(const QDomDocument& document)
{
    const QDomElement error
        = ElementsByTagName(document, QStringLiteral("error")).item(0).toElement();
    const QString description
        = error.firstChildElement(QStringLiteral("description")).text().trimmed();
    const QString type = error.firstChildElement(QStringLiteral("type")).text().trimmed();
    if (description.isEmpty())
        return type.isEmpty() ? QStringLiteral("no description") : type;
    return type.isEmpty() ? description
                          : description + QStringLiteral(" (") + type + QLatin1Char(')');
}
