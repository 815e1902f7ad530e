// The tag boxes' validator: only characters the code page can store get into the box.
#include "tags/CodePage.h"
#include "browser/CodePageValidator.h"

#include <QKeyEvent>
#include <QLineEdit>
#include <QTest>

namespace {

// keyClicks cannot carry non-ASCII text; a key event with the text can.
void typeText(QWidget *widget, const QString &text)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
    QCoreApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, text);
    QCoreApplication::sendEvent(widget, &release);
}

}  // namespace

class TestCodePageValidator : public QObject {
    Q_OBJECT
private slots:
    void validate_data();
    void validate();
    void typingAndPastingIntoABox();
    void systemCodePageByDefault();
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
    CodePageValidator validator(codePage);
    QCOMPARE(validator.validate(input, pos), QValidator::Acceptable);
    QCOMPARE(input, kept);
    QCOMPARE(pos, keptPos);
    QVERIFY(codePage.canEncode(input));
}

void TestCodePageValidator::typingAndPastingIntoABox()
{
    QLineEdit box;
    box.setValidator(new CodePageValidator(CodePage::byNumber(1252), &box));
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
    CodePageValidator validator;
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

QTEST_MAIN(TestCodePageValidator)
#include "tst_codepagevalidator.moc"
