#pragma once
// A stop at a named step of a save, for the tests that kill a save part-way: when the environment
// variable VELMORA_TEST_STOP_AT names the step, the process kills itself there with SIGKILL, as a
// crash or power cut would. Unset (always, outside those tests), it costs one comparison.

namespace TestStop {

// Whether the process is to stop at step.
bool armed(const char *step);

// Kills the process when it is to stop at step.
void at(const char *step);

}  // namespace TestStop
