#include "ParallelFetch.h"

#include "HttpFetch.h"
#include "KeyMask.h"
#include "Logging.h"

#include <QElapsedTimer>
#include <thread>

namespace
{

// Never throws: an exception leaving a thread would end the program.
std::optional<ParallelFetch::Answer> fetchOne(
    const QByteArray& url, const FetchLimits& limits, LoadFailure& failure)
{
    try {
        QElapsedTimer clock;
        clock.start();
        HttpFetch fetch(limits);
        std::optional<QByteArray> body = fetch.get(url, &failure);
        qCDebug(lcFetch).noquote()
            << "GET" << KeyMask::masked(QString::fromUtf8(url)) << "in" << clock.elapsed() << "ms,"
            << (body ? QStringLiteral("status %1, %2 bytes").arg(fetch.status()).arg(body->size())
                     : failure.text());
        if (!body)
            return std::nullopt;
        return ParallelFetch::Answer { fetch.status(), std::move(*body) };
    } catch (...) {
        failure = LoadFailure { LoadFailure::Other, QStringLiteral("out of memory or threads") };
        return std::nullopt;
    }
}

} // namespace

std::vector<std::optional<ParallelFetch::Answer>> ParallelFetch::getAll(
    const std::vector<QByteArray>& urls, const FetchLimits& limits,
    std::vector<LoadFailure>* failures)
{
    std::vector<std::optional<Answer>> answers(urls.size());
    std::vector<LoadFailure> reasons(urls.size());
    if (urls.empty()) {
        if (failures)
            *failures = std::move(reasons);
        return answers;
    }
    // The first fetch runs on the calling thread; only the others need threads of their own.
    std::vector<std::thread> others;
    others.reserve(urls.size() - 1);
    try {
        for (std::size_t i = 1; i < urls.size(); ++i)
            others.emplace_back([&answers, &reasons, &urls, &limits, i] {
                answers[i] = fetchOne(urls[i], limits, reasons[i]);
            });
    } catch (const std::system_error&) {
        // No thread to be had: the rest run one after another below.
    }
    answers[0] = fetchOne(urls[0], limits, reasons[0]);
    for (std::thread& thread : others)
        thread.join();
    for (std::size_t i = others.size() + 1; i < urls.size(); ++i)
        answers[i] = fetchOne(urls[i], limits, reasons[i]);
    if (failures)
        *failures = std::move(reasons);
    return answers;
}
