#include "tags/Message.h"

#include "tags/TextEscape.h"

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
    // Messages quote names and tag text from files: their control characters are shown, not obeyed.
    const QString shown = TextEscape::visible(text, true);
    if (installed())
        installed()(shown);
    else
        std::fprintf(stderr, "Velmora: %s\n", shown.toLocal8Bit().constData());
}

Handler setHandler(Handler handler)
{
    return std::exchange(installed(), std::move(handler));
}

}  // namespace Message
