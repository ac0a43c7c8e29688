#include "KeyMask.h"

#include <QTest>

class TestKeyMask : public QObject
{
    Q_OBJECT

private slots:
    void masked_data();
    void masked();
};

void TestKeyMask::masked_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected");
    QTest::newRow("path key") << "GET http://h:1/api/abc123/conditions/lang:SP/q/pws:X.xml"
                              << "GET http://h:1/api/****/conditions/lang:SP/q/pws:X.xml";
    QTest::newRow("encoded path key") << "http://h/api/a%2Fb%20c/geolookup/q/autoip.xml"
                                      << "http://h/api/****/geolookup/q/autoip.xml";
    QTest::newRow("query keys") << "https://h/v2/pws?stationId=X&apiKey=k1&format=json&key=k2"
                                << "https://h/v2/pws?stationId=X&apiKey=****&format=json&key=****";
    QTest::newRow("query key first, any case") << "https://h/v1?API_KEY=k1 done"
                                               << "https://h/v1?API_KEY=**** done";
    QTest::newRow("two addresses on one line")
        << "http://a/api/k1/hourly/x.xml then http://b/api/k2/hourly/x.xml"
        << "http://a/api/****/hourly/x.xml then http://b/api/****/hourly/x.xml";
    QTest::newRow("no key") << "conditions ISIMVIVO: safe"
                            << "conditions ISIMVIVO: safe";
    QTest::newRow("a station named like a key is kept")
        << "http://h/api/k/conditions/q/pws:KEY=1.xml"
        << "http://h/api/****/conditions/q/pws:KEY=1.xml";
}

void TestKeyMask::masked()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    QCOMPARE(KeyMask::masked(text), expected);
}

QTEST_GUILESS_MAIN(TestKeyMask)
#include "tst_keymask.moc"
