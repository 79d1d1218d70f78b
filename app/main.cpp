#include "app/sensordemoapp.h"
#include "platform/terminationsignals.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication qapp(argc, argv);
    // Asked to terminate, the program ends as on Quit: the port is closed, its lock removed.
    velmora::endDialogsOnTerminationSignals();
    CSensorDemoApp theApp;
    theApp.InitInstance();
    return 0;
}
