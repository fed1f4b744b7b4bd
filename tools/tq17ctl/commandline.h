#ifndef COMMANDLINE_H
#define COMMANDLINE_H

#include "controller/linksettings.h"

#include <QCommandLineParser>
#include <QString>
#include <QStringList>

// The arguments of one command: its own options and positional arguments, and, for commands that
// talk to a controller, the line options.
class CommandLine
{
public:
    // Optional: the line options are offered, and read only when --port is given.
    enum class Line { Used, Optional, Unused };

    CommandLine(const QString &command, const QString &description, Line line = Line::Used);

    QCommandLineParser &parser() { return options; }
    const QCommandLineParser &parser() const { return options; }
    // Shows the help and exits on --help; false, after saying why, when the arguments do not fit.
    // arguments[0] is the program, arguments[1] the command.
    bool parse(const QStringList &arguments, int positionalCount);
    QString positional(int index) const { return options.positionalArguments().at(index); }
    const LinkSettings &link() const { return settings; }
    bool linkGiven() const { return !settings.port.isEmpty(); }
    int channelCount() const;
    // Offers --channels "A-B" or "A"; parse() then refuses a range outside the device type's
    // channels, and firstChannel()/lastChannel() give it as 0-based indices, all when not given.
    void offerChannels();
    int firstChannel() const { return first; }
    int lastChannel() const { return last; }

private:
    bool readLink();
    bool readChannels();
    bool invalid(const QString &message) const;

    const QString command;
    const Line line;
    QCommandLineParser options;
    LinkSettings settings;
    int first = 0;
    int last = 0;
};

#endif
