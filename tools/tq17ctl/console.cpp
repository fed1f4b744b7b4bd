#include "console.h"

#include <cstdio>
#ifdef Q_OS_WIN
#include <io.h>
#else
#include <unistd.h>
#endif

namespace Console {

namespace {

bool progressShown = false;

void put(FILE *stream, const QString &text)
{
    std::fputs(text.toUtf8().constData(), stream);
    std::fflush(stream);
}

} // namespace

void out(const QString &line)
{
    put(stdout, line + QLatin1Char('\n'));
}

void err(const QString &line)
{
    endProgress();
    put(stderr, line + QLatin1Char('\n'));
}

int fail(Exit code, const QString &message)
{
    err(message);
    return int(code);
}

bool stderrIsTerminal()
{
#ifdef Q_OS_WIN
    return _isatty(_fileno(stderr));
#else
    return isatty(fileno(stderr));
#endif
}

void progress(const QString &line)
{
    static const bool terminal = stderrIsTerminal();
    if (!terminal)
        return;
    // Clears what a longer line before it left.
    put(stderr, QLatin1Char('\r') + line + QStringLiteral("\033[K"));
    progressShown = true;
}

void endProgress()
{
    if (!progressShown)
        return;
    progressShown = false;
    put(stderr, QStringLiteral("\n"));
}

} // namespace Console
