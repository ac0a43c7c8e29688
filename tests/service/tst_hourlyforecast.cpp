#include "ConfigPage.h"
#include "HourlyDocument.h"
#include "HourlyForecast.h"
#include "LoopbackServer.h"
#include "NumberConversion.h"
#include "XmlAnswers.h"
#include "XmlSource.h"

#include <QDomDocument>
#include <QLocale>
#include <QStringList>
#include <QTest>
#include <httplib.h>
#include <mutex>

namespace
{

const QString Caption = QStringLiteral("Estación: Tres Cantos, Madrid");

enum class Outcome { Unchanged, Filled, Cleared };

// What the forecast's effects would do to a window, in the order they happen.
struct RecordingHost {
    QStringList events;
    void apply(const PollEffects& effects)
    {
        if (effects.lockTimerStopped)
            events << QStringLiteral("stopLockTimer");
        if (effects.loaded)
            events << QStringLiteral("lockButtons");
        if (effects.caption)
            events << "caption " + *effects.caption;
    }
};

HourlyAnswer parse(const QByteArray& xml)
{
    QDomDocument document;
    if (!document.setContent(xml))
        qFatal("test document does not parse");
    return XmlAnswers::hourly(document);
}

// One line per cell state so that a mismatch shows exactly which cell differs.
QString describe(const DisplayField& field)
{
    return QStringLiteral("'%1' %2%3")
        .arg(field.text, QLatin1String(colourName(field.background)),
            field.bold ? QStringLiteral(" bold") : QString());
}

QString describe(const ForecastRow& row)
{
    return QStringList { describe(row.Hr_Fct), describe(row.T_Fct), describe(row.H_Fct),
        describe(row.V_Fct), describe(row.C_Fct) }
        .join(QStringLiteral(" | "));
}

QString describe(const ForecastPage& page)
{
    QStringList lines { page.Estacion_Fct, page.Fecha_Fct };
    for (const ForecastRow& row : page.rows)
        lines << describe(row);
    return lines.join(QLatin1Char('\n'));
}

// A page left by an earlier update, with texts no answer holds.
ForecastPage stalePage(bool hBold = true, bool vBold = true, bool cBold = true)
{
    ForecastPage page;
    page.Estacion_Fct = QStringLiteral("Estación: antes");
    page.Fecha_Fct = QStringLiteral("sábado, 14 de mar de 2026");
    for (int i = 0; i < ForecastPage::RowCount; ++i) {
        ForecastRow& row = page.rows[i];
        row.Hr_Fct = { QStringLiteral("old %1").arg(i), FieldColour::Grey, false };
        row.T_Fct = { QStringLiteral("oldT"), FieldColour::Grey, false };
        row.H_Fct = { QStringLiteral("oldH"), FieldColour::Grey, hBold };
        row.V_Fct = { QStringLiteral("oldV"), FieldColour::Grey, vBold };
        row.C_Fct = { QStringLiteral("oldC"), FieldColour::Grey, cBold };
    }
    return page;
}

// The row an entry gives when its evaluation runs to the end, before colour and bold marks.
ForecastRow textsOf(const HourlyEntry& e, const ForecastRow& before)
{
    ForecastRow row = before;
    row.Hr_Fct.text = e.hourPadded + ":" + e.min;
    row.T_Fct.text = e.temperature;
    row.H_Fct.text = e.humidity;
    row.V_Fct.text = e.wind;
    row.C_Fct.text = e.condition;
    return row;
}

ForecastRow greenRow(const HourlyEntry& e, const ForecastRow& before)
{
    ForecastRow row = textsOf(e, before);
    row.Hr_Fct.background = FieldColour::Green;
    row.H_Fct.bold = row.V_Fct.bold = row.C_Fct.bold = false;
    return row;
}

ConfigPage config(const QString& humedadAlta = QStringLiteral("80"),
    const QString& limiteViento = QStringLiteral("15"))
{
    ConfigPage page;
    page.API_key = QStringLiteral("KEY");
    page.Estacion_ID.items = { QStringLiteral("ITEST1") };
    page.Estacion_ID.select(0);
    page.HumedadAlta = humedadAlta;
    page.LimiteViento = limiteViento;
    return page;
}

void fillPage(const HourlyDocument& document, const ConfigPage& cfg, ForecastPage& page,
    const QString& separator = QStringLiteral("."))
{
    HourlyForecast::fill(parse(document.toXml()), cfg, Caption, separator, page);
}

} // namespace

