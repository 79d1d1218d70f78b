#include "simoptions.h"

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace velmora::sim {

namespace {

bool parseDouble(const std::string& text, double* out) {
    if (text.empty()) return false;
    char* end = nullptr;
    errno = 0;
    const double v = std::strtod(text.c_str(), &end);
    if (errno != 0 || *end != '\0' || !std::isfinite(v)) return false;
    *out = v;
    return true;
}

// Decimal, or hexadecimal with a 0x prefix.
bool parseInteger(const std::string& text, long long min, long long max, long long* out) {
    if (text.empty() || text[0] == '-' || text[0] == '+' || text[0] == ' ') return false;
    char* end = nullptr;
    errno = 0;
    const long long v = std::strtoll(text.c_str(), &end, 0);
    if (errno != 0 || *end != '\0' || v < min || v > max) return false;
    *out = v;
    return true;
}

bool parseDeviceNo(const std::string& text, std::array<std::uint8_t, 4>* out) {
    if (text.size() != 8) return false;
    for (std::size_t i = 0; i < 4; ++i) {
        const std::string pair = text.substr(2 * i, 2);
        char* end = nullptr;
        if (!std::isxdigit(static_cast<unsigned char>(pair[0])) ||
            !std::isxdigit(static_cast<unsigned char>(pair[1])))
            return false;
        (*out)[i] = static_cast<std::uint8_t>(std::strtoul(pair.c_str(), &end, 16));
    }
    return true;
}

bool parseDate(const std::string& text, int* y, int* m, int* d) {
    int year = 0, month = 0, day = 0;
    char sep1 = 0, sep2 = 0, extra = 0;
    if (std::sscanf(text.c_str(), "%d%c%d%c%d%c", &year, &sep1, &month, &sep2, &day, &extra) != 5)
        return false;
    if (sep1 != sep2 || (sep1 != '.' && sep1 != '-')) return false;
    // The device stores the year in 16 bits and month and day in one byte each; values are
    // not checked against the calendar so that odd dates can be sent on purpose.
    if (year < 0 || year > 65535 || month < 0 || month > 255 || day < 0 || day > 255) return false;
    *y = year;
    *m = month;
    *d = day;
    return true;
}

bool parseSequence(const std::string& text, std::vector<std::uint16_t>* out) {
    std::vector<std::uint16_t> values;
    std::stringstream ss(text);
    std::string item;
    while (std::getline(ss, item, ',')) {
        long long v = 0;
        if (!parseInteger(item, 0, 65535, &v)) return false;
        values.push_back(static_cast<std::uint16_t>(v));
    }
    if (values.empty() || (!text.empty() && text.back() == ',')) return false;
    *out = std::move(values);
    return true;
}

bool parseRate(const std::string& text, double* out) {
    double v = 0;
    if (!parseDouble(text, &v) || v < 0 || v > 1.0) return false;
    *out = v;
    return true;
}

}  // namespace

std::optional<SimOptions> parseSimOptions(const std::vector<std::string>& args,
                                          std::string* error) {
    SimOptions o;
    auto fail = [&](const std::string& text) {
        if (error) *error = text;
        return std::optional<SimOptions>();
    };
    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::string value;
        bool hasValue = false;
        if (const auto eq = name.find('='); name.rfind("--", 0) == 0 && eq != std::string::npos) {
            value = name.substr(eq + 1);
            name = name.substr(0, eq);
            hasValue = true;
        }
        auto needValue = [&]() {
            if (hasValue) return true;
            if (i + 1 >= args.size()) return false;
            value = args[++i];
            return true;
        };
        if (name == "--help" || name == "-h") {
            o.help = true;
        } else if (name == "--quiet" || name == "-q") {
            o.quiet = true;
        } else if (name == "--link") {
            if (!needValue()) return fail("--link needs a port (COM1) or a path");
            long long n = 0;
            if (value.size() > 3 && (value.rfind("COM", 0) == 0 || value.rfind("com", 0) == 0) &&
                parseInteger(value.substr(3), 1, 255, &n)) {
                o.linkPath = portLinkPath(static_cast<int>(n));
            } else if (value.find('/') != std::string::npos) {
                o.linkPath = value;
            } else {
                return fail("--link: '" + value + "' is neither COM1..COM255 nor a path");
            }
        } else if (name == "--rate") {
            if (!needValue() || !parseDouble(value, &o.config.sampleRate) ||
                o.config.sampleRate < 0 || o.config.sampleRate > 1e6)
                return fail("--rate needs samples per second from 0 (unthrottled) to 1000000");
        } else if (name == "--device-no") {
            if (!needValue() || !parseDeviceNo(value, &o.config.deviceNo))
                return fail("--device-no needs eight hexadecimal digits, e.g. 1234ABCD");
        } else if (name == "--date") {
            if (!needValue() || !parseDate(value, &o.config.year, &o.config.month, &o.config.day))
                return fail("--date needs YYYY.MM.DD, e.g. 2014.05.07");
        } else if (name == "--sequence") {
            if (!needValue() || !parseSequence(value, &o.config.fixedSequence))
                return fail("--sequence needs comma-separated values 0..65535, e.g. 100,200,300");
        } else if (name == "--noise") {
            long long n = 0;
            if (!needValue() || !parseInteger(value, 1, 65535, &n))
                return fail("--noise needs the largest value, 1 to 65535");
            o.config.noiseMax = static_cast<int>(n);
        } else if (name == "--bad-check") {
            if (!needValue() || !parseRate(value, &o.config.badCheckRate))
                return fail("--bad-check needs a probability from 0 to 1");
        } else if (name == "--junk") {
            if (!needValue() || !parseRate(value, &o.config.junkRate))
                return fail("--junk needs a probability from 0 to 1");
        } else if (name == "--split") {
            if (!needValue() || !parseRate(value, &o.config.splitRate))
                return fail("--split needs a probability from 0 to 1");
        } else if (name == "--burst") {
            long long n = 0;
            if (!needValue() || !parseInteger(value, 1, 100000, &n))
                return fail("--burst needs a frame count from 1 to 100000");
            o.config.burst = static_cast<int>(n);
        } else if (name == "--seed") {
            long long n = 0;
            if (!needValue() || !parseInteger(value, 0, 0xFFFFFFFFLL, &n))
                return fail("--seed needs a number from 0 to 4294967295");
            o.config.seed = static_cast<std::uint32_t>(n);
        } else if (name == "--seconds") {
            if (!needValue() || !parseDouble(value, &o.seconds) || o.seconds < 0)
                return fail("--seconds needs a non-negative number");
        } else {
            return fail("unknown option '" + args[i] + "' (try --help)");
        }
    }
    return o;
}

