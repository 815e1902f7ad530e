#pragma once
// One scratch file per fuzzing process, in $TMPDIR (or /tmp), removed when the process ends;
// it is written and read with the tests' own file helpers.

#include "FuzzCheck.h"
#include "support/TestFiles.h"

#include <unistd.h>

inline QByteArray scratchFolder()
{
    static const QByteArray folder = [] {
        QByteArray base = qgetenv("TMPDIR");
        if (base.isEmpty())
            base = "/tmp";
        QByteArray name = base + "/velmora-fuzz-XXXXXX";
        FUZZ_CHECK(::mkdtemp(name.data()) != nullptr);
        return name;
    }();
    return folder;
}

inline QByteArray scratchFile()
{
    static const QByteArray path = [] {
        const QByteArray name = scratchFolder() + "/song.mp3";
        std::atexit([] {
            ::unlink((scratchFolder() + "/song.mp3").constData());
            ::rmdir(scratchFolder().constData());
        });
        return name;
    }();
    return path;
}
