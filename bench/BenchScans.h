#pragma once
// What the benchmark programs share beyond the folders and clocks: a main window to scan with,
// the folder reader's passes, the count of messages the program showed, and the run itself.

#include "app/FrmMain.h"
#include "tags/files/PatternListing.h"

#include <QByteArray>

#include <benchmark/benchmark.h>

#include <memory>
#include <vector>

class FolderTree;
class Mp3List;

// A control of the window, found by its object name as the tests find it.
template <typename T>
T *control(const QObject &window, const char *name)
{
    return window.findChild<T *>(QLatin1String(name));
}
FolderTree *folderTree(const FrmMain &window);
Mp3List *mp3List(const FrmMain &window);

// A loaded and shown main window that starts with nothing stored: the user's settings play no part.
std::unique_ptr<FrmMain> loadedWindow();

// The trailers of a listed folder read by the caller alone (0), with helpers once reads are seen to
// wait (1, what the scan does) or with helpers from the start (2); nothing decoded. Returns how
// many are tagged.
int readTrailers(const QByteArray &folder, const std::vector<ListedFile> &files, int readAhead);

// Timed Save Tags of the file in the middle of a window's folder of the given size, a new title each
// time and, when renaming, a new name too; skips the benchmark when a save fails.
void savePasses(benchmark::State &state, FrmMain &window, int files, bool rename);

// How many messages the program has shown so far: a pass that shows one has failed.
int messageCount();

// The whole run: the application made, the selected benchmarks run, the generated folders removed.
int runBenchmarks(int argc, char **argv);
