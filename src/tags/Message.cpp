#include "tags/Message.h"

#include <cstdio>
#include <utility>

namespace Message {
namespace {
Handler &installed()
{
    static Handler handler;
    return handler;
}
}  // namespace

void show(const QString &text)
{
    if (installed())
        installed()(text);
    else
        std::fprintf(stderr, "Velmora: %s\n", text.toLocal8Bit().constData());
}

Handler setHandler(Handler handler)
{
    return std::exchange(installed(), std::move(handler));
}

}  // namespace Message
