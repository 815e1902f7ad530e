#include "tags/text/Message.h"

#include "tags/text/TextEscape.h"

#include <cstdio>
#include <utility>

namespace Message {
namespace {
Handler &installed()
{
    static Handler handler;
    return handler;
}

Question &installedQuestion()
{
    static Question handler;
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

bool ask(const QString &text)
{
    const QString shown = TextEscape::visible(text, true);
    if (installedQuestion())
        return installedQuestion()(shown);
    std::fprintf(stderr, "Velmora: %s (answered no)\n", shown.toLocal8Bit().constData());
    return false;
}

Question setQuestionHandler(Question handler)
{
    return std::exchange(installedQuestion(), std::move(handler));
}

}  // namespace Message
