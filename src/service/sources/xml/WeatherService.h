#pragma once

#include "FetchLimits.h"
#include "LoadFailure.h"

#include <QDomDocument>
#include <QDomNode>
#include <QDomNodeList>
#include <QString>
#include <optional>

// Request addresses of the XML weather service, the one blocking fetch-and-parse, and the
// element access its answers are read with (XmlAnswers). XmlSource makes it a source.
class WeatherService
{
public:
    using FetchLimits = ::FetchLimits;
    enum RequestKind { Conditions, Hourly, Geolookup };

    static QString defaultBaseUrl() { return QStringLiteral("http://api.wunderground.com"); }

    explicit WeatherService(QString baseUrl = defaultBaseUrl(), FetchLimits limits = {});
    virtual ~WeatherService() = default;

    QString baseUrl() const { return m_baseUrl; }
    FetchLimits limits() const { return m_limits; }

    // Plain concatenation of the address pieces. Key and station are percent-encoded outside
    // the URL-unreserved characters, so typed text cannot change host, path or query.
    QString BuildRequestUrl(RequestKind kind, const QString& apiKey, const QString& station) const;

    // LoadDocument of the address BuildRequestUrl gives.
    std::optional<QDomDocument> requestDocument(
        RequestKind kind, const QString& apiKey, const QString& station) const;
    // Why the last request gave no document.
    LoadFailure lastFailure() const { return m_lastFailure; }

    // One blocking GET on the calling thread, then the parse. Nothing when the fetch fails,
    // the status is not 2xx, a bound is exceeded or the body is not well-formed XML; the
    // reason goes to `failure` when one is given. Virtual so that benchmarks can measure
    // everything but the download.
    virtual std::optional<QDomDocument> LoadDocument(
        const QString& url, LoadFailure* failure = nullptr) const;
    // The parse alone, with the same refusals (not well-formed, entity declarations, depth).
    static std::optional<QDomDocument> parseDocument(
        const QByteArray& body, LoadFailure* failure = nullptr);

    // Every element of that exact name, in document order.
    static QDomNodeList ElementsByTagName(const QDomDocument& document, const QString& name);
    // A null node when the position is outside the list.
    static QDomNode ItemAt(const QDomNodeList& list, int position);
    // A null node when the position is past the last child; throws PollFailure when read
    // through a null node. Whitespace-only text between elements is not a child.
    static QDomNode ChildAt(const QDomNode& node, int position);
    // The value of the node's first child; throws PollFailure for a null node or an element
    // without children. Never an empty text in place of a missing one.
    static QString NodeText(const QDomNode& node);
    static bool HasErrorElement(const QDomDocument& document);
    // The description (and type) inside the first error marker, for the log.
    static QString errorDescription(const QDomDocument& document);

private:
    QString m_baseUrl;
    FetchLimits m_limits;
    // Only the polls' thread requests documents.
    mutable LoadFailure m_lastFailure;
};
