#pragma once
// The dialog of every folder job: the job's inputs at the top, a preview of every file of the
// folder (read once as the dialog opens, planned again from those readings at each change of the
// inputs), a summary line, Apply and Close. Apply runs off the GUI thread; a run of more than
// about a second shows a progress bar, and Close becomes Cancel (Escape too), which stops after
// the current file. OK (Ctrl+Enter) applies and closes once the run has ended; the window then
// shows its summary. Enter never applies; Escape before Apply writes nothing.

#include "jobdialogs/JobPage.h"
#include "jobdialogs/JobRun.h"
#include "tags/files/HeldFile.h"

#include <QDialog>
#include <QStringList>

#include <sys/types.h>

class CodePage;
class JobRowsModel;
class QLabel;
class QProgressBar;
class QPushButton;
class QTableView;
class QTimer;

// What the window gives a job.
struct JobContext {
    QByteArray folder;          // the folder shown
    const CodePage *page = nullptr;  // the chosen code page
    QStringList genreList;
    QByteArray heldFile;        // the player's file: left alone, as Save Tags leaves it
    QByteArray journalFolder;   // empty: the saves are not journalled
    bool keepTimes = false;
    bool writeId3v2 = false;  // Tags > "Also Write ID3v2"
};

class JobDialog : public QDialog {
    Q_OBJECT
public:
    // Takes inputs; lists and reads the folder's files.
    JobDialog(JobPage *inputs, JobContext context, QWidget *parent = nullptr);
    ~JobDialog() override;

    JobPage &inputs() { return *m_inputs; }
    const std::vector<JobRow> &rows() const;
    bool running() const { return m_applying; }  // from Apply until its summary is shown
    QString summaryText() const;
    const QString &lastRunSummary() const { return m_result; }  // empty until a run ended
    // The path a file of the last run took when it was renamed; empty: it was not.
    QByteArray renamedTo(const QByteArray &path) const;

    QPushButton *applyButton = nullptr, *okButton = nullptr, *closeButton = nullptr;

public slots:
    void apply();
    void applyAndClose();
    void reject() override;  // Close, or Cancel while running

signals:
    void applied();  // a run ended: the files were read again

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void replan();
    void runEnded();
    void showProgress();
    bool isHeld(const TagReading &reading) const;

    JobPage *m_inputs;
    JobContext m_context;
    std::vector<JobFile> m_files;
    std::vector<TagReading> m_readings;
    FileStatus m_listed = FileStatus::success();
    HeldFile m_held;
    JobRowsModel *m_model;
    QTableView *m_table;
    QLabel *m_summary;
    QProgressBar *m_progress;
    QTimer *m_progressTimer;
    JobRun *m_run = nullptr;
    bool m_applying = false;
    bool m_closeAfterRun = false;
    QString m_result;  // the last run's summary
};
