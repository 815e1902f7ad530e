#pragma once
// The Tags menu's folder jobs: "Tags from File Names…", "Values for Every File…", "Titles from a
// List…", "Case and Replace…", "Number Tracks…", "Rename Every File…" and "Album from
// MusicBrainz…", each a job dialog over
// the folder shown. After a run the
// list is read again (the current file's panel with it, under its new name after a rename) and
// Edit > Undo names the job.

#include <QObject>
#include <QPointer>
#include <QStringList>

class EditSession;
struct MdlDefault;
class JobDialog;
class JobPage;
class QAction;
class QMenu;
class QStatusBar;
class QWidget;
class SaveUndo;
class TagEditor;
class TaggingEntries;

class JobEntries : public QObject {
    Q_OBJECT
public:
    JobEntries(QMenu &tagsMenu, TagEditor &editor, EditSession &session, const MdlDefault &settings, SaveUndo &undo,
               const TaggingEntries &tagging, const QStringList &genreList, QWidget *window);

    QAction *tagsFromNames = nullptr, *valuesForEveryFile = nullptr;
    QAction *titlesFromList = nullptr, *caseAndReplace = nullptr;
    QAction *numberTracks = nullptr, *renameEveryFile = nullptr;
    QAction *albumFromMusicBrainz = nullptr;
    JobDialog *dialog() const;  // the job open now, if any
    QString shownSummary() const;  // what the status bar says of the last job; empty: nothing

private:
    void open(JobPage *inputs);
    void showApplied();

    TagEditor &m_editor;
    EditSession &m_session;
    const MdlDefault &m_settings;
    SaveUndo &m_undo;
    const TaggingEntries &m_tagging;
    const QStringList &m_genreList;
    QWidget *m_window;
    QPointer<JobDialog> m_dialog;
    QStatusBar *m_status = nullptr;
};
