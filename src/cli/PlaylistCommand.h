#pragma once
// velmora-cli playlist: an M3U8 playlist of a folder's files in track order (of every album folder
// in turn with --recursive), written beside them or where -o says.

#include "cli/CommandLine.h"

int runPlaylist(const CommandLine &line);
