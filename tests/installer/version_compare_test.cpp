// Version comparison of the module record: four 16-bit pieces compared as two words.
#include "module/module_record.h"

#include <gtest/gtest.h>

namespace {

struct VersionCase {
  const wchar_t* a;
  const wchar_t* b;
  int expected;
};

class CompareVersionsTest : public ::testing::TestWithParam<VersionCase> {};

TEST_P(CompareVersionsTest, OrdersAndIsAntisymmetric) {
  const VersionCase& c = GetParam();
  EXPECT_EQ(ModuleRecord::CompareVersions(c.a, c.b), c.expected);
  EXPECT_EQ(ModuleRecord::CompareVersions(c.b, c.a), -c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Pieces, CompareVersionsTest,
    ::testing::Values(
        VersionCase{L"1.2", L"1.2.0.0", 0},          // missing pieces are 0
        VersionCase{L"10.0", L"9.99", 1},            // numbers, not text
        VersionCase{L"", L"0.0.0.1", -1},            // empty is all zeros
        VersionCase{L"1.65536", L"1.0", 0},          // only the low 16 bits of a piece
        VersionCase{L"2", L"1.9.9.9", 1},            // the high word decides first
        VersionCase{L"1.2.3.4.9", L"1.2.3.4", 0},    // a fifth piece does not count
        VersionCase{L"1..3", L"1.0.3", 0},           // an empty piece between dots is 0
        VersionCase{L" 7.1", L"7.1", 0},             // leading blanks skipped
        VersionCase{L"3a.2b", L"3.2", 0},            // digits up to the first other character
        VersionCase{L"1.2.3.65535", L"1.2.4.0", -1},
        VersionCase{L"0.65535", L"1.0", -1},         // piece 2 cannot carry into piece 1
        VersionCase{L"65535.0.0.0", L"1.0", 1},      // compared unsigned
        VersionCase{L"x.y", L"0.0", 0}));

}  // namespace
