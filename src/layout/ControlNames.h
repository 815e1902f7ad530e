#pragma once
// Names for the controls a screen reader would otherwise announce without one: buttons that show
// only a picture or a caption cut off, sliders, bars, text boxes and lists. Each panel names the
// controls it made once it has placed them; a control that already has a name keeps it.

#include <QAbstractButton>
#include <QFontMetrics>
#include <QLineEdit>
#include <QList>
#include <QWidget>

// A button names itself by its caption, unless the caption is cut off (the Keep boxes are too
// narrow to show theirs).
inline bool showsItsOwnText(const QWidget *widget)
{
    const auto *button = qobject_cast<const QAbstractButton *>(widget);
    if (!button || button->text().trimmed().isEmpty())
        return false;
    return button->fontMetrics().horizontalAdvance(button->text().remove(u'&')) <= button->width();
}

// Names each of controls that has no name and shows no caption of its own: by its tooltip, or,
// for a read-only box that takes no focus (a caption such as "Vol"), by its text.
inline void nameControlsWithoutText(const QList<QWidget *> &controls)
{
    for (QWidget *control : controls) {
        if (!control->accessibleName().isEmpty() || showsItsOwnText(control))
            continue;
        QString name = control->toolTip().trimmed();
        const auto *box = qobject_cast<const QLineEdit *>(control);
        if (name.isEmpty() && box && box->isReadOnly() && box->focusPolicy() == Qt::NoFocus)
            name = box->text().trimmed();
        control->setAccessibleName(name);
    }
}
