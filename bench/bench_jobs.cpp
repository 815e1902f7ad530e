// What the job dialog's preview costs as the user types: Tags from File Names opened over the
// 1,000-file folder (read once), then the pattern changed, each change planning every file again
// and refilling the preview table. The goal is 50 ms a change.
//
// And a job's Apply from the window against the same change from the shell, on the 10,000-file
// folder with the journal on: Values for Every File setting the album of every file (Apply to the
// summary, off the window's thread as the dialog runs it), against velmora-cli set --album (the
// whole command: its reads, its writes). The album alternates, so that every pass writes every file.

#include "BenchFolders.h"
#include "BenchScans.h"
#include "BenchSupport.h"

#include "jobdialogs/JobDialog.h"
#include "jobdialogs/JobRun.h"
#include "jobdialogs/NameJobPage.h"
#include "tags/codepage/CodePage.h"
#include "tags/jobs/TextFields.h"
#include "tags/jobs/ValuesJob.h"

#include <benchmark/benchmark.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QEventLoop>
#include <QProcess>

namespace {

void BM_JobPreviewFollowsThePattern(benchmark::State &state)
{
    QByteArray folder;
    if (!folderFor(state, folder))
        return;
    qputenv("XDG_CONFIG_HOME", BenchFolders::scratchFolder("config"));
    JobContext context;
    context.folder = folder;
    context.page = &CodePage::byNumber(1252);
    auto *inputs = new NameJobPage(QStringLiteral("velmora-bench"));
    JobDialog dialog(inputs, context);
    const QString patterns[] = {QStringLiteral("%a - %t"), QStringLiteral("%n %t"), QStringLiteral("%t")};
    int round = 0;
    for (auto _ : state)
        inputs->patternBox->setEditText(patterns[round++ % 3]);
    benchmark::DoNotOptimize(dialog.rows().size());
    perFile(state, int(state.range(0)));
}

QString albumOf(int pass)
{
    return pass % 2 ? QStringLiteral("Blue Album") : QStringLiteral("Red Album");
}

void BM_JobApplyFromTheWindow(benchmark::State &state)
{
    QByteArray folder;
    if (!folderFor(state, folder))
        return;
    const QByteArray journal = BenchFolders::scratchFolder("window-journal");
    FileStatus listed = FileStatus::success();
    const std::vector<JobFile> files = listJobFiles(folder, listed);
    int pass = 0;
    const auto plan = [&] {
        FieldEdits edits;
        edits.album = albumOf(pass++);
        return previewJob(files, valuesPlanner(edits), CodePage::byNumber(1252));
    };
    const auto apply = [&](std::vector<JobRow> rows) {
        JobRun run(std::move(rows), {QStringLiteral("Values for Every File"), journal, false});
        QEventLoop loop;
        QObject::connect(&run, &JobRun::finished, &loop, &QEventLoop::quit);
        run.start();
        loop.exec();
    };
    apply(plan());  // the untagged files gain their trailer once, untimed
    for (auto _ : state) {
        state.PauseTiming();
        std::vector<JobRow> rows = plan();  // the preview, read before Apply is pressed
        state.ResumeTiming();
        apply(std::move(rows));
    }
    perFile(state, int(state.range(0)));
}

void BM_SetAlbumFromTheShell(benchmark::State &state)
{
    QByteArray folder;
    if (!folderFor(state, folder))
        return;
    const QString cli = QCoreApplication::applicationDirPath() + QStringLiteral("/../velmora-cli");
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_STATE_HOME"), QString::fromUtf8(BenchFolders::scratchFolder("shell-state")));
    int pass = 0;
    const auto set = [&] {
        QProcess process;
        process.setProcessEnvironment(environment);
        process.start(cli, {QStringLiteral("set"), QString::fromUtf8(folder), QStringLiteral("--album"), albumOf(pass++)});
        process.waitForFinished(-1);
        if (process.exitCode() != 0)
            state.SkipWithError("velmora-cli set failed");
    };
    set();
    for (auto _ : state)
        set();
    perFile(state, int(state.range(0)));
}

}  // namespace

BENCHMARK(BM_JobPreviewFollowsThePattern)->Arg(1000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_JobApplyFromTheWindow)->Arg(10000)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SetAlbumFromTheShell)->Arg(10000)->Iterations(5)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char **argv) { return runBenchmarks(argc, argv); }
