#pragma once

#include <QString>

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
        Other,
    };

    Kind kind = None;
    // The HTTP status, libcurl's own message or the parser's, where there is one.
    QString detail;

    // "HTTP status 500", "connect timeout (10 s)", "not well-formed: ..."
    QString text() const;
    // "failed load: " and the reason, or "failed load" where there is none.
    QString failedLoad() const;
};
