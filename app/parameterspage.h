#ifndef PARAMETERSPAGE_H
#define PARAMETERSPAGE_H

#include <QtGlobal>

class Data;
class Ui_MainWindow;
struct TickInput;

// The "Параметры" tab: factory number, hardware version, the controller's clock and direct mode,
// each asked of the controller at the next poll tick.
class ParametersPage
{
public:
    explicit ParametersPage(Data &data);

    void init(Ui_MainWindow *ui);

    // The number typed in, checked now; false, after saying why, when it is not one.
    bool requestFactoryNumber();
    void requestHardwareVersion();
    void requestClockRead();
    void requestClockWrite();
    // The PC's time into the fields, and written.
    void requestClockSync();
    void requestDirectMode();

    // What a tick writes: the values chosen on the page.
    void fillTickInput(TickInput &input) const;

    void showFactoryNumber(quint32 number);
    void showClock(quint32 clock);
    void showHardwareVersion(quint16 version);

private:
    Data &data;
    Ui_MainWindow *ui = nullptr;
    // The clock write sets the PC's time ("Синхронизировать").
    bool clockSync = false;
    // The factory number "Записать" was pressed for, checked when pressed.
    quint32 requestedFactoryNumber = 0;
};

#endif