class TestHourlyForecast : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { m_systemLocale = QLocale(); }
    void init() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }
    void cleanup() { QLocale::setDefault(m_systemLocale); }

    void fillsRowsInServiceOrder_data();
    void fillsRowsInServiceOrder();
    void colourAndBoldMarks_data();
    void colourAndBoldMarks();
    void decimalSeparator_data();
    void decimalSeparator();
    void errorMarkerClearsThePage_data();
    void errorMarkerClearsThePage();
    void fewerThanTenEntries_data();
    void fewerThanTenEntries();
    void nothingChangesWithoutADate_data();
    void nothingChangesWithoutADate();
    void entryLackingAPosition_data();
    void entryLackingAPosition();
    void humidityThatDoesNotConvert_data();
    void humidityThatDoesNotConvert();
    void windThatDoesNotConvert_data();
    void windThatDoesNotConvert();
    void requestCycle_data();
    void requestCycle();

private:
    QLocale m_systemLocale;
};

void TestHourlyForecast::fillsRowsInServiceOrder_data()
{
    QTest::addColumn<bool>("indent");
    QTest::newRow("indented") << true;
    QTest::newRow("one line") << false;
}

void TestHourlyForecast::fillsRowsInServiceOrder()
{
    QFETCH(bool, indent);
    HourlyDocument document = HourlyDocument::withEntries(12);
    document.indent = indent;
    for (int i = 0; i < 12; ++i) {
        HourlyEntry& e = document.entries[i];
        e.temperature = QStringLiteral("%1.5").arg(10 - i);
        e.humidity = QString::number(50 + i);
        e.wind = QString::number(i + 1);
    }
    // Entries after the tenth are not shown.
    document.entries[10].wind = QStringLiteral("99");
    document.entries[11].condition = QStringLiteral("Tormenta");
    // Hour and temperature cells are never made bold or unbold by the update.
    ForecastPage page = stalePage();
    for (ForecastRow& row : page.rows)
        row.Hr_Fct.bold = row.T_Fct.bold = true;
    const ForecastPage before = page;

    fillPage(document, config(), page);

    // The date follows entry 0 only, though rows 4 to 9 fall on the Monday.
    QCOMPARE(page.Fecha_Fct, QStringLiteral("domingo, 15 de mar de 2026"));
    QCOMPARE(page.Estacion_Fct, Caption);
    for (int i = 0; i < 10; ++i)
        QCOMPARE(describe(page.rows[i]), describe(greenRow(document.entries[i], before.rows[i])));
    // After midnight the hour cell shows the padded hour the service gives.
    QCOMPARE(page.rows[4].Hr_Fct.text, QStringLiteral("00:00"));
    QCOMPARE(page.rows[9].Hr_Fct.text, QStringLiteral("05:00"));
}

void TestHourlyForecast::colourAndBoldMarks_data()
{
    QTest::addColumn<QString>("humidity");
    QTest::addColumn<QString>("wind");
    QTest::addColumn<QString>("sky");
    QTest::addColumn<bool>("cieloChecksTicked");
    QTest::addColumn<FieldColour>("colour");
    QTest::addColumn<QString>("boldCells"); // H, V, C: which of these end bold

    const auto add = [](const char* name, const QString& humidity, const QString& wind,
                         const QString& sky, FieldColour colour, const QString& boldCells,
                         bool cieloChecksTicked = false) {
        QTest::newRow(name) << humidity << wind << sky << cieloChecksTicked << colour << boldCells;
    };
    const QString clear = QStringLiteral("Despejado");
    const QString partly = QStringLiteral("Parcialmente nublado");
    const QString scattered = QStringLiteral("Nubes dispersas");
    using C = FieldColour;
    add("all below, clear", "60", "10", clear, C::Green, "");
    add("both just below", "79.9", "14.9", clear, C::Green, "");
    add("humidity over", "85", "10", clear, C::Yellow, "H");
    add("humidity at limit", "80", "10", clear, C::Yellow, "H");
    add("wind over", "60", "20", clear, C::Red, "V");
    add("wind at limit", "60", "15", clear, C::Red, "V");
    add("wind at limit, partly cloudy, humid", "85", "15", partly, C::Red, "HVC");
    add("partly cloudy", "60", "10", partly, C::Yellow, "C");
    add("partly cloudy, Cielo_Check ticked", "60", "10", partly, C::Yellow, "C", true);
    add("scattered clouds, humid", "85", "10", scattered, C::Yellow, "HC");
    add("other sky", "60", "10", "Nublado", C::Red, "C");
    add("other sky, humid", "85", "10", "Lluvia", C::Red, "HC");
    add("clear sky in lower case", "60", "10", "despejado", C::Red, "C");
    add("clear sky with a blank", "60", "10", "Despejado ", C::Red, "C");
}

