#include "cli/CommandLine.h"

#include <cstring>

namespace {

struct OptionSpec {
    const char *name;
    bool takesValue;
};

struct CommandSpec {
    const char *name;
    std::vector<OptionSpec> options;
    size_t texts = 0;  // leading words that are text, not files
};

// A job command's own options and those every job command takes.
std::vector<OptionSpec> jobOptions(std::vector<OptionSpec> own)
{
    for (const char *flag : {"--dry-run", "--json", "--keep-times", "--no-journal", "--recursive", "--write-v2",
                             "--no-write-v2"})
        own.push_back({flag, false});
    own.push_back({"--codepage", true});
    return own;
}

const std::vector<CommandSpec> &commandSpecs()
{
    static const std::vector<CommandSpec> specs = {
        {"list", {{"--json", false}, {"--codepage", true}, {"--recursive", false}}},
        {"set",
         {{"--title", true},
          {"--artist", true},
          {"--album", true},
          {"--year", true},
          {"--comment", true},
          {"--genre", true},
          {"--codepage", true},
          {"--no-journal", false},
          {"--keep-times", false},
          {"--from-v2", false},
          {"--write-v2", false},
          {"--no-write-v2", false},
          {"--dry-run", false},
          {"--recursive", false}}},
        {"rename",
         {{"--style", true},
          {"--pattern", true},
          {"--dry-run", false},
          {"--codepage", true},
          {"--no-journal", false},
          {"--keep-times", false},
          {"--json", false},
          {"--recursive", false}}},
        {"from-names",
         {{"--pattern", true},
          {"--underscores", false},
          {"--write-v2", false},
          {"--no-write-v2", false},
          {"--dry-run", false},
          {"--json", false},
          {"--keep-times", false},
          {"--codepage", true},
          {"--no-journal", false},
          {"--recursive", false}}},
        {"codepage", {{"--recursive", false}}},
        {"history", {{"--json", false}, {"--folder", true}, {"--limit", true}}},
        {"undo", {{"--batch", false}, {"--dry-run", false}}},
        {"number", jobOptions({{"--start", true}, {"--only-missing", false}, {"--cut-comments", false}})},
        {"from-list", jobOptions({{"--field", true}, {"--keep-numbers", false}, {"--keep-durations", false}})},
        {"case",
         jobOptions({{"--title", false},
                     {"--sentence", false},
                     {"--upper", false},
                     {"--lower", false},
                     {"--fields", true},
                     {"--trim", false}})},
        {"lookup",
         jobOptions({{"--artist", true}, {"--album", true}, {"--release", true}, {"--list", false}, {"--server", true}})},
        {"replace", jobOptions({{"--regex", false}, {"--ignore-case", false}, {"--fields", true}}), 2},
        {"export", {{"--recursive", false}, {"--format", true}, {"--bom", false}, {"--codepage", true}}},
        {"playlist", {{"--recursive", false}, {"--output", true}, {"--force", false}, {"--codepage", true}}},
        {"import",
         {{"--dry-run", false},
          {"--json", false},
          {"--keep-times", false},
          {"--no-journal", false},
          {"--write-v2", false},
          {"--no-write-v2", false},
          {"--codepage", true}}},
    };
    return specs;
}

const OptionSpec *findOption(const CommandSpec &command, const QByteArray &name)
{
    for (const OptionSpec &option : command.options) {
        if (name == option.name)
            return &option;
    }
    return nullptr;
}

// Short forms of options: "-r" is "--recursive", "-o" "--output".
QByteArray longForm(const QByteArray &word)
{
    if (word == "-r")
        return "--recursive";
    return word == "-o" ? QByteArray("--output") : word;
}

bool isHelp(const char *word)
{
    return std::strcmp(word, "--help") == 0 || std::strcmp(word, "-h") == 0;
}

CommandLine bad(const QString &problem)
{
    CommandLine line;
    line.problem = problem;
    return line;
}

}  // namespace

std::optional<QByteArray> CommandLine::value(const char *option) const
{
    const auto found = options.find(option);
    if (found == options.end())
        return std::nullopt;
    return found->second;
}

CommandLine parseCommandLine(int argc, const char *const argv[])
{
    CommandLine line;
    for (int i = 1; i < argc && std::strcmp(argv[i], "--") != 0; ++i) {
        if (isHelp(argv[i])) {
            line.command = "help";
            return line;
        }
    }
    if (argc < 2)
        return bad(QStringLiteral("no command given"));
    if (std::strcmp(argv[1], "--version") == 0 && argc == 2) {
        line.command = "version";
        return line;
    }
    const CommandSpec *command = nullptr;
    for (const CommandSpec &candidate : commandSpecs()) {
        if (std::strcmp(argv[1], candidate.name) == 0)
            command = &candidate;
    }
    if (!command)
        return bad(QStringLiteral("unknown command \"%1\"").arg(QString::fromLocal8Bit(argv[1])));
    line.command = command->name;

    bool optionsEnded = false;
    for (int i = 2; i < argc; ++i) {
        const QByteArray word = optionsEnded ? QByteArray(argv[i]) : longForm(argv[i]);
        if (optionsEnded || !word.startsWith('-') || word == "-") {
            (line.texts.size() < command->texts ? line.texts : line.operands).push_back(word);
            continue;
        }
        if (word == "--") {
            optionsEnded = true;
            continue;
        }
        const qsizetype equals = word.indexOf('=');
        const QByteArray name = equals < 0 ? word : word.left(equals);
        const OptionSpec *option = findOption(*command, name);
        const QString shown = QString::fromLocal8Bit(name);
        if (!option)
            return bad(QStringLiteral("%1: unknown option \"%2\"").arg(QLatin1String(command->name), shown));
        if (line.has(option->name))
            return bad(QStringLiteral("option \"%1\" given twice").arg(shown));
        QByteArray value;
        if (!option->takesValue) {
            if (equals >= 0)
                return bad(QStringLiteral("option \"%1\" takes no value").arg(shown));
        } else if (equals >= 0) {
            value = word.mid(equals + 1);
        } else if (i + 1 < argc) {
            value = argv[++i];
        } else {
            return bad(QStringLiteral("option \"%1\" needs a value").arg(shown));
        }
        line.options[option->name] = value;
    }
    return line;
}
