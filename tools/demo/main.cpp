// velmora-demo (English edition) and velmora-demo-zh (Chinese edition): the edition's main
// dialog against the device simulator, without anyone at the keyboard. It clicks through open port, start sampling, read device number and date, lets the
// waveform run for a few seconds, stops, writes a screenshot and closes the port.
#include "app/edition.h"
#include "app/sensordemodlg.h"
#include "platform/dialogbuilder.h"
#include "platform/messagebox.h"
#include "res/resource.h"
#include "tools/sim/devicesimulator.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFileInfo>
#include <QPixmap>
#include <QTimer>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

struct DemoOptions {
    std::string output = "velmora-demo.png";
    double seconds = 4;
    double rate = 200;
};

void usage() {
    std::puts(
        "Usage: velmora-demo [--seconds N] [--rate N] [OUTPUT.png]\n"
        "\n"
        "Runs the main dialog against the device simulator on COM1: open port, start\n"
        "sampling, read device number and date, N seconds of live waveform (default 4) at the\n"
        "given samples per second (default 200), stop sampling, write a screenshot (default\n"
        "velmora-demo.png) and close the port. Without a display it runs offscreen.");
}

bool parseNumber(const char* text, double min, double max, double* out) {
    char* end = nullptr;
    const double v = std::strtod(text, &end);
    if (end == text || *end != '\0' || !(v >= min && v <= max)) return false;
    *out = v;
    return true;
}

// Returns 0 to go on, otherwise the exit code.
int parseArgs(int argc, char** argv, DemoOptions* o) {
    for (int i = 1; i < argc; ++i) {
        const std::string a = argv[i];
        if (a == "--help" || a == "-h") {
            usage();
            return -1;
        }
        if (a == "--seconds" || a == "--rate") {
            double* target = a == "--seconds" ? &o->seconds : &o->rate;
            const double max = a == "--seconds" ? 3600 : 100000;
            if (i + 1 >= argc || !parseNumber(argv[++i], a == "--rate" ? 1 : 0, max, target)) {
                std::fprintf(stderr, "velmora-demo: %s needs a number from %s to %g\n", a.c_str(),
                             a == "--rate" ? "1" : "0", max);
                return 2;
            }
        } else if (!a.empty() && a[0] == '-') {
            std::fprintf(stderr, "velmora-demo: unknown option '%s' (try --help)\n", a.c_str());
            return 2;
        } else {
            o->output = a;
        }
    }
    return 0;
}

// Runs the event loop for the given time, so the dialog receives and draws.
void pump(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

}  // namespace

int main(int argc, char** argv) {
    DemoOptions options;
    if (const int rc = parseArgs(argc, argv, &options)) return rc < 0 ? 0 : rc;

    // Headless machines: the offscreen platform renders the same pixels.
    if (!std::getenv("QT_QPA_PLATFORM") && !std::getenv("DISPLAY") &&
        !std::getenv("WAYLAND_DISPLAY"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);

    // The port link goes into a private configuration directory, so the demo never touches
    // the user's own port mapping.
    char dirTemplate[] = "/tmp/velmora-demo-XXXXXX";
    if (!::mkdtemp(dirTemplate)) {
        std::perror("velmora-demo: cannot make a temporary directory");
        return 1;
    }
    const std::string configDir = dirTemplate;
    ::setenv("XDG_CONFIG_HOME", configDir.c_str(), 1);
    struct RemoveDir {
        std::string path;
        ~RemoveDir() {
            std::error_code ec;
            std::filesystem::remove_all(path, ec);
        }
    } removeDir{configDir};

    velmora::sim::SimConfig config;
    config.sampleRate = options.rate;
    velmora::sim::DeviceSimulator sim(config);
    std::string error;
    if (!sim.start(&error) || !sim.makeLink(velmora::sim::portLinkPath(1), &error)) {
        std::fprintf(stderr, "velmora-demo: simulator: %s\n", error.c_str());
        return 1;
    }
    std::printf("velmora-demo: simulated device on %s, linked as COM1\n", sim.slavePath().c_str());

    QApplication app(argc, argv);
    velmora::installResources(velmora::editionResources());
    velmora::installFontSubstitutions();
    // No one is there to answer a message box: print it and carry on.
    std::vector<QString> boxes;
    velmora::setMessageBoxHook([&boxes](const velmora::MessageBoxRequest& r) {
        std::printf("velmora-demo: message box: %s\n", qPrintable(r.text));
        boxes.push_back(r.text);
        return int(velmora::IDOK);
    });

    CSensorDemoDlg dlg;
    dlg.create();
    dlg.show();
    pump(200);

    dlg.sendCommand(IDC_OPEN_PORT);
    pump(100);
    if (!dlg.comm().GetPortOpen()) {
        std::fprintf(stderr, "velmora-demo: the dialog could not open COM1\n");
        return 1;
    }
    std::printf("velmora-demo: port open (button now reads \"%s\")\n",
                qPrintable(dlg.itemText(IDC_OPEN_PORT)));

    dlg.sendCommand(IDC_START_SAMPLING);
    const int liveMs = static_cast<int>(options.seconds * 1000);
    pump(liveMs / 4);
    dlg.sendCommand(IDC_READ_DEVICE_NO);
    pump(200);
    dlg.sendCommand(IDC_READ_MAKE_DATE);
    pump(liveMs - liveMs / 4);
    dlg.sendCommand(IDC_STOP_SAMPLING);
    pump(300);

    const QString deviceNo = dlg.itemText(IDC_DEVICE_NO);
    const QString makeDate = dlg.itemText(IDC_MAKE_DATE);
    const QPixmap shot = dlg.grab();
    const bool saved = shot.save(QString::fromStdString(options.output), "PNG");

    std::printf("velmora-demo: device number %s, manufacturing date %s\n", qPrintable(deviceNo),
                qPrintable(makeDate));
    std::printf("velmora-demo: %llu samples sent, value box shows %d\n",
                static_cast<unsigned long long>(sim.samplesSent()), dlg.value());

    dlg.sendCommand(IDC_OPEN_PORT);  // the same button closes the port
    pump(100);
    const bool closed = !dlg.comm().GetPortOpen() &&
                        dlg.itemText(IDC_OPEN_PORT) == velmora::editionText("打开串口", "Open Port");
    dlg.destroyWindow();
    sim.stop();

    if (!saved) {
        std::fprintf(stderr, "velmora-demo: cannot write %s\n", options.output.c_str());
        return 1;
    }
    std::printf("velmora-demo: screenshot written to %s\n",
                qPrintable(QFileInfo(QString::fromStdString(options.output)).absoluteFilePath()));
    // The run only counts as a success if the dialog did its whole job.
    const bool ok = closed && boxes.empty() && sim.samplesSent() > 0 && dlg.value() > 0 &&
                    deviceNo == QLatin1String("1234ABCD") &&
                    makeDate == QLatin1String("2014.05.07");
    if (!ok) std::fprintf(stderr, "velmora-demo: the dialog did not show what the device sent\n");
    return ok ? 0 : 1;
}
