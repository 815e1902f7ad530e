#pragma once
// A folder seen through velmora-slowfs: a mirror that answers every request of the kernel after a
// set delay, as a file server across a network does. Mounted in a temporary folder of its own,
// beside (never inside) the folders the benchmarks generate, and unmounted when the object goes;
// the file system also unmounts itself when this process ends in any other way.

#include <QByteArray>
#include <QMap>
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
    // The requests the file system has answered since it was mounted, by kind; empty when it
    // does not answer within a few seconds.
    QMap<QByteArray, double> requests();

private:
    QString mount(const QByteArray &source, int delayUs);
    bool waitForMount();
    void unmount();

    QByteArray m_mountPoint;
    QByteArray m_countsFile;  // where the file system writes its counts of requests
    long m_dumps = 0;         // how many times it has written them
    pid_t m_server = -1;
    QString m_error;
};
