// The printable form of names, tag text and settings values: which bytes are escaped, that every
// text comes back whole, and that messages show control characters instead of obeying them.

#include "support/TestFiles.h"

#include "tags/text/TextEscape.h"

#include <QTest>

using namespace TestFiles;

class TestTextEscape : public QObject {
    Q_OBJECT

private slots:
    void names_data();
    void names();
    void options_data();
    void options();
    void escapesAccepted_data();
    void escapesAccepted();
    void messagesShowControlCharacters();
};

void TestTextEscape::names_data()
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

void TestTextEscape::names()
{
    QFETCH(QByteArray, raw);
    QFETCH(QByteArray, printed);
    QCOMPARE(TextEscape::escaped(raw), printed);
    QByteArray back;
    QString problem;
    QVERIFY(TextEscape::unescape(printed, back, problem));
    QCOMPARE(back, raw);
    QCOMPARE(TextEscape::unescapeLenient(printed), raw);
}

void TestTextEscape::options_data()
{
    QTest::addColumn<QByteArray>("raw");
    QTest::addColumn<uint>("options");
    QTest::addColumn<QByteArray>("printed");
    QTest::newRow("JSON") << QByteArray("\"a\\b\"\x1B") << uint(TextEscape::Json) << QByteArray("\\\"a\\\\\\\\b\\\"\\\\x1B");
    QTest::newRow("outer blanks") << QByteArray("  a b  ") << uint(TextEscape::EdgeBlanks) << QByteArray("\\x20 a b \\x20");
    QTest::newRow("one blank") << QByteArray(" ") << uint(TextEscape::EdgeBlanks) << QByteArray("\\x20");
    QTest::newRow("controls only") << QByteArray("C:\\a\tb\n\x1B") << uint(TextEscape::ControlsOnly)
                                   << QByteArray("C:\\a\\tb\\n\\x1B");
    QTest::newRow("line breaks kept") << QByteArray("a\nb\x07") << uint(TextEscape::ControlsOnly | TextEscape::LineBreaksKept)
                                      << QByteArray("a\nb\\x07");
}

void TestTextEscape::options()
{
    QFETCH(QByteArray, raw);
    QFETCH(uint, options);
    QFETCH(QByteArray, printed);
    QCOMPARE(TextEscape::escaped(raw, options), printed);
    if (!(options & (TextEscape::Json | TextEscape::ControlsOnly | TextEscape::LineBreaksKept)))
        QCOMPARE(TextEscape::unescapeLenient(printed), raw);
}

void TestTextEscape::escapesAccepted_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("strict");  // "<refused>" when a strict reading refuses it
    QTest::addColumn<QByteArray>("lenient");
    QTest::newRow("lower-case hex") << QByteArray("caf\\xe9") << QByteArray("caf\xE9") << QByteArray("caf\xE9");
    QTest::newRow("carriage return") << QByteArray("a\\rb") << QByteArray("a\rb") << QByteArray("a\rb");
    QTest::newRow("Windows path") << QByteArray("C:\\Music\\Old") << QByteArray("<refused>") << QByteArray("C:\\Music\\Old");
    QTest::newRow("short hex") << QByteArray("a\\xE") << QByteArray("<refused>") << QByteArray("a\\xE");
    QTest::newRow("signed hex") << QByteArray("\\x+1") << QByteArray("<refused>") << QByteArray("\\x+1");
    QTest::newRow("backslash at the end") << QByteArray("a\\") << QByteArray("<refused>") << QByteArray("a\\");
}

void TestTextEscape::escapesAccepted()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, strict);
    QFETCH(QByteArray, lenient);
    QByteArray bytes;
    QString problem;
    const bool accepted = TextEscape::unescape(text, bytes, problem);
    QCOMPARE(accepted ? bytes : QByteArray("<refused>"), strict);
    QCOMPARE(problem.isEmpty(), accepted);
    QCOMPARE(TextEscape::unescapeLenient(text), lenient);
}

// The window's boxes and the program's standard error get the message through one function.
void TestTextEscape::messagesShowControlCharacters()
{
    MessageLog log;
    Message::show(QStringLiteral("\"evil\x1B]0;PWN\x07\" cannot be used:\nC:\\x\t\u009B."));
    QCOMPARE(log.texts, QStringList{QStringLiteral("\"evil\\x1B]0;PWN\\x07\" cannot be used:\nC:\\x\\t\\xC2\\x9B.")});
}

QTEST_GUILESS_MAIN(TestTextEscape)
#include "tst_textescape.moc"
