#include "app/JobEntries.h"

#include "app/SaveUndo.h"
#include "app/TaggingEntries.h"
#include "browser/TagEditor.h"
#include "jobdialogs/AlbumJobPage.h"
#include "jobdialogs/CaseJobPage.h"
#include "jobdialogs/JobDialog.h"
#include "jobdialogs/ListJobPage.h"
#include "jobdialogs/NameJobPage.h"
#include "jobdialogs/NumberJobPage.h"
#include "jobdialogs/RenameJobPage.h"
#include "jobdialogs/ValuesJobPage.h"
#include "online/MusicBrainzClient.h"
#include "session/EditSession.h"
#include "tags/files/PatternListing.h"
#include "tags/settings/SettingsKeys.h"
#include "tags/text/Message.h"

#include <QAction>
#include <QMainWindow>
#include <QMenu>
#include <QStatusBar>

JobEntries::JobEntries(QMenu &tagsMenu, TagEditor &editor, EditSession &session, const MdlDefault &settings,
                       SaveUndo &undo, const TaggingEntries &tagging, const QStringList &genreList, QWidget *window)
    : QObject(window), m_editor(editor), m_session(session), m_settings(settings), m_undo(undo), m_tagging(tagging),
      m_genreList(genreList), m_window(window)
{
    m_undo.knowJobs({NameJobPage::jobTitle(), ValuesJobPage::jobTitle(), ListJobPage::jobTitle(),
                     CaseJobPage::jobTitle(), NumberJobPage::jobTitle(), RenameJobPage::jobTitle(),
                     AlbumJobPage::jobTitle()});
    tagsMenu.addSeparator();
    tagsFromNames = tagsMenu.addAction(QStringLiteral("Tags from File &Names…"));
    tagsFromNames->setObjectName(QStringLiteral("mnuTagsFromNames"));
    connect(tagsFromNames, &QAction::triggered, this,
            [this] { open(new NameJobPage(SettingsKeys::application)); });
    valuesForEveryFile = tagsMenu.addAction(QStringLiteral("&Values for Every File…"));
    valuesForEveryFile->setObjectName(QStringLiteral("mnuValuesForEveryFile"));
    connect(valuesForEveryFile, &QAction::triggered, this, [this] { open(new ValuesJobPage(m_genreList, m_session.codePage())); });
    titlesFromList = tagsMenu.addAction(QStringLiteral("&Titles from a List…"));
    titlesFromList->setObjectName(QStringLiteral("mnuTitlesFromList"));
    connect(titlesFromList, &QAction::triggered, this, [this] { open(new ListJobPage); });
    caseAndReplace = tagsMenu.addAction(QStringLiteral("C&ase and Replace…"));
    caseAndReplace->setObjectName(QStringLiteral("mnuCaseAndReplace"));
    connect(caseAndReplace, &QAction::triggered, this, [this] { open(new CaseJobPage(m_session.codePage())); });
    numberTracks = tagsMenu.addAction(QStringLiteral("N&umber Tracks…"));  // N is the names'
    numberTracks->setObjectName(QStringLiteral("mnuNumberTracks"));
    connect(numberTracks, &QAction::triggered, this, [this] { open(new NumberJobPage); });
    renameEveryFile = tagsMenu.addAction(QStringLiteral("&Rename Every File…"));
    renameEveryFile->setObjectName(QStringLiteral("mnuRenameEveryFile"));
    connect(renameEveryFile, &QAction::triggered, this,
            [this] { open(new RenameJobPage(m_settings, m_session, SettingsKeys::application)); });
    albumFromMusicBrainz = tagsMenu.addAction(QStringLiteral("Album from &MusicBrainz…"));
    albumFromMusicBrainz->setObjectName(QStringLiteral("mnuAlbumFromMusicBrainz"));
    connect(albumFromMusicBrainz, &QAction::triggered, this, [this] {
        QUrl server;
        if (QString problem; !readServerUrl(storedServerText(), server, problem)) {
            Message::show(QStringLiteral("[Online] MusicBrainzServer in the settings file: %1.").arg(problem));
            return;
        }
        open(new AlbumJobPage(m_session.codePage(), server));
    });

    // A job's summary stays in the window after its dialog closes, until the next action.
    if (auto *main = qobject_cast<QMainWindow *>(window)) {
        m_status = main->statusBar();
        m_status->setObjectName(QStringLiteral("jobStatus"));
        m_status->setSizeGripEnabled(false);
        connect(&editor, &TagEditor::saveTried, m_status, &QStatusBar::clearMessage);
        connect(m_undo.mnuUndoSave, &QAction::triggered, m_status, &QStatusBar::clearMessage);
    }
}

JobDialog *JobEntries::dialog() const { return m_dialog; }

void JobEntries::open(JobPage *inputs)
{
    if (m_editor.shownFolder().isEmpty()) {
        delete inputs;
        Message::show(QStringLiteral("Open a folder first."));
        return;
    }
    JobContext context;
    context.folder = m_editor.shownFolder();
    context.page = &m_session.codePage();
    context.genreList = m_genreList;
    context.heldFile = m_session.PlayerFile();
    context.journalFolder = m_undo.journal().folder();
    context.keepTimes = m_tagging.keepFileTimes->isChecked();
    context.writeId3v2 = m_tagging.writeId3v2->isChecked();
    delete m_dialog;
    if (m_status)
        m_status->clearMessage();
    m_dialog = new JobDialog(inputs, context, m_window);
    m_dialog->setAttribute(Qt::WA_DeleteOnClose);
    connect(m_dialog, &JobDialog::applied, this, &JobEntries::showApplied);
    connect(m_dialog, &QDialog::finished, this, [this] {
        if (m_status && m_dialog && !m_dialog->lastRunSummary().isEmpty())
            m_status->showMessage(m_dialog->windowTitle() + QStringLiteral(": ") + m_dialog->lastRunSummary());
    });
    m_dialog->open();
}

// As after Save Tags: the list read once, the current file's record taking its new reading; a
// current file the job renamed is current under its new name.
void JobEntries::showApplied()
{
    if (const QByteArray renamed = m_dialog ? m_dialog->renamedTo(m_session.CurrentPath()) : QByteArray();
        !renamed.isEmpty())
        m_session.followRename(renamed);
    const QByteArray &current = m_session.CurrentPath();
    const qsizetype slash = current.lastIndexOf('/');
    const QByteArray name = slash < 0 ? QByteArray() : current.mid(slash + 1);
    const bool here = !name.isEmpty() && current.left(slash + 1) == folderPrefix(m_editor.shownFolder());
    m_editor.showWrittenFile(here ? name : QByteArray(), here);
    m_undo.refreshUndoEntry();
}

QString JobEntries::shownSummary() const { return m_status ? m_status->currentMessage() : QString(); }
