// Fuzzes the calibration record loader (value text to records) and the conversion through the
// loaded records: besides crashes and sanitizer reports, every well-formed record of the input is
// loaded, in order, and the loaded records survive a write and a reread.
#include "calibration/proofpoint.h"

#include <charconv>
#include <cstdlib>

// A strictly well-formed record text: "(", a number, ",", a number, ")" and nothing else.
static bool wellFormed(std::string_view t, velmora::ProofPoint& p) {
    if (t.size() < 5 || t.size() >= 64 || t.front() != '(' || t.back() != ')') return false;
    const auto [comma, xError] = std::from_chars(t.data() + 1, &t.back(), p.x);
    if (xError != std::errc() || *comma != ',') return false;
    const auto [close, yError] = std::from_chars(comma + 1, &t.back(), p.y);
    return yError == std::errc() && close == &t.back();
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view value(reinterpret_cast<const char*>(data), size);
    velmora::ProofPointList loaded, reread;
    velmora::parseProofRecords(value, loaded);
    // Every well-formed record appears in the loaded list, in input order.
    std::size_t next = 0;
    for (std::size_t start = 0, end; (end = value.find(';', start)) != value.npos;
         start = end + 1) {
        velmora::ProofPoint point;
        if (!wellFormed(value.substr(start, end - start), point)) continue;
        while (next < loaded.size() && !(loaded[next] == point)) ++next;
        if (next++ == loaded.size()) std::abort();
    }
    velmora::parseProofRecords(velmora::formatProofRecords(loaded), reread);
    if (reread != loaded) std::abort();
    for (std::int32_t r : {0, 1, 500, 65535, -1, INT32_MAX, INT32_MIN})
        ConvertRawValue(loaded, r, false), ConvertRawValue(loaded, r, true);
    return 0;
}
