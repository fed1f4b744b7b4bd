#pragma once

#include "app/mainwindow.h"
#include "tests/support/modalanswerer.h"
#include "tests/support/testhome.h"
#include "tools/tq17sim/simulator.h"

#include <QComboBox>
#include <QDir>
#include <QPushButton>
#include <QTemporaryDir>
#include <memory>

// A main window in a directory and a home of its own, connected to a simulated controller
// over a pseudo-terminal. Ticks are started by the test, not by the window's timer, and run in
// the window's controller thread.
class ConnectedWindow
{
public:
    explicit ConnectedWindow(const Simulator::Options &options = {});
    ~ConnectedWindow();

    // Starts the simulator and the window and presses Start; false when either failed.
    bool connect();
    // Names the port, sets the simulator's address and presses Start.
    void pressStart(const QString &port);
    // A clock read served without a message: the Modbus line works.
    bool modbusAnswers();
    // Runs one poll tick and waits until the window has shown all it brought.
    void tick();
    // Waits until the controller thread is idle and its results are shown; false on time-out.
    bool waitIdle(int timeoutMs = 120000);
    void click(const char *button);
    bool isConnected() const;

    template <typename T> T *widget(const char *name) const
    {
        T *found = window->findChild<T *>(QString::fromLatin1(name));
        if (!found)
            qFatal("no widget %s", name);
        return found;
    }

    TestHome home; // before the window: it finds its documents folder when built
    Simulator simulator;
    std::unique_ptr<MainWindow> window;
    ModalAnswerer answerer;

private:
    int slaveAddress;
    QTemporaryDir dir;
    QString previousDir;
};
