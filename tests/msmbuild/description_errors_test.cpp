// Wrong descriptions: each is refused with a message that names the offending line, and no
// file is written.

#include "package_builder.h"
#include "scratch_folder.h"

#include <gtest/gtest.h>

#include <string>

namespace {

class DescriptionErrors : public ::testing::Test {
 protected:
  // Expects the description to fail at `line` with a message containing `fragment`.
  void ExpectError(const std::string& description, int line, const std::string& fragment) {
    const msmbuild::BuildResult result = msmbuild::BuildPackageFromText(description, package_);
    EXPECT_FALSE(result.ok) << description;
    const std::string prefix = "line " + std::to_string(line) + ": ";
    EXPECT_EQ(0u, result.error.rfind(prefix, 0)) << "error: " << result.error;
    EXPECT_NE(std::string::npos, result.error.find(fragment)) << "error: " << result.error;
    EXPECT_FALSE(FileExists(package_)) << "a refused description wrote " << description;
    EXPECT_FALSE(FileExists(package_ + L".partial"));
  }

  ScratchFolder folder_{L"errors"};
  std::wstring package_ = folder_ / L"refused.msm";
};

constexpr char SignatureHeader[] = "table ModuleSignature\n  ModuleID | Language | Version\n";

TEST_F(DescriptionErrors, LinesAreCountedWithCommentsBlankLinesAndCrLf) {
  ExpectError("# comment\r\n\r\nsummary Title = x\r\n  \r\nbogus directive\r\n", 5,
              "unknown directive \"bogus\"");
  ExpectError("\xEF\xBB\xBFsummary Title = x\nsummery Author = y\n", 2, "unknown directive");
}

TEST_F(DescriptionErrors, UnknownTablesAndColumns) {
  ExpectError("summary Title = x\ntable Nonsense\n", 2, "unknown table Nonsense");
  ExpectError("table Nonsense\n  Key | Value\n  a | b\n", 2, "needs a type");
  ExpectError("table Nonsense\n  Key:s72 | Value:S20\n  a | b\n", 2, "needs a key column");
  ExpectError("table File\n  File | Directory_\n", 2, "table File has no column Directory_");
  ExpectError("table File\n  File | FileSize:x4\n", 2, "column type");
  ExpectError("table Property\n  Property | Property\n", 2, "named twice");
  ExpectError("table Bad Name\n", 1, "expected \"table <Name>\"");
  ExpectError("table Property\n  Property | Value\ntable Property\n", 3, "already described at line 1");
}

TEST_F(DescriptionErrors, RowsMustMatchTheHeader) {
  ExpectError(std::string(SignatureHeader) + "  A | 1033\n", 3,
              "2 cells, but the header at line 2 names 3 columns");
  ExpectError(std::string(SignatureHeader) + "  A | 1033 | 1.0 | extra\n", 3, "4 cells");
  ExpectError("  A | B\n", 1, "no \"table\" line");
  ExpectError("table Property\n  Property | Value\n  a | b\nsummary Title = t\n  c | d\n", 5,
              "no \"table\" line");
}

TEST_F(DescriptionErrors, IntegerCells) {
  ExpectError(std::string(SignatureHeader) + "  A | english | 1.0\n", 3,
              "column Language holds 2-byte integers, not \"english\"");
  ExpectError(std::string(SignatureHeader) + "  A | 40000 | 1.0\n", 3, "2-byte integers");
  ExpectError(std::string(SignatureHeader) + "  A | -32768 | 1.0\n", 3, "2-byte integers");
  ExpectError("table File\n  File | Component_ | FileName | FileSize | Sequence\n"
              "  f | c | f | 12x | 1\n", 3, "column FileSize holds 4-byte integers");
}

TEST_F(DescriptionErrors, NullsWhereTheInstallerRefusesThem) {
  ExpectError(std::string(SignatureHeader) + "  A | 1033 | <null>\n", 3,
              "column Version (s32) cannot be null; declare it nullable in the header (Version:S32)");
  ExpectError(std::string(SignatureHeader) + "  A | 1033 | <text >\n", 3, "cannot be null");
  ExpectError("table ModuleSignature\n  ModuleID | Language\n  A | 1033\n", 3,
              "column Version (s32) cannot be null and the header leaves it out");
}

TEST_F(DescriptionErrors, DuplicateKeysNameBothRows) {
  ExpectError(std::string(SignatureHeader) + "  A | 1033 | 1.0\n  A | 1031 | 1.0\n  A | 1033 | 2.0\n",
              5, "same key as the row at line 3");
}

TEST_F(DescriptionErrors, MalformedSpecialCells) {
  ExpectError("table Property\n  Property | Value\n  P | <text never closed\n", 3, "closing \">\"");
  ExpectError("table Property\n  Property | Value\n  P | <text closed>| b\n", 3, "closing \">\"");
  ExpectError("table Property\n  Property | Value\n  P | <repeat many a>\n", 3, "<repeat N X>");
  ExpectError("table Property\n  Property | Value\n  P | <repeat 3>\n", 3, "<repeat N X>");
  ExpectError("table Property\n  Property | Value\n  P | <repeat 2000000 a>\n", 3, "<repeat N X>");
}

TEST_F(DescriptionErrors, RawTextExcludesPackageContent) {
  ExpectError("raw-text hello\ntable Property\n", 2, "raw-text lines");
  ExpectError("raw-text hello\n  indented\n", 2, "raw-text lines");
  ExpectError("summary Title = t\n# fine\nraw-text hello\n", 3, "line 1 describes package content");
}

TEST_F(DescriptionErrors, SummaryValues) {
  ExpectError("summary Auhtor = Acme\n", 1, "unknown summary property \"Auhtor\"");
  ExpectError("summary Author Acme\n", 1, "summary <Name> = <value>");
  ExpectError("summary PageCount = many\n", 1, "PageCount takes a number");
  ExpectError("summary Codepage = 70000\n", 1, "Codepage takes a number");
  ExpectError("summary PageCount = #4x2\n", 1, "PageCount takes a number");
  ExpectError("summary WordCount = #9999999999\n", 1, "WordCount takes a number");
  ExpectError("summary Codepage = #1252\n", 1, "Codepage cannot be stored as a 4-byte integer");
  ExpectError("summary CreateDtm = yesterday\n", 1, "YYYY/MM/DD hh:mm:ss");
  ExpectError("summary CreateDtm = 2021/13/40 10:00:00\n", 1, "YYYY/MM/DD hh:mm:ss");
  ExpectError("summary Author = <null>\n", 1, "leaving out its line");
  ExpectError("summary Title = a\n\nsummary Title = b\n", 3, "already set at line 1");
}

TEST_F(DescriptionErrors, TextEncoding) {
  ExpectError("summary Title = ok\nsummary Author = Soci\xE9t\xE9\n", 2, "not valid UTF-8");
  // Cyrillic has no code in the default code page 1252, nor in the ANSI code page of summaries.
  ExpectError("table Property\n  Property | Value\n  P | \xD0\x9F\xD1\x80\xD0\xB8\n", 3,
              "code page 1252 cannot hold");
  ExpectError("codepage 1251\nsummary Title = \xD0\x9F\xD1\x80\xD0\xB8\n", 2,
              "ANSI code page cannot hold");
  ExpectError("codepage 99999\n", 1, "not a code page");
  ExpectError("codepage 1251\ncodepage 1252\n", 2, "already set at line 1");
}

}  // namespace