void TestHourlyForecast::colourAndBoldMarks()
{
    QFETCH(QString, humidity);
    QFETCH(QString, wind);
    QFETCH(QString, sky);
    QFETCH(bool, cieloChecksTicked);
    QFETCH(FieldColour, colour);
    QFETCH(QString, boldCells);

    HourlyDocument document = HourlyDocument::withEntries(10);
    for (HourlyEntry& e : document.entries) {
        e.humidity = humidity;
        e.wind = wind;
        e.condition = sky;
    }
    ConfigPage cfg = config();
    if (cieloChecksTicked)
        cfg.Cielo_Check = { 1, 1 };

    // From both earlier bold states, so that each mark is seen being written either way.
    for (const bool earlierBold : { false, true }) {
        ForecastPage page = stalePage(earlierBold, earlierBold, earlierBold);
        fillPage(document, cfg, page);
        for (const ForecastRow& row : page.rows) {
            QCOMPARE(row.Hr_Fct.background, colour);
            QCOMPARE(row.H_Fct.bold, boldCells.contains(QLatin1Char('H')));
            QCOMPARE(row.V_Fct.bold, boldCells.contains(QLatin1Char('V')));
            QCOMPARE(row.C_Fct.bold, boldCells.contains(QLatin1Char('C')));
            QCOMPARE(row.C_Fct.text, sky);
        }
    }
}

void TestHourlyForecast::decimalSeparator_data()
{
    QTest::addColumn<QLocale>("locale");
    QTest::addColumn<QStringList>("values"); // temperature, humidity, wind as the service writes
    QTest::addColumn<QStringList>("limits"); // HumedadAlta, LimiteViento
    QTest::addColumn<QStringList>("shown");
    QTest::addColumn<FieldColour>("colour");

    const QLocale english(QLocale::English, QLocale::UnitedStates);
    const QLocale spanish(QLocale::Spanish, QLocale::Spain);
    const auto add = [](const char* name, const QLocale& locale, const QStringList& values,
                         const QStringList& limits, const QStringList& shown, FieldColour colour) {
        QTest::newRow(name) << locale << values << limits << shown << colour;
    };
    using C = FieldColour;
    add("point locale", english, { "12.5", "80.5", "14.9" }, { "80.5", "15" },
        { "12.5", "80.5", "14.9" }, C::Yellow);
    add("comma locale", spanish, { "12.5", "80.5", "14.9" }, { "80,5", "15" },
        { "12,5", "80,5", "14,9" }, C::Yellow);
    add("comma limit, humidity below", spanish, { "12.5", "80.4", "14.9" }, { "80,5", "15" },
        { "12,5", "80,4", "14,9" }, C::Green);
    add("comma limit, humidity above", spanish, { "-3.25", "80.6", "3" }, { "80,5", "15" },
        { "-3,25", "80,6", "3" }, C::Yellow);
    add("comma limit, wind at limit", spanish, { "12", "60", "14.9" }, { "80", "14,9" },
        { "12", "60", "14,9" }, C::Red);
    add("comma limit, wind just below", spanish, { "12", "60", "14.8" }, { "80", "14,9" },
        { "12", "60", "14,8" }, C::Green);
}

void TestHourlyForecast::decimalSeparator()
{
    QFETCH(QLocale, locale);
    QFETCH(QStringList, values);
    QFETCH(QStringList, limits);
    QFETCH(QStringList, shown);
    QFETCH(FieldColour, colour);

    QLocale::setDefault(locale);
    HourlyDocument document = HourlyDocument::withEntries(10);
    for (HourlyEntry& e : document.entries) {
        e.temperature = values.at(0);
        e.humidity = values.at(1);
        e.wind = values.at(2);
    }
    ForecastPage page = stalePage();
    fillPage(
        document, config(limits.at(0), limits.at(1)), page, NumberConversion::DecimalSeparator());

    for (const ForecastRow& row : page.rows) {
        QCOMPARE((QStringList { row.T_Fct.text, row.H_Fct.text, row.V_Fct.text }), shown);
        QCOMPARE(row.Hr_Fct.background, colour);
    }
}

