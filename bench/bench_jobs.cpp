// What the job dialog's preview costs as the user types: Tags from File Names opened over the
// 1,000-file folder (read once), then the pattern changed, each change planning every file again
// and refilling the preview table. The goal is 50 ms a change.

#include "BenchFolders.h"
#include "BenchScans.h"
#include "BenchSupport.h"

#include "jobs/JobDialog.h"
#include "jobs/NameJobInputs.h"
#include "tags/codepage/CodePage.h"

#include <benchmark/benchmark.h>

#include <QComboBox>

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
    auto *inputs = new NameJobInputs(QStringLiteral("velmora-bench"));
    JobDialog dialog(inputs, context);
    const QString patterns[] = {QStringLiteral("%a - %t"), QStringLiteral("%n %t"), QStringLiteral("%t")};
    int round = 0;
    for (auto _ : state)
        inputs->patternBox->setEditText(patterns[round++ % 3]);
    benchmark::DoNotOptimize(dialog.rows().size());
    perFile(state, int(state.range(0)));
}

}  // namespace

BENCHMARK(BM_JobPreviewFollowsThePattern)->Arg(1000)->Unit(benchmark::kMillisecond);

int main(int argc, char **argv) { return runBenchmarks(argc, argv); }
