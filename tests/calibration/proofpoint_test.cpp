// Record text to records and back, and the conversion of a raw reading through records.
#include "calibration/proofpoint.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using velmora::ProofPoint;
using velmora::ProofPointList;

namespace {

ProofPointList parse(std::string_view value) {
    ProofPointList list;
    velmora::parseProofRecords(value, list);
    return list;
}

}  // namespace

TEST(ProofRecords, ValueTextToRecords) {
    // A record text of n characters: "(1,00...02)".
    const auto record = [](std::size_t n) { return "(1," + std::string(n - 5, '0') + "2);"; };
    const struct {
        std::string value;
        ProofPointList records;
    } cases[] = {
        {"(10,2);", {{10, 2}}},
        {"(100,5);(200,10)", {{100, 5}}},  // the unterminated last record is not loaded
        {"(100,5);;(200,10);", {{100, 5}, {200, 10}}},
        {"(100, 5);", {{100, 5}}},
        {"( -1,\t+30);", {{-1, 30}}},
        {"(1,2)trailing;(3,4", {{1, 2}}},        // what follows the second number is ignored
        {"(1,2); (3,4);(5,6);", {{1, 2}, {5, 6}}},  // a record text must begin with "("
        {"x;(1);(1,);(,2);(1 ,2);(1,2);", {{1, 2}}},
        {"(2147483647,-2147483648);(2147483648,1);(1,+-2);", {{2147483647, -2147483647 - 1}}},
        {record(64) + "(7,8);", {{7, 8}}},
        {record(63) + "(7,8);", {{1, 2}, {7, 8}}},
        {"(5,5);(5,5);(5,1);", {{5, 5}, {5, 5}, {5, 1}}},    // duplicates stay, in order
    };
    for (const auto& c : cases) EXPECT_EQ(parse(c.value), c.records) << c.value;
}

TEST(ProofRecords, FormatReadsBackAndMatchesTheStoredForm) {
    const ProofPointList points{{1200, 50}, {2400, 100}, {-1, 30}, {0, -7}};
    const std::string text = velmora::formatProofRecords(points);
    EXPECT_EQ(text, "(1200,50);(2400,100);(-1,30);(0,-7);");
    EXPECT_EQ(parse(text), points);
    EXPECT_EQ(velmora::formatProofRecords({}), "");
}

TEST(ProofConversion, LinearAndReciprocalThroughTheBracketingRecords) {
    const struct {
        ProofPointList points;
        int r, linear, reciprocal;
    } cases[] = {
        {{{100, 10}, {200, 30}}, 150, 20, 15},
        {{{100, 10}, {200, 30}}, 50, 0, 7},
        {{{100, 10}, {200, 30}}, 300, 50, -30},
        {{{200, 30}, {100, 10}}, 150, 20, 15},
        {{{1200, 50}}, 2400, 100, 25},
        {{{1200, 50}, {2400, 100}, {3600, 150}}, 3000, 125, 120},
        {{{100, 10}, {100, 20}}, 100, 10, 10},
        {{{1000, 3000}, {65535, 5000}}, 30000, 3898, 3657},
        {{{0, 5}}, 0, 0, 0},
        {{}, 123, -1, -1},
        {{{1200, 50}}, 600, 25, 100},           // one record below the reading
        {{{0, 5}, {-3, 9}}, 40, 0, 0},          // no usable record at all
        {{{-5, 7}}, 0, 0, 0},                   // neither below nor above: no division by 0
        {{{100, 10}, {100, 20}, {300, 50}}, 500, 90, -16},  // equal x: the first one counts
    };
    for (const auto& c : cases) {
        EXPECT_EQ(ConvertRawValue(c.points, c.r, false), c.linear) << c.r;
        EXPECT_EQ(ConvertRawValue(c.points, c.r, true), c.reciprocal) << c.r;
    }
}
