#pragma once
// The journal's folder, $XDG_STATE_HOME/velmora, as it is checked before SQLite sees a path: a
// real directory of the user's, mode 0700, not a link (the state folder above it is the user's
// own choice and may be one), whose journal files are refused when they are anything but the
// user's regular files; and its lock file. Includes nothing of ours above the journal's room.

#include <QByteArray>
#include <QString>

#include <cerrno>
#include <sys/types.h>

// 0 with no text, or the system's error number and what to tell the user.
struct StoreResult {
    int code = 0;
    QString text;
    explicit operator bool() const { return code == 0; }
    static StoreResult failure(int code, const QString &text) { return StoreResult{code ? code : EIO, text}; }
};

class JournalFolder {
public:
    explicit JournalFolder(const QByteArray &folder) : m_folder(folder) {}
    ~JournalFolder();
    JournalFolder(const JournalFolder &) = delete;
    JournalFolder &operator=(const JournalFolder &) = delete;

    const QByteArray &path() const { return m_folder; }
    // SQLite opens it refusing a link anywhere on the way: the state folder's link, which is the
    // user's own, is resolved first.
    QByteArray databasePath() const { return (m_resolvedFolder.isEmpty() ? m_folder : m_resolvedFolder) + "/journal.sqlite"; }

    // Checks the folder, making it (and the state folder) with create; ENOENT with no text when
    // there is none yet and create is not set. Opened once, kept open.
    StoreResult check(bool create);
    int fd() const { return m_fd; }  // the checked folder; -1 before
    // name in the folder: absent, or the user's own regular file.
    StoreResult checkFile(const char *name) const;
    // Opens name in the folder without following a link, without blocking, 0600 when made.
    int openFile(const char *name, int flags) const;

    // The lock file: shared while a change is in progress, held alone (never waiting) while the
    // changes left unfinished are looked at.
    StoreResult shareLock();
    void unlock();
    bool tryHoldAlone();

    static QString kindOf(mode_t mode);  // "a link", "a FIFO", ...
    static QString shown(const QByteArray &path) { return QString::fromUtf8(path); }

private:
    bool openLock(int &code);

    QByteArray m_folder;
    QByteArray m_resolvedFolder;  // m_folder with the state folder's links resolved
    int m_fd = -1;
    int m_lockFd = -1;
};
