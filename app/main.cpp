#include "app/sensordemoapp.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication qapp(argc, argv);
    CSensorDemoApp theApp;
    theApp.InitInstance();
    return 0;
}
