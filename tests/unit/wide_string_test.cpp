#include "common/path.h"
#include "common/version_rules.h"
#include "common/wide_string.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

TEST(WideStringSharing, ACopyThatChangesLeavesEveryOtherCopyAsItWas) {
  WideString original(L"module");
  std::vector<std::unique_ptr<WideString>> copies;  // more copies than one buffer takes owners
  for (unsigned i = 0; i < 300; ++i) copies.push_back(std::make_unique<WideString>(original));
  WideString assigned(L"other");
  assigned = original;
  copies[10]->Append(L"s");
  copies[280]->Append(L"!");
  assigned = assigned;
  EXPECT_STREQ(L"modules", copies[10]->c_str());
  EXPECT_STREQ(L"module!", copies[280]->c_str());
  for (unsigned i : {0u, 11u, 254u, 255u, 299u}) EXPECT_STREQ(L"module", copies[i]->c_str()) << i;
  EXPECT_STREQ(L"module", original.c_str());
  EXPECT_STREQ(L"module", assigned.c_str());
}

TEST(WideStringSharing, AppendingToItselfWorksWhenTheBufferMoves) {
  WideString text(L"abcdefghijklmnopqrstuvwxyz01234");  // 31 characters: a full first buffer
  text.Append(text);
  EXPECT_STREQ(L"abcdefghijklmnopqrstuvwxyz01234abcdefghijklmnopqrstuvwxyz01234", text.c_str());
}

TEST(WideStringLastError, ConstructCopyAssignAndDestroyKeepTheThreadsLastError) {
  SetLastError(ERROR_FILE_NOT_FOUND);
  {
    WideString a(L"text");
    WideString b = WideString::FromAnsi("ansi");
    WideString c(a);
    c = b;
    b = std::move(a);
    EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
  }
  EXPECT_EQ(static_cast<DWORD>(ERROR_FILE_NOT_FOUND), GetLastError());
}

TEST(WideStringOperations, CompareFindSubstringFormatSplit) {
  EXPECT_LT(WideString(L"Mod").Compare(L"ModA"), 0);  // a prefix sorts first
  EXPECT_GT(WideString(L"a").Compare(L"B"), 0);       // by code unit, not by letter
  EXPECT_LT(WideString(L"\x00e9").Compare(L"\xfb01"), 0);

  const WideString path(L"C:\\dir\\file.msm");
  EXPECT_EQ(7u, path.Find(L"file"));
  EXPECT_EQ(WideString::npos, path.Find(L"none"));
  EXPECT_TRUE(path.Substring(100).IsEmpty());
  EXPECT_EQ(L'\0', WideString().LastChar());

  EXPECT_STREQ(L"ModA:-1", WideString::Format(L"%s:%d", L"ModA", -1).c_str());
  EXPECT_EQ(1002u, WideString::Format(L"<%s>", std::wstring(1000, L'x').c_str()).Length());

  EXPECT_EQ(1u, WideString().Split(L',').size()) << "an empty text is one empty piece";
}

TEST(WideStringConversions, AnsiBstrAndWritingThrough) {
  WideString text = WideString::FromAnsi("Caf\xe9");  // e acute in code page 1252
  EXPECT_STREQ(L"Caf\x00e9", text.c_str());
  text.Append(L"!");
  EXPECT_STREQ("Caf\xe9!", text.Ansi());  // the ANSI copy follows a change
  EXPECT_EQ(5u, SysStringLen(text.Bstr()));

  BSTR copy = nullptr;
  EXPECT_EQ(S_OK, WideString().CopyTo(&copy));
  ASSERT_NE(nullptr, copy);  // an empty text is an empty BSTR, not a null one
  SysFreeString(copy);
  EXPECT_EQ(E_POINTER, text.CopyTo(nullptr));

  WideString written(text);
  wcscpy(written.ResizeForWrite(10), L"abc");
  written.TrimAtNull();
  EXPECT_EQ(3u, written.Length());
  EXPECT_STREQ(L"Caf\x00e9!", text.c_str()) << "writing through unshares first";
}

TEST(JoinPath, PutsExactlyOneBackslashBetween) {
  const struct {
    const wchar_t *left, *right, *joined;
  } cases[] = {{L"C:\\App", L"Gallery", L"C:\\App\\Gallery"},
               {L"C:\\App\\", L"Gallery", L"C:\\App\\Gallery"},
               {L"C:\\App\\", L"\\Gallery", L"C:\\App\\Gallery"},
               {L"C:\\App", L"\\Gallery", L"C:\\App\\Gallery"},
               {L"", L"x", L"\\x"},
               {L"C:\\App", L"", L"C:\\App"},
               {L"", L"", L""}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.left << " + " << c.right);
    EXPECT_STREQ(c.joined, JoinPath(c.left, c.right).c_str());
  }
  EXPECT_STREQ(L"C:\\a", ParentFolder(L"C:\\a\\b.dll").c_str());
}

TEST(CompareVersions, FourSixteenBitPiecesComparedAsTwoWords) {
  const struct { const wchar_t *a, *b; int expected; } cases[] = {
      {L"1.2", L"1.2.0.0", 0},            // missing pieces are 0
      {L"10.0", L"9.99", 1},              // numbers, not text
      {L"", L"0.0.0.1", -1},              // empty is all zeros
      {L"0.65536", L"1.0", -1},           // only the low 16 bits of a piece
      {L"2", L"1.9.9.9", 1},              // the high word decides first
      {L"1.2.3.4.9", L"1.2.3.4", 0},      // a fifth piece does not count
      {L" 7.1", L"7.1", 0},               // leading blanks skipped
      {L"3a.2b", L"3.2", 0},              // digits up to the first other character
      {L"65535.0.0.0", L"1.0", 1},        // compared unsigned
      {L"1.00000000000000000000005", L"1.y", 0}};  // 19 characters of a piece; no digits: 0
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << '"' << c.a << "\" vs \"" << c.b << '"');
    EXPECT_EQ(c.expected, CompareVersions(c.a, c.b));
    EXPECT_EQ(-c.expected, CompareVersions(c.b, c.a));
  }
}

}  // namespace
