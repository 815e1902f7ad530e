// The display's arithmetic: whole seconds, remaining time and its text.

#include "player/PlayerTime.h"

#include <QtTest>

#include <climits>
#include <cmath>
#include <limits>

using namespace PlayerTime;

class TestPlayerTime : public QObject {
    Q_OBJECT
private slots:
    void halvesGoToTheEvenNeighbour();
    void roundsToNearestOtherwise();
    void roundingAtTheEdgesOfInt();
    void remainingNeverNegative();
    void remainingText_data();
    void remainingText();
    void remainingTextForEverySecondOfTwoHours();
};

void TestPlayerTime::halvesGoToTheEvenNeighbour()
{
    QCOMPARE(roundHalfEven(200.5), 200);
    QCOMPARE(roundHalfEven(201.5), 202);
    QCOMPARE(roundHalfEven(0.5), 0);
    QCOMPARE(roundHalfEven(1.5), 2);
    QCOMPARE(roundHalfEven(2.5), 2);
    QCOMPARE(roundHalfEven(-0.5), 0);
    QCOMPARE(roundHalfEven(-1.5), -2);
    QCOMPARE(roundHalfEven(32767.5), 32768);  // no 16-bit limit
    QCOMPARE(roundHalfEven(40000.5), 40000);
    for (int n = 0; n < 5000; ++n)
        QCOMPARE(roundHalfEven(n + 0.5), n % 2 == 0 ? n : n + 1);
}

void TestPlayerTime::roundsToNearestOtherwise()
{
    QCOMPARE(roundHalfEven(0.0), 0);
    QCOMPARE(roundHalfEven(0.49), 0);
    QCOMPARE(roundHalfEven(0.51), 1);
    QCOMPARE(roundHalfEven(2.999), 3);
    QCOMPARE(roundHalfEven(200.4999), 200);
    QCOMPARE(roundHalfEven(200.5001), 201);
    QCOMPARE(roundHalfEven(-2.7), -3);
}

void TestPlayerTime::roundingAtTheEdgesOfInt()
{
    QCOMPARE(roundHalfEven(std::numeric_limits<double>::quiet_NaN()), 0);
    QCOMPARE(roundHalfEven(std::numeric_limits<double>::infinity()), INT_MAX);
    QCOMPARE(roundHalfEven(-std::numeric_limits<double>::infinity()), INT_MIN);
    QCOMPARE(roundHalfEven(1e12), INT_MAX);
    QCOMPARE(roundHalfEven(-1e12), INT_MIN);
    QCOMPARE(roundHalfEven(double(INT_MAX) - 0.4), INT_MAX);
}

void TestPlayerTime::remainingNeverNegative()
{
    QCOMPARE(remainingSeconds(200, 0), 200);
    QCOMPARE(remainingSeconds(200, 62), 138);
    QCOMPARE(remainingSeconds(200, 200), 0);
    QCOMPARE(remainingSeconds(200, 201), 0);  // the position may run a moment past the length
    QCOMPARE(remainingSeconds(0, 5), 0);      // length not known yet
    QCOMPARE(remainingSeconds(0, 0), 0);
    QCOMPARE(remainingSeconds(INT_MAX, INT_MIN), INT_MAX);
    QCOMPARE(remainingSeconds(INT_MIN, INT_MAX), 0);
    QCOMPARE(remainingSeconds(40000, 1000), 39000);
}

void TestPlayerTime::remainingText_data()
{
    QTest::addColumn<int>("seconds");
    QTest::addColumn<QString>("text");
    QTest::newRow("0") << 0 << "0:00";
    QTest::newRow("5") << 5 << "0:05";
    QTest::newRow("9") << 9 << "0:09";
    QTest::newRow("59") << 59 << "0:59";
    QTest::newRow("60") << 60 << "1:00";
    QTest::newRow("90") << 90 << "1:30";
    QTest::newRow("138") << 138 << "2:18";
    QTest::newRow("150") << 150 << "2:30";
    QTest::newRow("200") << 200 << "3:20";
    QTest::newRow("3600, no hours field") << 3600 << "60:00";
    QTest::newRow("past 16 bits") << 40000 << "666:40";
    QTest::newRow("negative") << -5 << "0:00";
    QTest::newRow("int max") << INT_MAX << "35791394:07";
}

void TestPlayerTime::remainingText()
{
    QFETCH(int, seconds);
    QFETCH(QString, text);
    QCOMPARE(PlayerTime::remainingText(seconds), text);
}

void TestPlayerTime::remainingTextForEverySecondOfTwoHours()
{
    for (int r = 0; r <= 7200; ++r) {
        const QString text = PlayerTime::remainingText(r);
        const int colon = text.indexOf(':');
        QVERIFY(colon > 0);
        QCOMPARE(text.size() - colon - 1, 2);
        bool okM = false, okS = false;
        const int m = text.left(colon).toInt(&okM);
        const int s = text.mid(colon + 1).toInt(&okS);
        QVERIFY(okM && okS);
        QVERIFY(s >= 0 && s < 60);
        QCOMPARE(m * 60 + s, r);
        QVERIFY(colon == 1 || text.at(0) != '0');  // no leading zeros on the minutes
    }
}

QTEST_GUILESS_MAIN(TestPlayerTime)
#include "tst_playertime.moc"
