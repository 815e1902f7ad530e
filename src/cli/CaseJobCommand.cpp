#include "cli/CaseJobCommand.h"

#include "cli/CommandLine.h"

namespace {

// --fields "title,artist": false with problem set for a name that is not one of the fields.
bool readFields(const CommandLine &line, bool withYear, std::vector<TagField> &fields, QString &problem)
{
    const std::optional<QByteArray> list = line.value("--fields");
    if (!list)
        return true;
    fields.clear();
    for (const QString &name : QString::fromLocal8Bit(*list).split(u',')) {
        const std::optional<TagField> field = textFieldNamed(name.trimmed());
        if (!field || (*field == TagField::Year && !withYear)) {
            problem = QStringLiteral("%1: --fields takes %2, separated by commas")
                          .arg(QString::fromLatin1(line.command),
                               withYear ? QStringLiteral("title, artist, album, year, comment")
                                        : QStringLiteral("title, artist, album, comment (a year has no letter case)"));
            return false;
        }
        if (std::find(fields.begin(), fields.end(), *field) == fields.end())
            fields.push_back(*field);
    }
    return true;
}

bool readLetterCase(const CommandLine &line, CaseOptions &options, QString &problem)
{
    const std::pair<const char *, LetterCase> choices[] = {{"--title", LetterCase::Title},
                                                           {"--sentence", LetterCase::Sentence},
                                                           {"--upper", LetterCase::Upper},
                                                           {"--lower", LetterCase::Lower}};
    int chosen = 0;
    for (const auto &[option, letterCase] : choices) {
        if (line.has(option)) {
            options.letterCase = letterCase;
            ++chosen;
        }
    }
    options.trimSpaces = line.has("--trim");
    if (chosen > 1 || (chosen == 0 && !options.trimSpaces)) {
        problem = QStringLiteral("case needs one of --title, --sentence, --upper, --lower, or --trim");
        return false;
    }
    return true;
}

bool readReplacement(const CommandLine &line, CaseOptions &options, QString &problem)
{
    if (line.texts.size() < 2 || line.texts.front().isEmpty()) {
        problem = QStringLiteral("replace needs the text to find, the text to put in its place, then files or folders");
        return false;
    }
    options.find = QString::fromLocal8Bit(line.texts.at(0));
    options.replaceWith = QString::fromLocal8Bit(line.texts.at(1));
    options.regex = line.has("--regex");
    options.caseSensitive = !line.has("--ignore-case");
    problem = TextChange(options).problem();
    if (!problem.isEmpty())
        problem.prepend(QStringLiteral("replace: "));
    return problem.isEmpty();
}

}  // namespace

bool readCaseRequest(const CommandLine &line, CaseRequest &request, const CodePage *&page, QString &problem)
{
    const bool replace = line.command == "replace";
    if (replace ? !readReplacement(line, request.options, problem) : !readLetterCase(line, request.options, problem))
        return false;
    if (!readFields(line, replace, request.options.fields, problem) || !readJobOptions(line, request.job, page, problem))
        return false;
    request.job.fields = request.options.fields;
    return true;
}

int changeCase(const std::vector<FileTarget> &targets, const CaseRequest &request, const CodePage &page, Output &out,
               Console &console)
{
    return runJobCommand(targets, casePlanner(request.options, page), request.job, page, out, console);
}
