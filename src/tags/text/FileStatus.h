#pragma once
// The outcome of a file operation: success, or the system's error number with its description,
// which is what the failure message shows.

#include <QString>
#include <cerrno>
#include <cstring>

class FileStatus {
public:
    static FileStatus success() { return FileStatus(0); }
    static FileStatus fromErrno(int code) { return FileStatus(code); }
    static FileStatus fromLastError() { return FileStatus(errno); }
    // A failure the system has no fitting description for (e.g. a FIFO named like a song):
    // the error number is kept for callers, the text is what the user sees.
    static FileStatus failure(int code, const QString &description)
    {
        FileStatus status(code ? code : EIO);
        status.m_text = description;
        return status;
    }

    bool ok() const { return m_code == 0; }
    explicit operator bool() const { return ok(); }
    int code() const { return m_code; }
    QString description() const
    {
        if (ok())
            return QString();
        return m_text.isEmpty() ? QString::fromLocal8Bit(std::strerror(m_code)) : m_text;
    }

private:
    explicit FileStatus(int code) : m_code(code) {}
    int m_code;
    QString m_text;
};
