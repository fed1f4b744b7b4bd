#ifndef SETTINGSPAGE_H
#define SETTINGSPAGE_H

class Ui_MainWindow;

// The "Настройки" tab: the port and its parameters, and the columns the channel table shows.
class SettingsPage
{
public:
    void init(Ui_MainWindow *ui);

    // The ports the system lists as free, into "Порт".
    void scanPorts();
    void fillFixedLists();
    // The checked columns shown, the ones the device type has not hidden from the list.
    void selectColumns(int devType);

    void restoreTypedPort();
    void storeTypedPort();
    void restoreFastLink();
    void storeFastLink();

private:
    Ui_MainWindow *ui = nullptr;
};

#endif
