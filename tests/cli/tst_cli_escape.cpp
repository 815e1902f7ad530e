// The printable form of names: which bytes are escaped, and that every name comes back whole.

#include "cli/Escape.h"

#include <QTest>

class TestCliEscape : public QObject {
    Q_OBJECT

private slots:
    void names_data();
    void names();
    void lowerCaseHexAccepted();
};

void TestCliEscape::names_data()
{
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<QByteArray>("printed");
    QTest::newRow("plain") << QByteArray("Song.mp3") << QByteArray("Song.mp3");
    QTest::newRow("UTF-8 kept") << QByteArray("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xB5") << QByteArray("caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x8E\xB5");
    QTest::newRow("tab newline backslash") << QByteArray("a\tb\nc\\d") << QByteArray("a\\tb\\nc\\\\d");
    QTest::newRow("other controls") << QByteArray("\x01\r\x1B\x7F") << QByteArray("\\x01\\x0D\\x1B\\x7F");
    QTest::newRow("C1 control") << QByteArray("a\xC2\x9B" "b\xC2\xA0") << QByteArray("a\\xC2\\x9Bb\xC2\xA0");
    QTest::newRow("Latin-1 byte") << QByteArray("caf\xE9.mp3") << QByteArray("caf\\xE9.mp3");
    QTest::newRow("overlong") << QByteArray("\xC0\xAF\xE0\x80\xAF") << QByteArray("\\xC0\\xAF\\xE0\\x80\\xAF");
    QTest::newRow("surrogate") << QByteArray("\xED\xA0\x80") << QByteArray("\\xED\\xA0\\x80");
    QTest::newRow("above U+10FFFF") << QByteArray("\xF4\x90\x80\x80") << QByteArray("\\xF4\\x90\\x80\\x80");
    QTest::newRow("cut short at the end") << QByteArray("a\xE2\x82") << QByteArray("a\\xE2\\x82");
    QTest::newRow("printed form of an escape") << QByteArray("\\xE9") << QByteArray("\\\\xE9");
}

void TestCliEscape::names()
{
    QFETCH(QByteArray, raw);
    QFETCH(QByteArray, printed);
    QCOMPARE(Escape::name(raw), printed);
    QByteArray back;
    QString problem;
    QVERIFY(Escape::unescapeName(printed, back, problem));
    QCOMPARE(back, raw);
}

void TestCliEscape::lowerCaseHexAccepted()
{
    QByteArray back;
    QString problem;
    QVERIFY(Escape::unescapeName("caf\\xe9", back, problem));
    QCOMPARE(back, QByteArray("caf\xE9"));
}

QTEST_GUILESS_MAIN(TestCliEscape)
#include "tst_cli_escape.moc"
