#include "NumberConversion.h"
#include "StationCombo.h"

#include <QLocale>
#include <QTest>

// The value types every layer shares: the station box's list and the number conversions.
class TestBase : public QObject
{
    Q_OBJECT

private slots:
    void cleanup() { QLocale::setDefault(QLocale::c()); }
    void commitTypedText_data();
    void commitTypedText();
    void conversions_data();
    void conversions();
};

void TestBase::commitTypedText_data()
{
    QTest::addColumn<QStringList>("items");
    QTest::addColumn<int>("selected");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QStringList>("itemsAfter");
    QTest::addColumn<int>("selectedAfter");

    const QStringList list { "IMADRID123", "ITRES CAN2" };
    QTest::newRow("equal entry selected") << list << 0 << "ITRES CAN2" << list << 1;
    QTest::newRow("case differs") << list << 0 << "imadrid123"
                                  << (list + QStringList { "imadrid123" }) << 2;
    QTest::newRow("trailing blank")
        << list << 1 << "IMADRID123 " << (list + QStringList { "IMADRID123 " }) << 2;
    QTest::newRow("inner blank left out")
        << list << 0 << "ITRESCAN2" << (list + QStringList { "ITRESCAN2" }) << 2;
    QTest::newRow("first of two equal entries")
        << QStringList { "IA", "IB", "IA" } << 2 << "IA" << QStringList { "IA", "IB", "IA" } << 0;
    QTest::newRow("empty list") << QStringList() << -1 << "INEW1" << QStringList { "INEW1" } << 0;
    QTest::newRow("empty text") << list << 1 << "" << list << 1;
}

void TestBase::commitTypedText()
{
    QFETCH(QStringList, items);
    QFETCH(int, selected);
    QFETCH(QString, typed);
    QFETCH(QStringList, itemsAfter);
    QFETCH(int, selectedAfter);

    StationCombo combo;
    combo.items = items;
    combo.select(selected);
    combo.text = typed;

    combo.commitTypedText();

    QCOMPARE(combo.items, itemsAfter);
    QCOMPARE(combo.index, selectedAfter);
    QCOMPARE(combo.text, typed);
}

void TestBase::conversions_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("asInt16"); // "-" where the text gives none
    QTest::addColumn<QString>("fromService");

    QTest::newRow("tie to even, down") << "C"
                                       << "64.5"
                                       << "64"
                                       << "64.5";
    QTest::newRow("tie to even, up") << "C"
                                     << "65.5"
                                     << "66"
                                     << "65.5";
    QTest::newRow("negative tie") << "C"
                                  << "-2.5"
                                  << "-2"
                                  << "-2.5";
    QTest::newRow("16-bit edge") << "C"
                                 << "32767.4"
                                 << "32767"
                                 << "32767.4";
    QTest::newRow("past the 16-bit range") << "C"
                                           << "32767.5"
                                           << "-"
                                           << "32767.5";
    QTest::newRow("not a number") << "C"
                                  << "abc"
                                  << "-"
                                  << "-";
    QTest::newRow("infinite") << "C"
                              << "inf"
                              << "-"
                              << "-";
    // A box under a comma locale shows the service's value with its own separator; the
    // service's text itself keeps its point whatever the locale.
    QTest::newRow("comma locale, shown value") << "es_ES"
                                               << "64,5"
                                               << "64"
                                               << "-";
    QTest::newRow("comma locale, service value") << "es_ES"
                                                 << "1013.2"
                                                 << "-"
                                                 << "1013.2";
}

void TestBase::conversions()
{
    QFETCH(QString, locale);
    QFETCH(QString, text);
    QFETCH(QString, asInt16);
    QFETCH(QString, fromService);
    QLocale::setDefault(QLocale(locale));

    const std::optional<qint16> integer = NumberConversion::toInt16(text);
    QCOMPARE(integer ? QString::number(*integer) : QString("-"), asInt16);
    const std::optional<double> service = NumberConversion::fromService(text);
    QCOMPARE(service ? QString::number(*service) : QString("-"), fromService);
}

QTEST_GUILESS_MAIN(TestBase)
#include "tst_base.moc"
