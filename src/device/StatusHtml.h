#pragma once

#include <QString>

struct DeviceSnapshot;
struct StatusView;

// The status page's pieces as HTML, in the window's Spanish texts. Each piece is replaced
// whole by the page's script after a poll.
namespace StatusHtml
{

QString safety(const DeviceSnapshot& snapshot, qint64 nowMs);
QString current(const StatusView& view);
QString forecast(const StatusView& view);
// The whole page around the pieces, its styles and script inline: one request draws it.
QString document(const QString& safety, const QString& current, const QString& forecast,
    const QString& graphs, int hours);

// Inline in document(); the page needs nothing else from any server.
extern const char* const Styles;
extern const char* const Script;

} // namespace StatusHtml
