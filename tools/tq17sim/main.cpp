#include "tools/tq17sim/commandline.h"
#include "tools/tq17sim/simulator.h"

#include <QCoreApplication>
#include <csignal>
#include <cstdio>
#include <pthread.h>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    CommandLine::Settings settings;
    QString error;
    if (!CommandLine::parse(QCoreApplication::arguments(), &settings, &error)) {
        std::fprintf(stderr, "tq17sim: %s\n", qPrintable(error));
        return 2;
    }

    // Blocked before the server thread exists, so that only sigwait() below takes them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    Simulator simulator(settings.options);
    simulator.setFault(settings.fault, settings.faultAfter, settings.faultParameter,
                       settings.faultCount);
    if (!simulator.start()) {
        std::fprintf(stderr, "tq17sim: %s\n", qPrintable(simulator.errorString()));
        return 1;
    }
    std::printf("%s\n", qPrintable(simulator.portPath()));
    std::fflush(stdout);
    std::fprintf(stderr, "tq17sim: TQ-17 %dK at address %d, factory number %u\n",
                 settings.options.deviceType, settings.options.slaveAddress,
                 settings.options.factoryNumber);

    int signal = 0;
    sigwait(&stopSignals, &signal);
    simulator.stop();
    return 0;
}
