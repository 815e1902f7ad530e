// What a screen reader meets in the main window: every control it can reach has a name.

#include "app/FrmMain.h"

#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QtTest>

namespace {

// Roles of the things a user works with; a screen reader announces them by name.
bool isControlRole(QAccessible::Role role)
{
    switch (role) {
    case QAccessible::PushButton:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
    case QAccessible::EditableText:
    case QAccessible::Slider:
    case QAccessible::ProgressBar:
    case QAccessible::SpinBox:
    case QAccessible::List:
    case QAccessible::Table:
    case QAccessible::Tree:
        return true;
    default:
        return false;
    }
}

// Walks the window's accessibility tree as a screen reader does; a control's own parts (a
// list's rows and scroll bars) are its business, so the walk stops at each control.
void collectControls(QAccessibleInterface *node, QList<QAccessibleInterface *> &controls)
{
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface *child = node->child(i);
        if (!child || child->state().invisible)
            continue;
        if (isControlRole(child->role()))
            controls.append(child);
        else
            collectControls(child, controls);
    }
}

QString describe(QAccessibleInterface *control)
{
    const QObject *object = control->object();
    return object ? object->objectName() + QStringLiteral(" (") + object->metaObject()->className() + u')'
                  : QStringLiteral("?");
}

}  // namespace

class TstAccessibility : public QObject {
    Q_OBJECT
private slots:
    void everyControlHasAName()
    {
        FrmMain w;
        w.Form_Load();
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));

        QList<QAccessibleInterface *> controls;
        collectControls(QAccessible::queryAccessibleInterface(&w), controls);
        QStringList nameless;
        QHash<QString, QString> names;
        for (QAccessibleInterface *control : controls) {
            const QString name = control->text(QAccessible::Name).trimmed();
            if (name.isEmpty())
                nameless << describe(control);
            if (control->object())
                names.insert(control->object()->objectName(), name);
        }
        QVERIFY2(nameless.isEmpty(), qPrintable(nameless.join(QStringLiteral(", "))));
        // The walk reached the controls that show no text of their own.
        QVERIFY2(controls.size() >= 30, qPrintable(QString::number(controls.size())));
        QCOMPARE(names.value(QStringLiteral("Command5")), QStringLiteral("Play"));
        QCOMPARE(names.value(QStringLiteral("Slider2")), QStringLiteral("Volume"));
        QCOMPARE(names.value(QStringLiteral("Text1")), QStringLiteral("Time Remaining"));
        QCOMPARE(names.value(QStringLiteral("lv1")), QStringLiteral("MP3 List"));
        // On Linux Qt announces a drop-down list by its entry; the name serves elsewhere.
        QCOMPARE(w.findChild<QComboBox *>(QStringLiteral("DrvOpen"))->accessibleName(), QStringLiteral("Drive"));
        // The Keep boxes are too narrow to show their caption; they are named by their tooltip.
        QCOMPARE(names.value(QStringLiteral("ChkKeepTag0")), w.findChild<QCheckBox *>(QStringLiteral("ChkKeepTag0"))->toolTip());
        // Captions that fit stay the names.
        QCOMPARE(names.value(QStringLiteral("CmdSave")), QStringLiteral("Save Tags"));
        QCOMPARE(names.value(QStringLiteral("CmdQuit")), QStringLiteral("Quit"));
    }
};

QTEST_MAIN(TstAccessibility)
#include "tst_accessibility.moc"
