#pragma once

// Runs velmora-cli with its command line; returns the exit status.
int runCli(int argc, const char *const argv[]);
