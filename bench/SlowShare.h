#pragma once
// A folder seen through velmora-slowfs: a mirror that answers every request of the kernel after a
// set delay, as a file server across a network does. Mounted in a temporary folder of its own,
// beside (never inside) the folders the benchmarks generate, and unmounted when the object goes;
// the file system also unmounts itself when this process ends in any other way.

#include <QByteArray>
#include <QString>

#include <sys/types.h>

class SlowShare {
public:
    SlowShare(const QByteArray &source, int delayUs);
    ~SlowShare();
    SlowShare(const SlowShare &) = delete;
    SlowShare &operator=(const SlowShare &) = delete;

    bool mounted() const { return m_error.isEmpty(); }
    QString error() const { return m_error; }  // why it could not be mounted
    QByteArray path() const { return m_mountPoint; }

private:
    QString mount(const QByteArray &source, int delayUs);
    bool waitForMount();
    void unmount();

    QByteArray m_mountPoint;
    pid_t m_server = -1;
    QString m_error;
};
