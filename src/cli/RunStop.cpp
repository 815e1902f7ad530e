#include "cli/RunStop.h"

#include <QByteArray>

#include <csignal>

namespace {

volatile std::sig_atomic_t interrupted = 0;

void onInterrupt(int)
{
    interrupted = 1;
    std::signal(SIGINT, SIG_DFL);  // the next Ctrl+C is not held up
}

}  // namespace

namespace RunStop {

void catchInterrupt()
{
    struct sigaction action = {};
    action.sa_handler = onInterrupt;
    sigemptyset(&action.sa_mask);
    ::sigaction(SIGINT, &action, nullptr);
}

bool requested()
{
    return interrupted != 0;
}

bool fileDone()
{
    static const int interruptAfter = qEnvironmentVariableIntValue("VELMORA_TEST_INTERRUPT_AFTER");
    static int done = 0;
    if (interruptAfter > 0 && ++done == interruptAfter)
        std::raise(SIGINT);
    return !requested();
}

}  // namespace RunStop
