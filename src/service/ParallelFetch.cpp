#include "ParallelFetch.h"

#include "HttpFetch.h"

#include <thread>

namespace
{

// Never throws: an exception leaving a thread would end the program.
std::optional<ParallelFetch::Answer> fetchOne(const QByteArray& url, const FetchLimits& limits)
{
    try {
        HttpFetch fetch(limits);
        std::optional<QByteArray> body = fetch.get(url);
        if (!body)
            return std::nullopt;
        return ParallelFetch::Answer { fetch.status(), std::move(*body) };
    } catch (...) {
        return std::nullopt;
    }
}

} // namespace

std::vector<std::optional<ParallelFetch::Answer>> ParallelFetch::getAll(
    const std::vector<QByteArray>& urls, const FetchLimits& limits)
{
    std::vector<std::optional<Answer>> answers(urls.size());
    if (urls.empty())
        return answers;
    // The first fetch runs on the calling thread; only the others need threads of their own.
    std::vector<std::thread> others;
    others.reserve(urls.size() - 1);
    try {
        for (std::size_t i = 1; i < urls.size(); ++i)
            others.emplace_back(
                [&answers, &urls, &limits, i] { answers[i] = fetchOne(urls[i], limits); });
    } catch (const std::system_error&) {
        // No thread to be had: the rest run one after another below.
    }
    answers[0] = fetchOne(urls[0], limits);
    for (std::thread& thread : others)
        thread.join();
    for (std::size_t i = others.size() + 1; i < urls.size(); ++i)
        answers[i] = fetchOne(urls[i], limits);
    return answers;
}
