#include "app/commandline.h"
#include "app/edition.h"
#include "app/sensordemoapp.h"
#include "platform/terminationsignals.h"

#include <QApplication>
#include <QFileInfo>

#include <cstdio>
#include <cstring>

int main(int argc, char* argv[]) {
    const QString program = QFileInfo(QString::fromLocal8Bit(argv[0])).fileName();
    // --help works without a display: it is answered before the toolkit starts.
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--record") == 0)
            ++i;
        else if (std::strcmp(argv[i], "--help") == 0 || std::strcmp(argv[i], "-h") == 0) {
            std::fputs(qPrintable(velmora::commandLineHelp(program)), stdout);
            return 0;
        }
    }
    QApplication qapp(argc, argv);  // takes the toolkit's own options out
    // Lets a Wayland desktop match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(
        velmora::editionText("org.velmora.Velmora", "org.velmora.VelmoraEn"));
    const velmora::CommandLine options = velmora::parseCommandLine(qapp.arguments().mid(1));
    QString error = options.error;
    // The file to record to is made before any window opens.
    if (error.isEmpty() && !options.recordFile.isEmpty())
        error = velmora::prepareRecordFile(options.recordFile);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(program), qPrintable(error));
        return 2;
    }
    // Asked to terminate, the program ends as on Quit: the port is closed, its lock removed.
    velmora::endDialogsOnTerminationSignals();
    CSensorDemoApp theApp;
    theApp.setRecordFile(options.recordFile);
    theApp.InitInstance();
    return 0;
}
