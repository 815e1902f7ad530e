#include "TestStop.h"

#include <csignal>
#include <cstdlib>
#include <cstring>

namespace {

const char *stopStep()
{
    static const char *step = std::getenv("VELMORA_TEST_STOP_AT");
    return step;
}

}  // namespace

namespace TestStop {

bool armed(const char *step)
{
    const char *stop = stopStep();
    return stop && std::strcmp(stop, step) == 0;
}

void at(const char *step)
{
    if (armed(step))
        std::raise(SIGKILL);
}

}  // namespace TestStop
