// velmora-sim: the sensor device on a pseudo-terminal, for trying the program without hardware.
#include "devicesimulator.h"
#include "simoptions.h"

#include <cerrno>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <ctime>
#include <string>
#include <vector>

#include <signal.h>

int main(int argc, char** argv) {
    using namespace velmora::sim;
    const std::string program = "velmora-sim";
    std::vector<std::string> args(argv + 1, argv + argc);
    std::string error;
    const auto options = parseSimOptions(args, &error);
    if (!options) {
        std::fprintf(stderr, "%s: %s\n", program.c_str(), error.c_str());
        return 2;
    }
    if (options->help) {
        std::fputs(simUsage(program).c_str(), stdout);
        return 0;
    }

    // SIGINT and SIGTERM are taken synchronously below; block them before the simulator's
    // thread starts so that it inherits the mask and never receives them.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigaddset(&stopSignals, SIGHUP);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);

    DeviceSimulator sim(options->config);
    if (!sim.start(&error)) {
        std::fprintf(stderr, "%s: cannot start: %s\n", program.c_str(), error.c_str());
        return 1;
    }
    if (!options->linkPath.empty() && !sim.makeLink(options->linkPath, &error)) {
        std::fprintf(stderr, "%s: %s\n", program.c_str(), error.c_str());
        return 1;
    }
    if (!options->quiet) {
        std::printf("%s: device listening on %s\n", program.c_str(), sim.slavePath().c_str());
        if (!options->linkPath.empty())
            std::printf("%s: linked as %s\n", program.c_str(), options->linkPath.c_str());
        if (options->config.sampleRate > 0)
            std::printf("%s: %g samples/s while started; Ctrl+C ends\n", program.c_str(),
                        options->config.sampleRate);
        else
            std::printf("%s: unthrottled samples while started; Ctrl+C ends\n", program.c_str());
        std::fflush(stdout);
    }

    int signalNumber = 0;
    if (options->seconds > 0) {
        timespec limit{};
        limit.tv_sec = static_cast<time_t>(options->seconds);
        limit.tv_nsec = static_cast<long>((options->seconds - std::floor(options->seconds)) * 1e9);
        for (;;) {
            const int s = sigtimedwait(&stopSignals, nullptr, &limit);
            if (s > 0) signalNumber = s;
            if (s > 0 || errno == EAGAIN) break;  // signal, or the time is up
        }
    } else {
        sigwait(&stopSignals, &signalNumber);
    }

    sim.stop();  // closes the line and removes the link
    if (!options->quiet) {
        const SimStats s = sim.stats();
        std::printf(
            "%s: %s; sent %llu samples, %llu answers (%llu corrupted frames, %llu junk bytes, "
            "%llu split frames)\n",
            program.c_str(), signalNumber ? "interrupted" : "time is up",
            static_cast<unsigned long long>(s.samples), static_cast<unsigned long long>(s.answers),
            static_cast<unsigned long long>(s.badFrames),
            static_cast<unsigned long long>(s.junkBytes),
            static_cast<unsigned long long>(s.splitFrames));
    }
    return 0;
}
