#pragma once
// Standard error: the failures of single files, bad usage, and a progress line for long runs.

#include <QByteArrayView>
#include <QString>

#include <chrono>

class Console {
public:
    // Progress is shown only when standard error is a terminal.
    Console();

    // A file (or folder) that could not be handled, with the system's reason; the run goes on
    // and ends with status 1.
    void fileFailed(QByteArrayView path, const QString &reason);
    bool anyFailed() const { return m_failed; }
    // Something the user should know about a file that was still handled (the status stays 0).
    void fileNote(QByteArrayView path, const QString &note);

    // Wrong arguments: the message and a pointer to --help.
    static void usageError(const QString &message);

    // A line "<what> done/total" rewritten in place, for runs over more than 1,000 files.
    void startProgress(const char *what, qsizetype total);
    void progress(qsizetype done);
    void endProgress();
    // Takes the progress line away before other output; the next update shows it again.
    void hideProgress();

    // A run over a tree of folders: "folders done/found, N written", once the run (since this
    // console was made) has taken more than a second (and only on a terminal); written < 0 leaves the files out.
    void startTreeProgress(qsizetype folders);
    void treeProgress(qsizetype foldersDone, qsizetype written);

private:
    void writeProgress(qsizetype done);

    bool m_terminal = false;
    bool m_failed = false;
    bool m_showing = false;
    const char *m_what = "";
    qsizetype m_total = 0;
    std::chrono::steady_clock::time_point m_lastDrawn;
    std::chrono::steady_clock::time_point m_started;  // the run's start: a console is made as it begins
    qsizetype m_folders = 0;  // 0: no tree progress
};

// Writes raw bytes to standard error.
void writeToStandardError(QByteArrayView bytes);
