#pragma once
// --write-v2 and --no-write-v2 of the commands that save: whether the ID3v2 tag opening each file
// gets the fields written too; the stored choice (Tags > "Also Write ID3v2") when neither is given.

#include <QString>

struct CommandLine;

// False, with problem set, when both are given.
bool writesId3v2(const CommandLine &line, bool &on, QString &problem);
