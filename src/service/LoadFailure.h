#pragma once

#include <QString>
#include <utility>

// Why a download gave no document, as the poll log reports it.
struct LoadFailure {
    enum Kind {
        None,
        Dns,
        ConnectionRefused,
        ConnectTimeout,
        TotalTimeout,
        HttpStatus,
        BodyOverBound,
        TooManyRedirects,
        NotWellFormed,
        RefusedContent,
        Stopped,
        // The source's own refusals, made before a request is sent.
        BudgetSpent,
        NoCoordinates,
        Other,
    };

    LoadFailure() = default;
    LoadFailure(Kind kind, QString detail = QString(), QString request = QString())
        : kind(kind)
        , detail(std::move(detail))
        , request(std::move(request))
    {
    }

    Kind kind = None;
    // The HTTP status, libcurl's own message or the parser's, where there is one.
    QString detail;
    // Which of a source's requests failed ("observations", "forecast"...), where it makes
    // several for one answer; empty otherwise.
    QString request;

    // "HTTP status 500", "connect timeout (10 s)", "not well-formed: ...", after "request: "
    // where the request is named.
    QString text() const;
    // "failed load: " and the reason, or "failed load" where there is none.
    QString failedLoad() const;
};
