#include "jobdialogs/JobRun.h"

#include "tags/journal/JournalBatch.h"
#include "tags/journal/SaveJournal.h"

#include <QThread>

#include <memory>

JobRun::JobRun(std::vector<JobRow> rows, JobRunSettings settings, QObject *parent)
    : QObject(parent), m_rows(std::move(rows)), m_settings(std::move(settings))
{
    for (const JobRow &row : m_rows)
        if (row.state == JobState::WillChange)
            ++m_toDo;
}

JobRun::~JobRun()
{
    if (m_thread) {
        m_cancel = true;
        m_thread->wait();
        delete m_thread;
    }
}

void JobRun::start()
{
    m_thread = QThread::create([this] { work(); });
    // The thread ends before its finished signal reaches this object's (the GUI) thread.
    connect(m_thread, &QThread::finished, this, &JobRun::finished);
    m_thread->start();
}

void JobRun::work()
{
    std::unique_ptr<SaveJournal> journal;
    if (!m_settings.journalFolder.isEmpty())
        journal = std::make_unique<SaveJournal>(m_settings.journalFolder);
    JobApply apply;
    apply.journal = journal.get();
    apply.keepTimes = m_settings.keepTimes;
    apply.id3v2Page = m_settings.id3v2Page;
    apply.progress = [this](int done) {
        m_done = done;
        return !m_cancel;
    };
    apply.afterFile = [this](const JobRow &row, const TagSaveResult &result) {
        if (!result.status)
            m_failures << row.file.display + QStringLiteral(": ") + result.status.description();
        if (result.written)
            m_written.insert(row.file.path, result);
    };
    m_summary = applyJob(m_rows, apply);
    // The batch takes the job's name, so that Edit > Undo can say what it takes back; by its own
    // number, as another program may have saved since.
    if (journal && m_summary.written > 0 && m_summary.batch > 0)
        nameBatch(*journal, m_summary.batch, m_settings.jobName);
}
