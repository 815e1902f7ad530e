#pragma once
// The writes of a batch of files made durable together, once all are written: a few files each by
// its own fsync, many by one syncfs for each file system (which also waits for whatever else is
// being written there, so a small batch does not pay for another program's copy).

#include <QtGlobal>

#include <map>
#include <utility>
#include <vector>

class BatchFlush {
public:
    static constexpr size_t EachFileUpTo = 64;

    explicit BatchFlush(size_t files) : m_eachFile(files <= EachFileUpTo) {}
    ~BatchFlush();
    BatchFlush(const BatchFlush &) = delete;
    BatchFlush &operator=(const BatchFlush &) = delete;

    // Item (the caller's index) was written through fd, on device; fd may be closed afterwards.
    void add(size_t item, int fd, quint64 device);
    // Flushes; each item whose writes could not be made durable, with the error number.
    std::vector<std::pair<size_t, int>> flush();

private:
    struct Held {
        int fd = -1;
        std::vector<size_t> items;
    };
    void release();

    bool m_eachFile;
    std::map<quint64, Held> m_byKey;  // by item (each file) or by device (each file system)
};
