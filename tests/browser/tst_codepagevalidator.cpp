// The tag boxes' validator: only characters the code page can store get into the box.
#include "tags/codepage/CodePage.h"
#include "browser/CodePageValidator.h"
#include "session/EditSession.h"
#include "support/EditorTestHelpers.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>

using EditorTest::typeText;

namespace {

// An edit session whose page is number.
struct SessionIn : EditSession {
    explicit SessionIn(int number) { chooseCodePage(number); }
};

}  // namespace

class TestCodePageValidator : public QObject {
    Q_OBJECT
private slots:
    void validate_data();
    void validate();
    void typingAndPastingIntoABox();
    void systemCodePageByDefault();
    void fieldBytes_data();
    void fieldBytes();
    void aFullDoubleByteBoxRefusesTyping();
    void changingThePageRechecksTheText();
};

void TestCodePageValidator::validate_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("input");
    QTest::addColumn<int>("pos");
    QTest::addColumn<QString>("kept");
    QTest::addColumn<int>("keptPos");
    QTest::newRow("ASCII") << 1252 << "Red Kettle" << 3 << "Red Kettle" << 3;
    QTest::newRow("Western accents") << 1252 << QString::fromUtf8("Café €") << 6
                                     << QString::fromUtf8("Café €") << 6;
    QTest::newRow("snowman dropped") << 1252 << QString::fromUtf8("a☃b") << 2 << "ab" << 1;
    QTest::newRow("cursor after dropped") << 1252 << QString::fromUtf8("a☃b☃c") << 5 << "abc" << 3;
    QTest::newRow("emoji pair dropped whole") << 1252 << QString::fromUtf8("x😀y") << 3 << "xy" << 1;
    QTest::newRow("lone surrogate dropped") << 1252 << QString("x") + QChar(0xD800) + "y" << 3
                                            << "xy" << 2;
    QTest::newRow("Cyrillic refused by 1252") << 1252 << QString::fromUtf8("Жук") << 3 << "" << 0;
    QTest::newRow("Cyrillic stored by 1251") << 1251 << QString::fromUtf8("Жук") << 3
                                             << QString::fromUtf8("Жук") << 3;
    QTest::newRow("Greek in 1253, Latin é not") << 1253 << QString::fromUtf8("Ωé") << 2
                                                << QString::fromUtf8("Ω") << 1;
    QTest::newRow("empty") << 1252 << "" << 0 << "" << 0;
}

void TestCodePageValidator::validate()
{
    QFETCH(int, page);
    QFETCH(QString, input);
    QFETCH(int, pos);
    QFETCH(QString, kept);
    QFETCH(int, keptPos);
    const CodePage &codePage = CodePage::byNumber(page);
    QCOMPARE(codePage.number(), page);
    const SessionIn session(page);
    CodePageValidator validator(session, 0);
    QCOMPARE(validator.validate(input, pos), QValidator::Acceptable);
    QCOMPARE(input, kept);
    QCOMPARE(pos, keptPos);
    QVERIFY(codePage.canEncode(input));
}

void TestCodePageValidator::typingAndPastingIntoABox()
{
    const SessionIn session(1252);
    QLineEdit box;
    box.setValidator(new CodePageValidator(session, 0, &box));
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));

    QTest::keyClicks(&box, "Ab");
    typeText(&box, QString::fromUtf8("é"));
    typeText(&box, QString::fromUtf8("☃"));  // refused
    typeText(&box, QString::fromUtf8("Ж"));  // refused
    QTest::keyClicks(&box, "c");
    QCOMPARE(box.text(), QString::fromUtf8("Abéc"));
    QCOMPARE(box.cursorPosition(), 4);

    box.setCursorPosition(1);
    box.insert(QString::fromUtf8("x☃y"));  // as a paste arrives
    QCOMPARE(box.text(), QString::fromUtf8("Axybéc"));
    QCOMPARE(box.cursorPosition(), 3);
}

void TestCodePageValidator::systemCodePageByDefault()
{
    const EditSession session;
    CodePageValidator validator(session, 0);
    QString text = QString::fromUtf8("plain ASCII ☃");
    int pos = int(text.size());
    validator.validate(text, pos);
    QString expected;
    for (QChar c : QString::fromUtf8("plain ASCII ☃"))
        if (CodePage::system().canEncode(c))
            expected += c;
    QCOMPARE(text, expected);
    QVERIFY(text.startsWith("plain ASCII"));
}

