#include "tags/text/TestStop.h"

#include <QByteArray>

#include <csignal>
#include <cstdlib>

namespace {

// "step" or "step:N", the N-th time the step is reached (the first by default).
struct Stop {
    QByteArray step;
    int arrival = 1;
    int passed = 0;
};

Stop &stop()
{
    static Stop s = [] {
        Stop parsed;
        const QByteArray text = qgetenv("VELMORA_TEST_STOP_AT");
        const qsizetype colon = text.indexOf(':');
        parsed.step = colon < 0 ? text : text.left(colon);
        if (colon >= 0)
            parsed.arrival = text.mid(colon + 1).toInt();
        return parsed;
    }();
    return s;
}

}  // namespace

namespace TestStop {

bool armed(const char *step)
{
    const Stop &s = stop();
    return !s.step.isEmpty() && s.step == step && s.passed + 1 == s.arrival;
}

void at(const char *step)
{
    Stop &s = stop();
    if (s.step.isEmpty() || s.step != step)
        return;
    if (++s.passed == s.arrival)
        std::raise(SIGKILL);
}

}  // namespace TestStop
