#pragma once
// A stop at a named step of a save, for the tests that kill a save part-way: when the environment
// variable VELMORA_TEST_STOP_AT names the step ("step", or "step:N" for its N-th arrival), the
// process kills itself there with SIGKILL, as a crash or power cut would. Unset (always, outside
// those tests), it costs one comparison.

namespace TestStop {

// Whether the process is to stop at the next arrival at step.
bool armed(const char *step);

// Counts an arrival at step, and kills the process when it is the one to stop at.
void at(const char *step);

}  // namespace TestStop
