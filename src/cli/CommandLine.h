#pragma once
// The words of a command line: the command, its options and its operands, checked against the
// options each command knows. Values and operands stay raw bytes (still in the printable form).

#include <QByteArray>
#include <QString>

#include <map>
#include <optional>
#include <vector>

enum ExitStatus { ExitDone = 0, ExitSomeFailed = 1, ExitBadUsage = 2 };

struct CommandLine {
    // "list", "set", "rename", "from-names", "codepage", "history", "undo", "number", "from-list",
    // "case", "replace", "lookup", "help" or "version"
    QByteArray command;
    std::vector<QByteArray> texts;             // words before the files that are text (replace's FROM
                                               // and TO), as typed: not file names, never unescaped
    std::vector<QByteArray> operands;          // files and folders, in order
    std::map<QByteArray, QByteArray> options;  // "--title" -> its value; a flag -> empty
    QString problem;                           // why the line is bad usage; empty when it is not

    bool has(const char *option) const { return options.count(option) != 0; }
    std::optional<QByteArray> value(const char *option) const;
};

// argv[0] is the program. "--" ends the options; "--name=value" and "--name value" both work;
// "--help" anywhere asks for the help.
CommandLine parseCommandLine(int argc, const char *const argv[]);
