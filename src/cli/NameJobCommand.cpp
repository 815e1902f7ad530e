#include "cli/NameJobCommand.h"

#include "cli/CommandLine.h"
#include "tags/jobs/NameJob.h"
#include "tags/jobs/PatternGuess.h"

int fromNames(const std::vector<FileTarget> &targets, const FromNamesRequest &request, const CodePage &page,
              Output &out, Console &console)
{
    QString patternText;
    if (request.pattern) {
        patternText = *request.pattern;
    } else {
        QStringList names;
        for (const FileTarget &target : targets)
            names += QString::fromUtf8(target.name);
        const PatternGuess guess = guessNamePattern(names, request.underscores);
        if (guess.pattern.isEmpty()) {
            if (!targets.empty())
                console.fileFailed("from-names", QStringLiteral("no pattern fits the names; give one with --pattern"));
            return console.anyFailed() ? ExitSomeFailed : ExitDone;
        }
        writeToStandardError(QStringLiteral("from-names: pattern \"%1\" (guessed, %2)\n")
                                 .arg(guess.pattern, guess.countText()).toUtf8());
        patternText = guess.pattern;
    }
    const NamePattern pattern(patternText);
    JobCommandRequest job = request.job;
    job.fields = nameJobFields(pattern);
    return runJobCommand(targets, nameJobPlanner(pattern, request.underscores), job, page, out, console);
}
