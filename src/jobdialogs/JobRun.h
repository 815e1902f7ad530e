#pragma once
// A job's Apply off the GUI thread: applyJob over the planned rows with a journal of its own on
// the window's journal folder (SaveJournal is not shared between threads), counting the files done
// and stopping after the current one when cancelled.

#include "tags/jobs/JobApply.h"

#include <QHash>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <vector>

class QThread;

struct JobRunSettings {
    QString jobName;         // written down with the batch, for Edit > Undo
    QByteArray journalFolder;  // empty: not journalled
    bool keepTimes = false;
    const CodePage *id3v2Page = nullptr;  // set: ID3v2 tags are written too (Tags > "Also Write ID3v2")
};

class JobRun : public QObject {
    Q_OBJECT
public:
    JobRun(std::vector<JobRow> rows, JobRunSettings settings, QObject *parent = nullptr);
    ~JobRun() override;  // waits for the thread

    void start();
    void cancel() { m_cancel = true; }
    int done() const { return m_done; }  // files saved or tried so far
    int toDo() const { return m_toDo; }   // files that will change

    // Valid after finished().
    const JobSummary &summary() const { return m_summary; }
    const QStringList &failures() const { return m_failures; }  // "NAME: reason"
    // The outcome of each file written, by its path before the job (the new path after a rename).
    const QHash<QByteArray, TagSaveResult> &written() const { return m_written; }

signals:
    void finished();

private:
    void work();

    std::vector<JobRow> m_rows;
    JobRunSettings m_settings;
    QThread *m_thread = nullptr;
    std::atomic<bool> m_cancel{false};
    std::atomic<int> m_done{0};
    int m_toDo = 0;
    JobSummary m_summary;
    QStringList m_failures;
    QHash<QByteArray, TagSaveResult> m_written;
};
