// Fuzzes the calibration record loader (stored value text to records) and the conversion
// through the loaded records. Besides crashes and sanitizer reports it checks that every
// well-formed record of the input, "(x,y)" exactly with 32-bit numbers, is loaded, in order,
// and that the loaded records survive a write and a reread.
#include "calibration/proofpoint.h"

#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

// A strictly well-formed record text: "(" number "," number ")" and nothing else.
bool wellFormed(std::string_view text, velmora::ProofPoint& point) {
    if (text.size() < 5 || text.size() >= 64 || text.front() != '(' || text.back() != ')')
        return false;
    const std::string_view body = text.substr(1, text.size() - 2);
    const std::size_t comma = body.find(',');
    if (comma == std::string_view::npos) return false;
    auto number = [](std::string_view s, std::int32_t& out) {
        std::size_t i = s.size() > 0 && s[0] == '-' ? 1 : 0;
        if (i == s.size() || s.size() - i > 10) return false;
        for (std::size_t k = i; k < s.size(); ++k)
            if (s[k] < '0' || s[k] > '9') return false;
        const long long v = std::strtoll(std::string(s).c_str(), nullptr, 10);
        if (v < INT32_MIN || v > INT32_MAX) return false;
        out = static_cast<std::int32_t>(v);
        return true;
    };
    return number(body.substr(0, comma), point.x) && number(body.substr(comma + 1), point.y);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view value(reinterpret_cast<const char*>(data), size);
    velmora::ProofPointList loaded;
    velmora::parseProofRecords(value, loaded);

    // Every well-formed record appears in the loaded list, in input order.
    std::size_t next = 0;
    std::size_t start = 0;
    for (std::size_t end = value.find(';'); end != std::string_view::npos;
         start = end + 1, end = value.find(';', start)) {
        velmora::ProofPoint point;
        if (!wellFormed(value.substr(start, end - start), point)) continue;
        while (next < loaded.size() && !(loaded[next] == point)) ++next;
        if (next == loaded.size()) std::abort();
        ++next;
    }

    velmora::ProofPointList reread;
    velmora::parseProofRecords(velmora::formatProofRecords(loaded), reread);
    if (reread != loaded) std::abort();

    for (std::int32_t r : {0, 1, 500, 65535, -1, INT32_MAX, INT32_MIN}) {
        ConvertRawValue(loaded, r, false);
        ConvertRawValue(loaded, r, true);
    }
    return 0;
}
