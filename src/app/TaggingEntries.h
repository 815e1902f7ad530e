#pragma once
// The window's entries for tagging an album quickly: "Save and Next" in the Edit menu (Ctrl+Enter)
// and the checkable "Keep File Times" and "Also Write ID3v2" in the Tags menu, whose states the
// settings file keeps.

#include <QObject>
#include <QString>

class QAction;
class QMenu;
class TagEditor;

class TaggingEntries : public QObject {
    Q_OBJECT
public:
    TaggingEntries(QMenu &editMenu, QMenu &tagsMenu, TagEditor &editor, QObject *parent = nullptr);

    // "Keep File Times" as the settings file of application says; off when it says nothing.
    void readSettings(const QString &application);
    // False, with the reason in *failure, when the settings file could not be written.
    bool storeSettings(const QString &application, QString *failure = nullptr) const;

    QAction *saveAndNext = nullptr;
    QAction *keepFileTimes = nullptr;
    QAction *writeId3v2 = nullptr;  // "Also Write ID3v2"
};
