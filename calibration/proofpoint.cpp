#include "calibration/proofpoint.h"

#include <charconv>
#include <limits>

namespace velmora {
namespace {

// A record text of this length or more is not a record (the writer's are at most 25).
constexpr std::size_t kMaxRecordText = 64;

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

// Reads a signed decimal number at `pos` after optional blanks; advances `pos` past it.
// False when no digits follow or the number does not fit in 32 bits.
bool readNumber(std::string_view text, std::size_t& pos, std::int32_t& value) {
    while (pos < text.size() && isBlank(text[pos])) ++pos;
    std::size_t start = pos;
    if (start < text.size() && text[start] == '+') {  // from_chars takes only '-'
        ++start;
        if (start < text.size() && text[start] == '-') return false;
    }
    const char* first = text.data() + start;
    const char* last = text.data() + text.size();
    const auto [end, error] = std::from_chars(first, last, value);
    if (error != std::errc()) return false;
    pos = static_cast<std::size_t>(end - text.data());
    return true;
}

// One record text "(x,y)..." without its ';'.
bool parseRecord(std::string_view text, ProofPoint& point) {
    if (text.empty() || text.size() >= kMaxRecordText || text.front() != '(') return false;
    std::size_t pos = 1;
    if (!readNumber(text, pos, point.x)) return false;
    if (pos >= text.size() || text[pos] != ',') return false;
    ++pos;
    return readNumber(text, pos, point.y);
}

}  // namespace

void parseProofRecords(std::string_view value, ProofPointList& out) {
    std::size_t start = 0;
    for (std::size_t end = value.find(';'); end != std::string_view::npos;
         start = end + 1, end = value.find(';', start)) {
        ProofPoint point;
        if (parseRecord(value.substr(start, end - start), point)) out.push_back(point);
    }
}

std::string formatProofRecords(const ProofPointList& points) {
    std::string text;
    text.reserve(points.size() * 16);
    for (const ProofPoint& p : points) {
        text += '(';
        text += std::to_string(p.x);
        text += ',';
        text += std::to_string(p.y);
        text += ");";
    }
    return text;
}

}  // namespace velmora

namespace {

using velmora::ProofPoint;

// 64-bit arithmetic that wraps instead of overflowing, so that absurd records (standard
// values near the 32-bit limits) give a wrong number rather than undefined behaviour.
std::int64_t mul(std::int64_t a, std::int64_t b) {
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) * static_cast<std::uint64_t>(b));
}
std::int64_t add(std::int64_t a, std::int64_t b) {
    return static_cast<std::int64_t>(static_cast<std::uint64_t>(a) + static_cast<std::uint64_t>(b));
}
std::int64_t div(std::int64_t a, std::int64_t b) {
    if (b == -1) return static_cast<std::int64_t>(0 - static_cast<std::uint64_t>(a));
    return a / b;  // truncates toward zero
}

}  // namespace

std::int32_t ConvertRawValue(const velmora::ProofPointList& points, std::int32_t r,
                             bool bReciprocal) {
    if (points.empty()) return -1;
    // x = 0 marks an absent lower point, x = 2^24 - 1 an absent upper one.
    constexpr std::int32_t kNoUpper = 16777215;
    ProofPoint lower{0, 0};
    ProofPoint upper{kNoUpper, 0};
    for (const ProofPoint& p : points) {
        if (p.x <= r && p.x > lower.x) lower = p;
        if (p.x >= r && p.x < upper.x) upper = p;
    }
    const bool several = points.size() >= 2;
    if (lower.x == 0 && several) {
        // Below every usable point: interpolate through the lowest one and the next higher.
        lower = upper;
        upper.x = kNoUpper;
        for (const ProofPoint& p : points)
            if (lower.x < p.x && p.x < upper.x) upper = p;
    }
    if (upper.x == kNoUpper && several) {
        // Above every usable point: through the highest one and the next lower.
        upper = lower;
        lower.x = 0;
        for (const ProofPoint& p : points)
            if (lower.x < p.x && p.x < upper.x) lower = p;
    }

    const std::int64_t lx = lower.x, ly = lower.y, ux = upper.x, uy = upper.y, v = r;
    std::int64_t result = 0;
    if (lower.x != 0 && upper.x != kNoUpper) {
        if (!bReciprocal) {
            result = lx == ux ? ly : add(ly, div(mul(uy - ly, v - lx), ux - lx));
        } else {
            // 1/y varies linearly with x between the two points.
            const std::int64_t d = add(mul(uy, ux - v), mul(ly, v - lx));
            result = d == 0 ? ly : div(mul(mul(ux - lx, uy), ly), d);
        }
    } else if (lower.x != 0) {
        // Only a lower point: proportional through the origin, or inversely proportional.
        result = !bReciprocal ? div(mul(ly, v), lx) : (v == 0 ? 0 : div(mul(ly, lx), v));
    } else if (!bReciprocal) {
        // Only an upper point, or none usable (then the upper point is the empty mark, y 0).
        result = ux == 0 ? 0 : div(mul(uy, v), ux);
    } else {
        result = v == 0 ? 0 : div(mul(uy, ux), v);
    }
    return static_cast<std::int32_t>(result);
}
