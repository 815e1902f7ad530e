// The genre box: its sorted list with the genre numbers, and the genre its text names.
#include "browser/GenreBox.h"
#include "tags/id3v1/GenreList.h"

#include <QAbstractItemView>
#include <QLineEdit>
#include <QSet>
#include <QTest>

class TestGenreBox : public QObject {
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void sortedWithNumbers();
    void keyboardPickSelects();
    void typedTextNamesAGenreOnlyWhenItIsOne();
    void programTextNamesAGenreOnlyWhenItIsOne();
    void popupPickSelects();

private:
    GenreBox *m_box = nullptr;
    QStringList m_genres;
};

void TestGenreBox::init()
{
    m_genres = Genres::buildGenreList();
    m_box = new GenreBox;
    m_box->fill(m_genres);
    m_box->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_box));
    m_box->activateWindow();
    m_box->setFocus();
}

void TestGenreBox::cleanup()
{
    delete m_box;
    m_box = nullptr;
}

void TestGenreBox::sortedWithNumbers()
{
    QCOMPARE(m_box->count(), 130);
    QSet<int> numbers;
    for (int i = 0; i < m_box->count(); ++i) {
        const int n = m_box->itemData(i).toInt();
        QCOMPARE(m_box->itemText(i), m_genres[n]);
        numbers.insert(n);
        if (i > 0)
            QVERIFY2(m_box->itemText(i - 1).compare(m_box->itemText(i), Qt::CaseInsensitive) <= 0,
                     qPrintable(m_box->itemText(i)));
    }
    QCOMPARE(numbers.size(), 130);
    QCOMPARE(m_box->itemData(m_box->findText("Blues")).toInt(), 0);
    QCOMPARE(m_box->itemData(m_box->findText("Hardcore")).toInt(), 129);
    QCOMPARE(m_box->itemData(m_box->findText("Club-House Terror")).toInt(), 128);
    // Names decide the order, not the numbers.
    QVERIFY(m_box->findText("Acapella") < m_box->findText("Acid"));
    QVERIFY(m_box->findText("Alt. Rock") < m_box->findText("Alternative"));
    QVERIFY(m_box->findText("Pop") < m_box->findText("pop/folk", Qt::MatchFixedString));
    QCOMPARE(m_box->text(), QString());
    QCOMPARE(m_box->selectedGenreNumber(), std::nullopt);

    m_box->fill(m_genres);  // a second fill replaces, never doubles
    QCOMPARE(m_box->count(), 130);
}

void TestGenreBox::keyboardPickSelects()
{
    m_box->setCurrentIndex(m_box->findText("Blues"));
    QTest::keyClick(m_box, Qt::Key_Down);
    const int shown = m_box->currentIndex();
    QCOMPARE(m_box->selectedGenreNumber(), std::optional<int>(m_box->itemData(shown).toInt()));
    QCOMPARE(m_box->text(), m_box->itemText(shown));
}

void TestGenreBox::typedTextNamesAGenreOnlyWhenItIsOne()
{
    QLineEdit *edit = m_box->lineEdit();
    QTest::keyClicks(edit, "Ro");
    QCOMPARE(m_box->text(), QString("Ro"));  // no completion rewrites it
    QCOMPARE(m_box->selectedGenreNumber(), std::nullopt);
    QCOMPARE(m_box->count(), 130);

    QTest::keyClicks(edit, "ck");  // a name of the list, before any Enter
    QCOMPARE(m_box->selectedGenreNumber(), std::optional<int>(17));
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(m_box->selectedGenreNumber(), std::optional<int>(17));
    QCOMPARE(m_box->text(), QString("Rock"));
    QCOMPARE(m_box->count(), 130);  // Enter adds no entry

    QTest::keyClick(edit, Qt::Key_Backspace);
    QCOMPARE(m_box->text(), QString("Roc"));
    QCOMPARE(m_box->selectedGenreNumber(), std::nullopt);

    QTest::keyClick(edit, Qt::Key_Return);  // confirming text that is no entry
    QCOMPARE(m_box->selectedGenreNumber(), std::nullopt);
    QCOMPARE(m_box->count(), 130);
}

void TestGenreBox::programTextNamesAGenreOnlyWhenItIsOne()
{
    m_box->setCurrentIndex(m_box->findText("Jazz"));
    QTest::keyClick(m_box, Qt::Key_Down);
    QVERIFY(m_box->selectedGenreNumber().has_value());

    m_box->setText("Unknown");
    QCOMPARE(m_box->text(), QString("Unknown"));
    QCOMPARE(m_box->selectedGenreNumber(), std::nullopt);

    m_box->setText("Hardcore");  // what the reader shows is what a save writes
    QCOMPARE(m_box->text(), QString("Hardcore"));
    QCOMPARE(m_box->selectedGenreNumber(), std::optional<int>(129));

    m_box->setText("hardcore");  // letter case counts
    QCOMPARE(m_box->selectedGenreNumber(), std::nullopt);

    m_box->setText(QString());
    QCOMPARE(m_box->text(), QString());
    QCOMPARE(m_box->selectedGenreNumber(), std::nullopt);
}

void TestGenreBox::popupPickSelects()
{
    m_box->showPopup();
    QAbstractItemView *view = m_box->view();
    QVERIFY(QTest::qWaitForWindowExposed(view->window()));
    const int row = m_box->findText("Hardcore");
    const QModelIndex index = view->model()->index(row, 0);
    view->scrollTo(index);
    const QPoint at = view->visualRect(index).center();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);
    QCOMPARE(m_box->selectedGenreNumber(), std::optional<int>(129));
    QCOMPARE(m_box->text(), QString("Hardcore"));
}

QTEST_MAIN(TestGenreBox)
#include "tst_genrebox.moc"
