#ifndef COMMANDS_H
#define COMMANDS_H

#include <QStringList>

// The commands of tq17ctl. Each takes the program's arguments (program, command, the rest) and
// returns the exit code.
namespace Commands {

int info(const QStringList &arguments);
int clock(const QStringList &arguments);
int scan(const QStringList &arguments);
int readSettings(const QStringList &arguments);
int writeSettings(const QStringList &arguments);
int compare(const QStringList &arguments);
int report(const QStringList &arguments);
int download(const QStringList &arguments);
int exportWorkbook(const QStringList &arguments);

} // namespace Commands

#endif
