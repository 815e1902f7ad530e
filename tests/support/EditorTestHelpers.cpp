#include "support/EditorTestHelpers.h"

#include "app/FrmMain.h"
#include "browser/FolderTree.h"
#include "browser/GenreBox.h"
#include "browser/Mp3List.h"

#include <QCheckBox>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace EditorTest {

Window::Window() : m_main(std::make_unique<FrmMain>())
{
    m_main->Form_Load();
    m_main->show();
    find(*m_main);
    if (!QTest::qWaitForWindowExposed(m_main.get()))
        qWarning("main window not exposed");
}

Window::Window(const QByteArray &folder, Names names) : Window()
{
    if (names == Names::Long)
        m_main->state().SupportLFN = true;
    QTest::qVerify(openFolder(folder), "openFolder(folder)", qPrintable(QString::fromUtf8(folder)), __FILE__, __LINE__);
}

Window::~Window() = default;

void FolderTestCase::init()
{
    SettingsTestCase::init();
    m_dir = std::make_unique<TempFolder>();
    QVERIFY(m_dir->isValid());
    m_folder = m_dir->path();
}

QHash<QString, QByteArray> FolderTestCase::snapshot() const
{
    QHash<QString, QByteArray> files;
    for (const QString &name : namesIn(m_folder))
        files[name] = readFile(file(name.toUtf8()));
    return files;
}

void FolderTestCase::playableSong(const QByteArray &name, const QByteArray &title, const char *fixture)
{
    const QByteArray audio = readFile(QByteArray(VELMORA_FIXTURES_DIR "/") + fixture);
    QVERIFY(!audio.isEmpty());
    QVERIFY(writeFile(file(name), audio + trailer(title, "Tone")));
}

bool Window::openFolder(const QByteArray &folder)
{
    return DirOpen->setPath(folder).ok();
}

static QPoint rowPoint(Mp3List *list, int row)
{
    const QModelIndex index = list->model()->index(row, 0);
    list->scrollTo(index);
    return list->visualRect(index).center();
}

void Window::clickRow(int row)
{
    Mp3List *list = lv1;
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, rowPoint(list, row));
}

int Window::rowOf(const QByteArray &name) const
{
    for (int r = 0; r < lv1->rowCount(); ++r)
        if (lv1->text(r, 0) == QString::fromUtf8(name))
            return r;
    return -1;
}

bool Window::clickFile(const QByteArray &name)
{
    const int row = rowOf(name);
    if (row >= 0)
        clickRow(row);
    return row >= 0;
}

void Window::doubleClickRow(int row)
{
    Mp3List *list = lv1;
    const QPoint point = rowPoint(list, row);
    // A real double click: press, release, then the second press arrives as a double click.
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, point);
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, point);
}

void Window::typeInto(int box, const QString &text)
{
    QLineEdit *edit = TxtDispTag[box];
    edit->setFocus();
    edit->selectAll();
    if (text.isEmpty())
        QTest::keyClick(edit, Qt::Key_Delete);
    else
        typeText(edit, text);
}

void typeText(QWidget *widget, const QString &text)
{
    QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, text);
    QCoreApplication::sendEvent(widget, &press);
    QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, text);
    QCoreApplication::sendEvent(widget, &release);
}

void Window::pickGenre(const QString &name)
{
    QLineEdit *edit = CmbGenre->lineEdit();
    edit->setFocus();
    edit->selectAll();
    QTest::keyClicks(edit, name);
    QTest::keyClick(edit, Qt::Key_Return);
}

void Window::setKeep(int index, bool on)
{
    QCheckBox *box = ChkKeepTag[index];
    if (box->isChecked() != on)
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(box->width() / 2, box->height() / 2));
}

void Window::setRename(bool on)
{
    QCheckBox *box = ChkRenFile;
    if (box->isChecked() != on)
        QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(8, box->height() / 2));
}

void Window::save()
{
    QTest::mouseClick(CmdSave, Qt::LeftButton);
}

QStringList Window::row(int row) const
{
    QStringList texts;
    for (int column = 0; column < 7; ++column)
        texts << lv1->text(row, column);
    return texts;
}

QStringList Window::panel() const
{
    QStringList texts;
    for (QLineEdit *box : TxtDispTag)
        texts << box->text();
    texts << CmbGenre->text();
    return texts;
}

}  // namespace EditorTest
