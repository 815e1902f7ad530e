#include "app/TaggingEntries.h"

#include "browser/AlbumStepper.h"
#include "browser/TagEditor.h"
#include "tags/settings/Id3v2Choice.h"
#include "tags/settings/SettingsKeys.h"
#include "tags/settings/SettingsStore.h"

#include <QAction>
#include <QMenu>

namespace {

const QString &kSection = SettingsKeys::keepFileTimes.section;
const QString &kKeepTimesKey = SettingsKeys::keepFileTimes.key;

}  // namespace

TaggingEntries::TaggingEntries(QMenu &editMenu, QMenu &tagsMenu, TagEditor &editor, QObject *parent)
    : QObject(parent)
{
    saveAndNext = editMenu.addAction(QStringLiteral("Save and &Next"));
    saveAndNext->setObjectName(QStringLiteral("mnuSaveNext"));
    // Ctrl+Enter is the main keyboard's Return and the keypad's Enter alike.
    saveAndNext->setShortcuts({QKeySequence(Qt::CTRL | Qt::Key_Return), QKeySequence(Qt::CTRL | Qt::Key_Enter)});
    connect(saveAndNext, &QAction::triggered, &editor, [&editor] { editor.saveAndNext(); });

    keepFileTimes = tagsMenu.addAction(QStringLiteral("Keep File Times"));
    keepFileTimes->setObjectName(QStringLiteral("mnuKeepFileTimes"));
    keepFileTimes->setCheckable(true);
    connect(keepFileTimes, &QAction::toggled, &editor, &TagEditor::setKeepFileTimes);

    writeId3v2 = tagsMenu.addAction(QStringLiteral("Also Write ID3v2"));
    writeId3v2->setObjectName(QStringLiteral("mnuWriteId3v2"));
    writeId3v2->setCheckable(true);
    connect(writeId3v2, &QAction::toggled, &editor, &TagEditor::setWriteId3v2);
}

void TaggingEntries::readSettings(const QString &application)
{
    const QString text = SettingsStore::read(application, kSection, kKeepTimesKey, QString());
    // Read as leniently as the other switches: 1, True and any non-zero number mean on.
    keepFileTimes->setChecked(parseSupportLfn(text).value_or(false));
    writeId3v2->setChecked(Id3v2Choice::stored(application));
}

bool TaggingEntries::storeSettings(const QString &application, QString *failure) const
{
    // Off and never stored: the file stays as it is, as for a user who never ticked the entry.
    if (!Id3v2Choice::store(application, writeId3v2->isChecked(), failure))
        return false;
    const bool on = keepFileTimes->isChecked();
    if (!on && !SettingsStore::readBytes(application, kSection, kKeepTimesKey))
        return true;
    const QString text = on ? QStringLiteral("1") : QStringLiteral("0");
    return SettingsStore::write(application, kSection, kKeepTimesKey, text, failure);
}
