// The tag list's reader on the texts spreadsheets and hands make: CSV records over several lines
// keep the line they begin on, CR LF and LF alike, blank lines dropped, a quote left open said;
// TSV escapes undone; JSON rows with their lines, an unknown key refusing only its row; a list
// without a file column refused whole.

#include "tags/jobs/TagTable.h"

#include <QtTest>

Q_DECLARE_METATYPE(TableFormat)

class TestTagTable : public QObject {
    Q_OBJECT

private slots:
    void readsRows_data();
    void readsRows();
    void refusesAListWithoutFiles();
};

void TestTagTable::readsRows_data()
{
    QTest::addColumn<QByteArray>("list");
    QTest::addColumn<TableFormat>("format");
    QTest::addColumn<QStringList>("rows");  // "line|file|title|problem" for each row
    QTest::addColumn<QStringList>("problems");

    QTest::newRow("csv, quoted line breaks and blank lines")
        << QByteArray("\xEF\xBB\xBF" "file,Title\r\n\"a,\"\"b\"\".mp3\",\"one\r\ntwo\"\r\n\r\nc.mp3,x\nd.mp3,\"open")
        << TableFormat::Csv
        << QStringList{"2|a,\"b\".mp3|one\r\ntwo|", "5|c.mp3|x|",
                       "6|d.mp3|open|a quoted value is not closed before the end of the list"}
        << QStringList();
    QTest::newRow("csv, an unknown column and a long row")
        << QByteArray("file,mood,title\nx.mp3,sad,T\ny.mp3,,U,extra\n") << TableFormat::Csv
        << QStringList{"2|x.mp3|T|", "3|y.mp3|U|4 values for 3 columns"}
        << QStringList{"1: unknown column \"mood\": its values are not read"};
    QTest::newRow("tsv, escapes undone")
        << QByteArray("file\ttitle\nx\\ty.mp3\ta\\nb\\\\c\n") << TableFormat::Tsv
        << QStringList{"2|x\\ty.mp3|a\nb\\c|"} << QStringList();
    QTest::newRow("json, lines and a key it does not know")
        << QByteArray("[\n{\"file\":\"a.mp3\",\"title\":\"A {[\\\"\"},\n{\"file\":\"b.mp3\",\"mood\":1},\n"
                      "{\"file\":\"c.mp3\",\"track\":3}\n]")
        << TableFormat::Json
        << QStringList{"2|a.mp3|A {[\"|", "3|b.mp3||unknown column \"mood\"", "4|c.mp3||"} << QStringList();
}

void TestTagTable::readsRows()
{
    QFETCH(QByteArray, list);
    QFETCH(TableFormat, format);
    QFETCH(QStringList, rows);
    QFETCH(QStringList, problems);
    QCOMPARE(guessTableFormat(list), format);
    const TagTable table = readTagTable(list, format);
    QVERIFY(table.usable);
    QStringList read;
    for (const TableRow &row : table.rows) {
        QString title;
        for (const auto &[field, value] : row.values)
            title += field == TagField::Title ? value : QString();
        read += QStringLiteral("%1|%2|%3|%4").arg(row.line).arg(QString::fromUtf8(row.file), title, row.problem);
    }
    QCOMPARE(read, rows);
    QStringList said;
    for (const TableProblem &problem : table.problems)
        said += QStringLiteral("%1: %2").arg(problem.line).arg(problem.text);
    QCOMPARE(said, problems);
}

void TestTagTable::refusesAListWithoutFiles()
{
    for (const QByteArray &list : {QByteArray("title,artist\nx,y\n"), QByteArray(""), QByteArray("[{\"file\": 1"),
                                   QByteArray("{\"file\":\"a.mp3\"}")}) {
        const TagTable table = readTagTable(list, guessTableFormat(list));
        QVERIFY2(!table.usable, list);
        QVERIFY2(!table.problems.empty(), list);
    }
}

QTEST_GUILESS_MAIN(TestTagTable)
#include "tst_tagtable.moc"
