#include "tests/support/connectedwindow.h"

#include "tests/support/fastexchange.h"

#include <QCheckBox>
#include <QCoreApplication>
#include <QDebug>
#include <QDeadlineTimer>
#include <QMetaObject>
#include <QSpinBox>

ConnectedWindow::ConnectedWindow(const Simulator::Options &options)
    : simulator(options), slaveAddress(options.slaveAddress), previousDir(QDir::currentPath())
{
    QDir::setCurrent(dir.path());
    window = std::make_unique<MainWindow>();
    widget<QComboBox>("cTypeDev")->setCurrentIndex(options.deviceType == 64 ? 1 : 0);
    widget<QCheckBox>("cbFastLink")->setChecked(fastExchangeUnderTest());
}

ConnectedWindow::~ConnectedWindow()
{
    window.reset();
    QDir::setCurrent(previousDir);
}

bool ConnectedWindow::connect()
{
    if (!simulator.start())
        return false;
    pressStart(simulator.portPath());
    if (!isConnected()) {
        qWarning() << "opening" << simulator.portPath() << "failed:" << answerer.messages();
        return false;
    }
    tick(); // identification
    if (!isConnected())
        qWarning() << "connecting failed:" << answerer.messages();
    return isConnected();
}

void ConnectedWindow::pressStart(const QString &port)
{
    widget<QComboBox>("cComPort")->setEditText(port);
    widget<QSpinBox>("sbMB_Adr")->setValue(slaveAddress);
    click("Start");
}

bool ConnectedWindow::modbusAnswers()
{
    const int messages = answerer.messages().size();
    click("DateTimeRead");
    tick();
    return isConnected() && answerer.messages().size() == messages;
}

void ConnectedWindow::tick()
{
    QMetaObject::invokeMethod(window.get(), "Timer", Qt::DirectConnection);
    waitIdle();
}

bool ConnectedWindow::waitIdle(int timeoutMs)
{
    QDeadlineTimer deadline(timeoutMs);
    while (window->linkBusy() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::AllEvents | QEventLoop::WaitForMoreEvents, 50);
    if (window->linkBusy()) {
        qWarning("the link is still busy after %d ms", timeoutMs);
        return false;
    }
    return true;
}

void ConnectedWindow::click(const char *button)
{
    widget<QPushButton>(button)->click();
}

bool ConnectedWindow::isConnected() const
{
    return widget<QPushButton>("Stop")->isEnabled();
}
