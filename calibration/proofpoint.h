// Calibration records and their text form, and the conversion of a raw reading through a
// sensor's records. Plain C++ without Qt, so that tests and the fuzzer call it directly.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velmora {

// One record: the raw reading and the standard value (millimetres) the operator gave it.
struct ProofPoint {
    std::int32_t x = 0;
    std::int32_t y = 0;
    friend bool operator==(const ProofPoint&, const ProofPoint&) = default;
};

// Records in the order they were made or read; never sorted, duplicates kept.
using ProofPointList = std::vector<ProofPoint>;

// Appends the records of a stored value ("(x,y);" each) to `out`, in order. A record text
// is what lies between two ';'. Skipped: empty texts, texts of 64 characters or more, texts
// that do not begin with "(" followed by two comma-separated 32-bit numbers (blanks before
// a number are allowed; what follows the second number is ignored), and whatever follows
// the last ';'.
void parseProofRecords(std::string_view value, ProofPointList& out);

// The stored value of `points`: "(x,y);" per record, empty for no records.
std::string formatProofRecords(const ProofPointList& points);

}  // namespace velmora

// The raw reading `r` converted through `points` by linear (bReciprocal false) or
// reciprocal-linear interpolation between the two records that bracket it, extrapolating
// beyond the ends of the table; -1 when there are no records.
std::int32_t ConvertRawValue(const velmora::ProofPointList& points, std::int32_t r,
                             bool bReciprocal);
