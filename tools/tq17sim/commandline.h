#pragma once

#include "tools/tq17sim/simulator.h"

#include <QStringList>

// The tq17sim command line.
class CommandLine
{
public:
    struct Settings {
        Simulator::Options options;
        SimFault fault = SimFault::None;
        int faultAfter = 0;
        int faultCount = 1;
        int faultParameter = 0;
    };

    // Handles --help itself (prints and exits, as QCommandLineParser does); on a bad argument
    // returns false with the reason in error.
    static bool parse(const QStringList &arguments, Settings *settings, QString *error);
};