std::string simUsage(const std::string& program) {
    return "Usage: " + program + R"( [options]

Simulates the skin-resistance sensor on a pseudo-terminal. The device answers the start,
stop, device-number and date commands and streams sample frames while started.

  --link COMn | PATH   make the port link so the program's COMn opens the simulator
                       (COMn means $XDG_CONFIG_HOME/velmora/ports/COMn); a link to a
                       running simulator or another existing device is never replaced;
                       removed on exit if it still leads to this simulator
  --rate N             samples per second while started (default 200; 0 = as fast as
                       the line takes them)
  --device-no HEX8     device number answer (default 1234ABCD)
  --date YYYY.MM.DD    manufacturing date answer (default 2014.05.07)
  --sequence V1,V2,... send these raw values in a cycle instead of the realistic signal
  --noise MAX          send white noise from 0 to MAX instead of the realistic signal
                       (65535: the full scale; 2400: the chart's full height at its
                       start-up zoom)
  --bad-check P        probability per sample of an extra frame with a wrong check byte
  --junk P             probability per sample of 1-8 junk bytes before it
  --split P            probability per sample of writing its frame in two pieces
  --burst N            write sample frames in groups of N (default 1)
  --seed N             seed of the signal and of the faults (default 1)
  --seconds N          exit after N seconds (default: run until Ctrl+C)
  --quiet              print nothing but errors
  --help               this text

Exit status: 0 on a normal end, 1 if the pseudo-terminal or link cannot be made,
2 on a bad option.
)";
}

}  // namespace velmora::sim
