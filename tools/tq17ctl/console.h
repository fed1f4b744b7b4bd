#ifndef CONSOLE_H
#define CONSOLE_H

#include <QString>

// What the tool ends with: 0 done, 1 the controller did not answer or refused or a file could not
// be written, 2 bad arguments or files.
enum class Exit : int { Done = 0, Controller = 1, NotWritten = 1, Differs = 1, Input = 2 };

// Lines for the user: results on stdout, messages on stderr, in UTF-8.
namespace Console {

void out(const QString &line);
void err(const QString &line);
// Says why and returns the exit code, so a command can end with one statement.
int fail(Exit code, const QString &message);
// True when stderr goes to a terminal, where a progress line can be redrawn.
bool stderrIsTerminal();
// Redraws the progress line in place; only on a terminal.
void progress(const QString &line);
// Ends a progress line that was drawn.
void endProgress();

} // namespace Console

#endif
