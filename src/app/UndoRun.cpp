#include "app/UndoRun.h"

#include "tags/journal/SaveJournal.h"
#include "tags/text/TextEscape.h"

#include <QThread>

UndoRun::UndoRun(std::vector<JournalRecord> saves, QByteArray journalFolder, QObject *parent)
    : QObject(parent), m_saves(std::move(saves)), m_journalFolder(std::move(journalFolder))
{
}

UndoRun::~UndoRun()
{
    // The undo goes to its end: every step it takes is written down in the journal as it goes.
    if (m_thread) {
        m_thread->wait();
        delete m_thread;
    }
}

void UndoRun::start()
{
    m_thread = QThread::create([this] { work(); });
    // The thread ends before its finished signal reaches this object's (the GUI) thread.
    connect(m_thread, &QThread::finished, this, &UndoRun::finished);
    m_thread->start();
}

void UndoRun::work()
{
    SaveJournal journal(m_journalFolder);
    m_outcome = undoSaves(journal, m_saves, false, [this](const JournalRecord &r, const FileStatus &status) {
        if (!status)
            m_failures << TextEscape::shown(r.currentName()) + QStringLiteral(": ") + status.description();
        ++m_done;
    });
}