void TestHourlyForecast::errorMarkerClearsThePage_data()
{
    QTest::addColumn<QByteArray>("xml");
    QTest::newRow("error answer") << HourlyDocument::errorAnswer();
    HourlyDocument withEntries = HourlyDocument::withEntries(10);
    withEntries.nestedError = true;
    withEntries.indent = false;
    QTest::newRow("error nested among the entries") << withEntries.toXml();
}

void TestHourlyForecast::errorMarkerClearsThePage()
{
    QFETCH(QByteArray, xml);
    ForecastPage page = stalePage();
    for (int i = 0; i < ForecastPage::RowCount; ++i) {
        ForecastRow& row = page.rows[i];
        row.Hr_Fct.background = FieldColour::Green;
        row.H_Fct.bold = i % 2 == 0;
        row.V_Fct.bold = i % 3 == 0;
        row.C_Fct.bold = i % 2 == 1;
        row.H_Fct.background = FieldColour::Yellow;
    }
    const ForecastPage before = page;

    HourlyForecast::fill(parse(xml), config(), Caption, QStringLiteral("."), page);

    QVERIFY(page.Estacion_Fct.isEmpty() && page.Fecha_Fct.isEmpty());
    for (int i = 0; i < ForecastPage::RowCount; ++i) {
        const ForecastRow& row = page.rows[i];
        const ForecastRow& old = before.rows[i];
        for (const DisplayField* cell :
            { &row.Hr_Fct, &row.T_Fct, &row.H_Fct, &row.V_Fct, &row.C_Fct })
            QVERIFY(cell->text.isEmpty());
        QCOMPARE(row.Hr_Fct.background, FieldColour::Red);
        // Bold marks and the other cells' colours stay as the previous update left them.
        QCOMPARE(row.H_Fct.bold, old.H_Fct.bold);
        QCOMPARE(row.V_Fct.bold, old.V_Fct.bold);
        QCOMPARE(row.C_Fct.bold, old.C_Fct.bold);
        QCOMPARE(row.H_Fct.background, old.H_Fct.background);
    }
}

void TestHourlyForecast::fewerThanTenEntries_data()
{
    QTest::addColumn<int>("n");
    QTest::newRow("one") << 1;
    QTest::newRow("five") << 5;
    QTest::newRow("nine") << 9;
}

void TestHourlyForecast::fewerThanTenEntries()
{
    QFETCH(int, n);
    const HourlyDocument document = HourlyDocument::withEntries(n);
    ForecastPage page = stalePage();
    const ForecastPage before = page;

    fillPage(document, config(), page);

    QCOMPARE(page.Fecha_Fct, QStringLiteral("domingo, 15 de mar de 2026"));
    QCOMPARE(page.Estacion_Fct, Caption);
    for (int i = 0; i < n; ++i)
        QCOMPARE(describe(page.rows[i]), describe(greenRow(document.entries[i], before.rows[i])));
    ForecastRow reached = before.rows[n];
    reached.Hr_Fct.background = FieldColour::Red;
    QCOMPARE(describe(page.rows[n]), describe(reached));
    for (int i = n + 1; i < ForecastPage::RowCount; ++i)
        QCOMPARE(describe(page.rows[i]), describe(before.rows[i]));
}

void TestHourlyForecast::nothingChangesWithoutADate_data()
{
    QTest::addColumn<QByteArray>("xml");

    QTest::newRow("no forecast entry") << HourlyDocument::withEntries(0).toXml();
    HourlyDocument document = HourlyDocument::withEntries(10);
    document.entries[0].timeChildren = 18;
    QTest::newRow("entry 0 without the weekday position") << document.toXml();
    document = HourlyDocument::withEntries(10);
    document.entries[0].mday = HourlyDocument::empty();
    document.indent = false;
    QTest::newRow("entry 0 with an empty day of month") << document.toXml();
    document = HourlyDocument::withEntries(10);
    document.entries[0].entryChildren = 0;
    QTest::newRow("entry 0 empty") << document.toXml();
}

void TestHourlyForecast::nothingChangesWithoutADate()
{
    QFETCH(QByteArray, xml);
    ForecastPage page = stalePage();
    const ForecastPage before = page;

    HourlyForecast::fill(parse(xml), config(), Caption, QStringLiteral("."), page);

    QCOMPARE(describe(page), describe(before));
}

