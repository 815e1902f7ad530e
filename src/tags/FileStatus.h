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

    bool ok() const { return m_code == 0; }
    explicit operator bool() const { return ok(); }
    int code() const { return m_code; }
    QString description() const { return ok() ? QString() : QString::fromLocal8Bit(std::strerror(m_code)); }

private:
    explicit FileStatus(int code) : m_code(code) {}
    int m_code;
};
