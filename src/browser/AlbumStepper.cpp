#include "browser/AlbumStepper.h"

#include "browser/Selection.h"

#include "browser/BrowserPanel.h"
#include "browser/GenreBox.h"
#include "browser/Mp3Files.h"
#include "browser/Mp3List.h"
#include "browser/TagEditor.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPointer>

namespace {

// +1 for the keys that go to the next file, -1 for the previous one, 0 for any other key.
int offsetOf(const QKeyEvent &key)
{
    // The keypad's Page Down is the same key to the user.
    const Qt::KeyboardModifiers modifiers = key.modifiers() & ~Qt::KeypadModifier;
    if (modifiers == Qt::NoModifier) {
        if (key.key() == Qt::Key_PageDown)
            return 1;
        if (key.key() == Qt::Key_PageUp)
            return -1;
    } else if (modifiers == Qt::ControlModifier) {
        if (key.key() == Qt::Key_Down)
            return 1;
        if (key.key() == Qt::Key_Up)
            return -1;
    }
    return 0;
}

}  // namespace

AlbumStepper::AlbumStepper(const BrowserPanel &controls, const Selection &selection, TagEditor &editor)
    : c(controls), m_selection(selection), m_editor(editor)
{
    for (QLineEdit *box : c.TxtDispTag)
        watch(box);
    // The genre box would otherwise page through its genres; its line edit may get the keys first.
    watch(c.CmbGenre);
    watch(c.CmbGenre->lineEdit());
}

void AlbumStepper::watch(QWidget *box)
{
    if (box)
        box->installEventFilter(this);
}

bool AlbumStepper::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::KeyPress)
        return QObject::eventFilter(watched, event);
    const int offset = offsetOf(*static_cast<QKeyEvent *>(event));
    if (offset == 0)
        return false;
    // Taken at the ends of the list too, so the genre box does not page through its genres.
    step(offset);
    return true;
}

bool AlbumStepper::step(int offset)
{
    const int current = m_selection.entry();
    const int row = current + offset;
    if (current < 0 || row < 0 || row >= c.lv1->rowCount())
        return false;
    c.lv1->selectRow(row);
    selectText(QApplication::focusWidget());
    return m_selection.entry() == row;
}

bool AlbumStepper::saveAndNext()
{
    const int current = m_selection.entry();
    const QByteArray follower =
        current >= 0 && current + 1 < c.FilOpen->count() ? c.FilOpen->name(current + 1) : QByteArray();
    const QPointer<QWidget> box = QApplication::focusWidget();
    if (!m_editor.CmdSave_Click())
        return false;
    if (!follower.isEmpty())
        m_editor.selectFile(follower);
    if (box) {
        box->setFocus(Qt::OtherFocusReason);
        selectText(box);
    }
    return true;
}

void AlbumStepper::selectText(QWidget *box)
{
    if (auto *edit = qobject_cast<QLineEdit *>(box))
        edit->selectAll();
    else if (auto *genre = qobject_cast<QComboBox *>(box); genre && genre->lineEdit())
        genre->lineEdit()->selectAll();
}