void TestHourlyForecast::entryLackingAPosition_data()
{
    QTest::addColumn<int>("entryChildren");
    QTest::addColumn<QString>("temperature");
    QTest::addColumn<QString>("condition");
    QTest::addColumn<int>("cellsWritten"); // of Hr, T, H, V, C in that order

    const QString empty = HourlyDocument::empty();
    const QString clear = QStringLiteral("Despejado");
    const QString temperature = QStringLiteral("12.5");
    QTest::newRow("no humidity position") << 12 << temperature << clear << 2;
    QTest::newRow("empty temperature") << 20 << empty << clear << 1;
    QTest::newRow("empty sky") << 20 << temperature << empty << 4;
}

void TestHourlyForecast::entryLackingAPosition()
{
    QFETCH(int, entryChildren);
    QFETCH(QString, temperature);
    QFETCH(QString, condition);
    QFETCH(int, cellsWritten);

    HourlyDocument document = HourlyDocument::withEntries(10);
    HourlyEntry& broken = document.entries[3];
    broken.entryChildren = entryChildren;
    broken.temperature = temperature;
    broken.condition = condition;
    ForecastPage page = stalePage();
    const ForecastPage before = page;

    fillPage(document, config(), page);

    for (int i = 0; i < 3; ++i)
        QCOMPARE(describe(page.rows[i]), describe(greenRow(document.entries[i], before.rows[i])));
    ForecastRow expected = before.rows[3];
    expected.Hr_Fct.background = FieldColour::Red;
    const ForecastRow written = textsOf(broken, before.rows[3]);
    DisplayField ForecastRow::*const cells[] = { &ForecastRow::Hr_Fct, &ForecastRow::T_Fct,
        &ForecastRow::H_Fct, &ForecastRow::V_Fct, &ForecastRow::C_Fct };
    for (int c = 0; c < cellsWritten; ++c)
        (expected.*cells[c]).text = (written.*cells[c]).text;
    QCOMPARE(describe(page.rows[3]), describe(expected));
    for (int i = 4; i < ForecastPage::RowCount; ++i)
        QCOMPARE(describe(page.rows[i]), describe(before.rows[i]));
}

void TestHourlyForecast::humidityThatDoesNotConvert_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("humidity");
    QTest::addColumn<QString>("humedadAlta");

    const auto add
        = [](const char* name, int row, const QString& humidity, const QString& humedadAlta) {
              QTest::newRow(name) << row << humidity << humedadAlta;
          };
    add("humidity value", 2, "--", "80");
    add("HumedadAlta text", 0, "60", "alta");
    add("empty HumedadAlta", 0, "60", "");
}

void TestHourlyForecast::humidityThatDoesNotConvert()
{
    QFETCH(int, row);
    QFETCH(QString, humidity);
    QFETCH(QString, humedadAlta);

    HourlyDocument document = HourlyDocument::withEntries(10);
    document.entries[row].humidity = humidity;
    ForecastPage page = stalePage();
    const ForecastPage before = page;

    fillPage(document, config(humedadAlta), page);

    for (int i = 0; i < row; ++i)
        QCOMPARE(describe(page.rows[i]), describe(greenRow(document.entries[i], before.rows[i])));
    ForecastRow expected = textsOf(document.entries[row], before.rows[row]);
    expected.Hr_Fct.background = FieldColour::Red;
    QCOMPARE(describe(page.rows[row]), describe(expected));
    for (int i = row + 1; i < ForecastPage::RowCount; ++i)
        QCOMPARE(describe(page.rows[i]), describe(before.rows[i]));
}

void TestHourlyForecast::windThatDoesNotConvert_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QString>("wind");
    QTest::addColumn<QString>("limiteViento");
    QTest::addColumn<QString>("humidity");
    QTest::addColumn<QString>("sky");
    QTest::addColumn<FieldColour>("colour");
    QTest::addColumn<QString>("boldCells"); // H, C: which of these end bold

    const auto add = [](const char* name, int row, const QString& wind, const QString& limiteViento,
                         const QString& humidity, const QString& sky, FieldColour colour,
                         const QString& boldCells) {
        QTest::newRow(name) << row << wind << limiteViento << humidity << sky << colour
                            << boldCells;
    };
    using C = FieldColour;
    add("wind value, humid and partly cloudy", 2, "calma", "15", "85", "Parcialmente nublado",
        C::Yellow, "HC");
    add("wind value, dry and clear", 2, "calma", "15", "60", "Despejado", C::Red, "");
    add("LimiteViento text, other sky", 0, "10", "fuerte", "60", "Nublado", C::Red, "C");
    add("LimiteViento text, humid", 0, "10", "1O", "90", "Despejado", C::Yellow, "H");
}

