#include "cli/NumberJobCommand.h"

#include "cli/CommandLine.h"

bool readNumberOptions(const CommandLine &line, NumberOptions &options, QString &problem)
{
    if (const std::optional<QByteArray> start = line.value("--start")) {
        bool ok = false;
        options.start = start->toInt(&ok);
        if (!ok || options.start < 1 || options.start > Id3v1::MaxTrack) {
            problem = QStringLiteral("number: --start takes a number from 1 to 255");
            return false;
        }
    }
    options.onlyMissing = line.has("--only-missing");
    options.cutComments = line.has("--cut-comments");
    return true;
}

int numberTracks(const std::vector<FileTarget> &targets, const NumberOptions &options, JobCommandRequest request,
                 const CodePage &page, Output &out, Console &console)
{
    request.fields = {TagField::Comment, TagField::Track};
    // Each album is numbered from --start in its own order.
    const PlannerFor plannerFor = [&options](const std::vector<JobFile> &files) { return numberPlanner(options, files); };
    return runJobCommand(targets, plannerFor, request, page, out, console);
}
