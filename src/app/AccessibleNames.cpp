#include "app/AccessibleNames.h"

#include <QAbstractButton>
#include <QAbstractItemView>
#include <QAbstractSlider>
#include <QAbstractSpinBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QProgressBar>
#include <QScrollBar>

namespace {

bool isControl(const QWidget *widget)
{
    if (qobject_cast<const QScrollBar *>(widget))
        return false;
    return qobject_cast<const QAbstractButton *>(widget) || qobject_cast<const QAbstractSlider *>(widget) ||
           qobject_cast<const QLineEdit *>(widget) || qobject_cast<const QComboBox *>(widget) ||
           qobject_cast<const QAbstractItemView *>(widget) || qobject_cast<const QProgressBar *>(widget) ||
           qobject_cast<const QAbstractSpinBox *>(widget);
}

// Parts of a compound control (a combo box's text box, a list's scroll bars, the menu bar's
// buttons) are named by the control they belong to.
bool isPartOfAnotherControl(const QWidget *widget, const QWidget *window)
{
    for (const QWidget *up = widget->parentWidget(); up && up != window; up = up->parentWidget()) {
        if (isControl(up) || qobject_cast<const QMenuBar *>(up) || qobject_cast<const QMenu *>(up))
            return true;
    }
    return false;
}

// A button names itself by its caption, unless the caption is cut off (the Keep boxes are too
// narrow to show theirs).
bool showsItsOwnText(const QWidget *widget)
{
    const auto *button = qobject_cast<const QAbstractButton *>(widget);
    if (!button || button->text().trimmed().isEmpty())
        return false;
    return button->fontMetrics().horizontalAdvance(button->text().remove(u'&')) <= button->width();
}

QString buddyCaption(const QWidget *widget, const QWidget *window)
{
    for (const QLabel *label : window->findChildren<QLabel *>()) {
        if (label->buddy() == widget)
            return label->text().remove(u'&').trimmed();
    }
    return {};
}

QString nameFor(const QWidget *widget, const QWidget *window)
{
    QString name = widget->toolTip().trimmed();
    if (name.isEmpty())
        name = buddyCaption(widget, window);
    // A read-only box that takes no focus is itself a caption ("Vol"): its text is its name.
    const auto *box = qobject_cast<const QLineEdit *>(widget);
    if (name.isEmpty() && box && box->isReadOnly() && box->focusPolicy() == Qt::NoFocus)
        name = box->text().trimmed();
    return name;
}

}  // namespace

void nameControlsWithoutText(QWidget *window)
{
    for (QWidget *widget : window->findChildren<QWidget *>()) {
        if (!isControl(widget) || isPartOfAnotherControl(widget, window) || !widget->accessibleName().isEmpty() ||
            showsItsOwnText(widget))
            continue;
        widget->setAccessibleName(nameFor(widget, window));
    }
}
