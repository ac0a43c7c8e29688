// Serves the status page over a made-up week of polls, for the browser test: prints
// "port N", then serves until its standard input closes.
//
// The clock stands still; a poll ended every 5 minutes back from it for 8 days. Every 12th
// poll lacks the gust; the polls 4 h and 30 h back failed; those from 2 h to 1 h back were not
// safe ("Nublado").
#include "AlpacaApi.h"
#include "DeviceServer.h"
#include "HistoryRecords.h"
#include "SnapshotBoard.h"
#include "StatusBoard.h"
#include "StatusPage.h"

#include <QDateTime>
#include <cmath>
#include <cstdio>
#include <iostream>

namespace
{

constexpr qint64 StepMs = 5 * 60 * 1000;

PollRecord poll(qint64 nowMs, int k)
{
    PollRecord p;
    p.timeMs = nowMs - k * StepMs;
    ConditionsReadings& r = p.readings;
    r.source = QStringLiteral("WU");
    r.station = QStringLiteral("ISIMPRUEBA");
    if (k == 48 || k == 360) {
        r.outcome = ConditionsReadings::Outcome::Failed;
        p.outcome = QStringLiteral("failed load: connection refused");
        return p;
    }
    r.outcome = ConditionsReadings::Outcome::Complete;
    r.safe = !(k >= 12 && k <= 24);
    r.reasons = r.safe ? QString() : QStringLiteral("Nublado");
    p.outcome = r.safe ? QStringLiteral("safe") : "not safe: " + r.reasons;
    r.temperature = 10 + 5 * std::sin(k / 40.0);
    r.dewpoint = *r.temperature - 4;
    r.humidity = 60 + 20 * std::sin(k / 30.0);
    r.windKph = 8 + 6 * std::sin(k / 20.0);
    if (k % 12 != 0)
        r.gustKph = *r.windKph + 5;
    r.rain1hMm = k % 100 < 10 ? 0.4 : 0.0;
    r.cloudCondition = r.safe ? 1 : 3;
    r.latitude = 40.65;
    r.longitude = -3.77;
    return p;
}

class WeekOfPolls : public HistoryReader
{
public:
    explicit WeekOfPolls(qint64 nowMs)
    {
        for (int k = 8 * 288; k >= 0; --k)
            m_polls.append(poll(nowMs, k));
    }
    QList<PollRecord> polls(qint64 fromMs, qint64 toMs) const override
    {
        QList<PollRecord> out;
        for (const PollRecord& p : m_polls)
            if (p.timeMs >= fromMs && p.timeMs <= toMs)
                out.append(p);
        return out;
    }
    std::optional<HistoryMeans> means(qint64, qint64) const override { return std::nullopt; }
    std::optional<qint64> firstPollMs() const override { return m_polls.first().timeMs; }

private:
    QList<PollRecord> m_polls;
};

ConditionsPage conditionsPage()
{
    ConditionsPage page;
    page.Estacion = QStringLiteral("Colmenar Viejo");
    page.Fecha_Hora = QStringLiteral("07/12/2026 22:00");
    const char* texts[] = { "12.3", "91", "5.9", "22.0", "30.0", "Norte", "1016", "0", "0", "0",
        "10.0", "Nublado" };
    DisplayField* fields[] = { &page.T[0], &page.T[1], &page.T[2], &page.V[0], &page.V[1],
        &page.V[2], &page.P[0], &page.P[1], &page.LL[0], &page.LL[1], &page.C[0], &page.C[1] };
    for (int i = 0; i < 12; ++i)
        fields[i]->text = QString::fromLatin1(texts[i]);
    page.T[1].background = FieldColour::Red;
    page.V[0].background = FieldColour::Red;
    page.V[1].background = FieldColour::Red;
    page.C[1].background = FieldColour::Yellow;
    return page;
}

} // namespace

int main()
{
    const qint64 now = QDateTime::currentMSecsSinceEpoch() / StepMs * StepMs;
    WeekOfPolls history(now);
    SnapshotBoard board([now] { return now; });
    board.publish(poll(now, 0).readings);
    NetworkSafety safety;
    safety.addPoll(now - StepMs, poll(now, 1).readings);
    ConditionsReadings unsafe = poll(now, 0).readings;
    unsafe.safe = false;
    unsafe.reasons = QStringLiteral("Humedad alta");
    safety.addPoll(now, unsafe);
    board.publishSafety(safety);

    StatusBoard view;
    view.publishConditions(conditionsPage(), QStringLiteral("80"), QStringLiteral("15"));
    ForecastPage forecast;
    forecast.Estacion_Fct = QStringLiteral("Colmenar Viejo");
    forecast.Fecha_Fct = QStringLiteral("lunes, 7 de diciembre de 2026");
    for (int i = 0; i < ForecastPage::RowCount; ++i) {
        ForecastRow& row = forecast.rows[i];
        row.Hr_Fct.text = QStringLiteral("%1:00").arg((23 + i) % 24, 2, 10, QLatin1Char('0'));
        row.T_Fct.text = QString::number(11 - i * 0.5, 'f', 1);
        const bool wet = i < 3;
        row.H_Fct = { QString::number(wet ? 92 - i : 75),
            wet ? FieldColour::Red : FieldColour::Green, wet };
        row.V_Fct = { QStringLiteral("9"), FieldColour::Green, false };
        row.C_Fct = { wet ? QStringLiteral("Nublado") : QStringLiteral("Despejado"),
            wet ? FieldColour::Yellow : FieldColour::Green, wet };
    }
    view.publishForecast(forecast);

    AlpacaApi api(board, { "a", "b" }, &history, 24 * 8);
    StatusPage page(board, view, &history);
    DeviceServer server(api, board);
    server.setStatusPage(&page);
    if (!server.start(QStringLiteral("127.0.0.1"), 0))
        return 1;
    std::printf("port %d\n", server.port());
    std::fflush(stdout);
    std::string line;
    while (std::getline(std::cin, line)) { }
    server.stop();
    return 0;
}