void TestHourlyForecast::windThatDoesNotConvert()
{
    QFETCH(int, row);
    QFETCH(QString, wind);
    QFETCH(QString, limiteViento);
    QFETCH(QString, humidity);
    QFETCH(QString, sky);
    QFETCH(FieldColour, colour);
    QFETCH(QString, boldCells);

    HourlyDocument document = HourlyDocument::withEntries(10);
    HourlyEntry& e = document.entries[row];
    e.wind = wind;
    e.humidity = humidity;
    e.condition = sky;

    // From both earlier bold states: the humidity and sky marks are written, the wind one not.
    for (const bool earlierBold : { false, true }) {
        ForecastPage page = stalePage(earlierBold, earlierBold, earlierBold);
        const ForecastPage before = page;

        fillPage(document, config(QStringLiteral("80"), limiteViento), page);

        for (int i = 0; i < row; ++i)
            QCOMPARE(
                describe(page.rows[i]), describe(greenRow(document.entries[i], before.rows[i])));
        ForecastRow expected = textsOf(e, before.rows[row]);
        expected.Hr_Fct.background = colour;
        expected.H_Fct.bold = boldCells.contains(QLatin1Char('H'));
        expected.C_Fct.bold = boldCells.contains(QLatin1Char('C'));
        QCOMPARE(describe(page.rows[row]), describe(expected));
        for (int i = row + 1; i < ForecastPage::RowCount; ++i)
            QCOMPARE(describe(page.rows[i]), describe(before.rows[i]));
    }
}

void TestHourlyForecast::requestCycle_data()
{
    QTest::addColumn<int>("status"); // 0: nothing listens on the port
    QTest::addColumn<QByteArray>("body");
    QTest::addColumn<bool>("locked");
    QTest::addColumn<Outcome>("outcome");

    const QByteArray answer = HourlyDocument::withEntries(10).toXml();
    QTest::newRow("answer") << 200 << answer << true << Outcome::Filled;
    QTest::newRow("error answer") << 200 << HourlyDocument::errorAnswer() << true
                                  << Outcome::Cleared;
    QTest::newRow("HTTP 500") << 500 << answer << false << Outcome::Unchanged;
    QTest::newRow("not XML") << 200 << QByteArray("<html><body>Bad gateway") << false
                             << Outcome::Unchanged;
    QTest::newRow("refused port") << 0 << QByteArray() << false << Outcome::Unchanged;
}

void TestHourlyForecast::requestCycle()
{
    QFETCH(int, status);
    QFETCH(QByteArray, body);
    QFETCH(bool, locked);
    QFETCH(Outcome, outcome);

    LoopbackServer server;
    std::mutex pathsLock;
    QStringList paths;
    server.server().Get(".*", [&](const httplib::Request& request, httplib::Response& response) {
        {
            const std::lock_guard<std::mutex> guard(pathsLock);
            paths << QString::fromStdString(request.path);
        }
        response.status = status;
        response.set_content(body.toStdString(), "text/xml");
    });
    QVERIFY(server.start());
    const QString baseUrl = server.baseUrl();
    if (status == 0)
        server.stop();

    const XmlSource service(baseUrl);
    const HourlyForecast forecast(service);
    RecordingHost host;
    ForecastPage page = stalePage();
    const ForecastPage before = page;

    host.apply(forecast.Forecast(config(), Caption, QStringLiteral("."), page));

    QStringList events { QStringLiteral("stopLockTimer") };
    if (locked)
        events << QStringLiteral("lockButtons");
    QCOMPARE(host.events, events);
    switch (outcome) {
    case Outcome::Unchanged:
        QCOMPARE(describe(page), describe(before));
        break;
    case Outcome::Filled:
        QCOMPARE(page.rows[0].Hr_Fct.text, QStringLiteral("20:00"));
        QCOMPARE(page.rows[9].Hr_Fct.background, FieldColour::Green);
        break;
    case Outcome::Cleared:
        QCOMPARE(page.rows[0].Hr_Fct.text, QString());
        QCOMPARE(page.rows[9].Hr_Fct.background, FieldColour::Red);
        break;
    }
    server.stop();
    if (status != 0)
        QCOMPARE(paths, QStringList { QStringLiteral("/api/KEY/hourly/lang:SP/q/pws:ITEST1.xml") });
}

QTEST_GUILESS_MAIN(TestHourlyForecast)
#include "tst_hourlyforecast.moc"
