#include "BenchScans.h"

#include "BenchFolders.h"
#include "BenchSupport.h"
#include "browser/FolderTree.h"
#include "browser/Mp3List.h"
#include "browser/TagEditor.h"
#include "tags/trailer/BulkTrailerReader.h"
#include "tags/text/Message.h"

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>

#include <cstdio>

namespace {
int g_messages = 0;
}

FolderTree *folderTree(const FrmMain &window) { return control<FolderTree>(window, "DirOpen"); }
Mp3List *mp3List(const FrmMain &window) { return control<Mp3List>(window, "lv1"); }

std::unique_ptr<FrmMain> loadedWindow()
{
    qputenv("XDG_CONFIG_HOME", BenchFolders::scratchFolder("no-settings"));
    auto window = std::make_unique<FrmMain>();
    window->Form_Load();
    window->show();
    return window;
}

int readTrailers(const QByteArray &folder, const std::vector<ListedFile> &files, int readAhead)
{
    const ReadAhead modes[3] = {ReadAhead::Never, ReadAhead::WhenReadsWait, ReadAhead::Always};
    int tagged = 0;
    readFolderTrailers(folder, files, [&tagged](int, const RawTrailer &raw) { tagged += raw.tagged(); },
                       modes[readAhead]);
    return tagged;
}

void savePasses(benchmark::State &state, FrmMain &window, int files, bool rename)
{
    const QString names[2] = {QStringLiteral("Track 005000 - Renamed A.mp3"), QStringLiteral("Track 005000 - Renamed B.mp3")};
    int round = 0;
    for (auto _ : state) {
        state.PauseTiming();
        mp3List(window)->selectRow(files / 2);
        control<QLineEdit>(window, "TxtDispTag0")->setText(QStringLiteral("Saved %1").arg(round));
        if (rename) {
            control<QCheckBox>(window, "ChkRenFile")->setChecked(true);
            control<QLineEdit>(window, "TxtNewFilename")->setText(names[round % 2]);
        }
        ++round;
        state.ResumeTiming();
        window.editor().CmdSave_Click();
    }
    if (mp3List(window)->rowCount() != files || g_messages != 0)
        state.SkipWithError("save failed");
    perFile(state, files);
}

int messageCount() { return g_messages; }

int runBenchmarks(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    benchmark::Initialize(&argc, argv);  // --help ends here, before anything is generated
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    BenchFolders::prepare();
    QApplication app(argc, argv);
    Message::setHandler([](const QString &text) {
        ++g_messages;
        std::fprintf(stderr, "message: %s\n", qPrintable(text));
    });
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    BenchFolders::removeAll();
    std::fprintf(stderr, "max RSS %ld KiB\n", maxRssKiB());
    return 0;
}
