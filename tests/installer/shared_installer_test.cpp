// The process-wide installer automation object, and version comparison of module records.
#include "installer/shared_installer.h"
#include "module/module_record.h"

#include <gtest/gtest.h>

#include <memory>

namespace {

TEST(SharedInstaller, CreatedOnceForTwoRecordsKeptWhileOneLivesReleasedAfterTheLast) {
  ASSERT_EQ(0u, SharedInstaller::RecordCount()) << "a record leaked";
  const unsigned long created = SharedInstaller::CreationCount();
  auto first = std::make_unique<ModuleRecord>();
  auto second = std::make_unique<ModuleRecord>();
  EXPECT_EQ(created + 1, SharedInstaller::CreationCount());
  const ComRef<IDispatch> observer = SharedInstaller::Get();
  ASSERT_TRUE(observer);
  first.reset();
  EXPECT_EQ(observer.Get(), SharedInstaller::Get().Get()) << "kept while a record lives";
  second.reset();
  EXPECT_FALSE(SharedInstaller::Get()) << "released with the last record";
  observer->AddRef();
  EXPECT_EQ(1u, observer->Release()) << "only this test's reference is left";

  ModuleRecord third;
  EXPECT_EQ(created + 2, SharedInstaller::CreationCount()) << "the next record creates anew";
}

TEST(CompareVersions, FourSixteenBitPiecesComparedAsTwoWords) {
  const struct {
    const wchar_t *a, *b;
    int expected;
  } cases[] = {
      {L"1.2", L"1.2.0.0", 0},            // missing pieces are 0
      {L"10.0", L"9.99", 1},              // numbers, not text
      {L"", L"0.0.0.1", -1},              // empty is all zeros
      {L"1.65536", L"1.0", 0},            // only the low 16 bits of a piece
      {L"2", L"1.9.9.9", 1},              // the high word decides first
      {L"1.2.3.4.9", L"1.2.3.4", 0},      // a fifth piece does not count
      {L" 7.1", L"7.1", 0},               // leading blanks skipped
      {L"3a.2b", L"3.2", 0},              // digits up to the first other character
      {L"65535.0.0.0", L"1.0", 1},        // compared unsigned
      {L"x.y", L"0.0", 0}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << '"' << c.a << "\" vs \"" << c.b << '"');
    EXPECT_EQ(c.expected, ModuleRecord::CompareVersions(c.a, c.b));
    EXPECT_EQ(-c.expected, ModuleRecord::CompareVersions(c.b, c.a));
  }
}

}  // namespace
