#pragma once
// What a fuzz target does when a property fails: say which one and abort, so that libFuzzer
// keeps the input that broke it.

#include <QByteArray>

#include <cstdio>
#include <cstdlib>
#include <cstdint>

#define FUZZ_CHECK(condition)                                                                    \
    do {                                                                                         \
        if (!(condition)) {                                                                      \
            std::fprintf(stderr, "%s:%d: property failed: %s\n", __FILE__, __LINE__, #condition); \
            std::abort();                                                                        \
        }                                                                                        \
    } while (0)

inline QByteArray fuzzBytes(const uint8_t *data, size_t size)
{
    return QByteArray(reinterpret_cast<const char *>(data), qsizetype(size));
}