void TestCodePageValidator::fieldBytes_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<int>("bytes");
    QTest::addColumn<QString>("input");
    QTest::addColumn<int>("pos");
    QTest::addColumn<QString>("kept");
    QTest::addColumn<int>("keptPos");
    const QString kanji15(15, QChar(0x6771));
    QTest::newRow("15 kanji fill 30 bytes") << 932 << 30 << kanji15 << 15 << kanji15 << 15;
    QTest::newRow("16th kanji typed at the end") << 932 << 30 << kanji15 + QChar(0x6771) << 16 << kanji15 << 15;
    QTest::newRow("typed in the middle gives way") << 932 << 30 << "A" + kanji15 << 1 << kanji15 << 0;
    QTest::newRow("one byte left takes ASCII") << 932 << 30 << QString(14, QChar(0x6771)) + "xy" << 16
                                              << QString(14, QChar(0x6771)) + "xy" << 16;
    QTest::newRow("pasted tail cut, old text kept") << 936 << 4 << QString::fromUtf8("你好吗ab") << 3
                                                   << QString::fromUtf8("你ab") << 1;
    QTest::newRow("year of four bytes") << 1252 << 4 << "19999" << 5 << "1999" << 4;
    QTest::newRow("unstorable dropped before measuring") << 949 << 4 << QString::fromUtf8("한☃국") << 3
                                                         << QString::fromUtf8("한국") << 2;
}

void TestCodePageValidator::fieldBytes()
{
    QFETCH(int, page);
    QFETCH(int, bytes);
    QFETCH(QString, input);
    QFETCH(int, pos);
    QFETCH(QString, kept);
    QFETCH(int, keptPos);
    const SessionIn session(page);
    CodePageValidator validator(session, bytes);
    QCOMPARE(validator.validate(input, pos), QValidator::Acceptable);
    QCOMPARE(input, kept);
    QCOMPARE(pos, keptPos);
}

void TestCodePageValidator::aFullDoubleByteBoxRefusesTyping()
{
    const SessionIn session(932);
    QLineEdit box;
    box.setMaxLength(30);
    box.setValidator(new CodePageValidator(session, 30, &box));
    box.show();
    QVERIFY(QTest::qWaitForWindowExposed(&box));
    for (int i = 0; i < 14; ++i)
        typeText(&box, QString::fromUtf8("東"));
    QTest::keyClicks(&box, "a");
    typeText(&box, QString::fromUtf8("京"));  // needs two bytes, one is left: refused
    QTest::keyClicks(&box, "b");
    QTest::keyClicks(&box, "c");  // refused
    QCOMPARE(box.text(), QString(14, QChar(0x6771)) + "ab");
    QCOMPARE(CodePage::byNumber(932).encodedLength(box.text()), 30);
}

void TestCodePageValidator::changingThePageRechecksTheText()
{
    // Unsaved typing stays in the box; what the new page cannot store is found, not re-encoded.
    SessionIn session(1251);
    QLineEdit box;
    auto *validator = new CodePageValidator(session, 30, &box);
    box.setValidator(validator);
    box.setText(QString::fromUtf8("Утро"));
    QSignalSpy changed(validator, &QValidator::changed);
    session.chooseCodePage(932);
    QCOMPARE(changed.size(), 1);
    QCOMPARE(&validator->codePage(), &CodePage::byNumber(932));
    QCOMPARE(box.text(), QString::fromUtf8("Утро"));
    QVERIFY(box.hasAcceptableInput());  // 932 stores Cyrillic, two bytes each
    session.chooseCodePage(1253);
    QVERIFY(!CodePage::byNumber(1253).canEncode(box.text()));
    session.chooseCodePage(1253);
    QCOMPARE(changed.size(), 2);  // the same page again changes nothing
    validator->setFieldBytes(4);
    QCOMPARE(validator->fieldBytes(), 4);
    QCOMPARE(changed.size(), 3);
}

QTEST_MAIN(TestCodePageValidator)
#include "tst_codepagevalidator.moc"
