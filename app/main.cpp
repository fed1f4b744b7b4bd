#include "app/mainwindow.h"
#include "app/screenfit.h"
#include "device/qttexts.h"

#include <QApplication>
#include <QStyleFactory>

int main(int argc, char *argv[])
{
    QApplication::setAttribute(Qt::AA_EnableHighDpiScaling);
    QApplication::setStyle(QStyleFactory::create(QStringLiteral("Fusion")));
    QApplication application(argc, argv);
    installQtRussianTexts();
    // The window is destroyed before the application object; its destructor saves "ini".
    MainWindow window;
    fitToScreen(window);
    window.show();
    return application.exec();
}
