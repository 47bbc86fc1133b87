#include "common/wide_string.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

TEST(WideStringSharing, CopiesShareOneBufferUntilOneChanges) {
  WideString original(L"module");
  WideString copy(original);
  EXPECT_TRUE(copy.SharesBufferWith(original));
  EXPECT_EQ(2u, original.OwnerCount());

  copy.Append(L"s");
  EXPECT_FALSE(copy.SharesBufferWith(original));
  EXPECT_STREQ(L"module", original.c_str());
  EXPECT_STREQ(L"modules", copy.c_str());
  EXPECT_EQ(1u, original.OwnerCount());
}

TEST(WideStringSharing, AssignmentSharesAndReleasesThePreviousBuffer) {
  WideString a(L"first");
  WideString b(L"second");
  WideString keep(b);
  b = a;
  EXPECT_TRUE(b.SharesBufferWith(a));
  EXPECT_EQ(1u, keep.OwnerCount());
  b = b;  // self-assignment keeps the text
  EXPECT_STREQ(L"first", b.c_str());
}

TEST(WideStringSharing, TheTwoHundredFiftySixthCopyGetsItsOwnBuffer) {
  WideString original(L"crowded");
  std::vector<std::unique_ptr<WideString>> copies;
  for (unsigned i = 1; i < WideString::MaxOwners; ++i)
    copies.push_back(std::make_unique<WideString>(original));
  EXPECT_EQ(255u, original.OwnerCount());

  WideString extra(original);
  EXPECT_FALSE(extra.SharesBufferWith(original));
  EXPECT_EQ(1u, extra.OwnerCount());
  EXPECT_EQ(original, extra);

  WideString assigned;
  assigned = original;
  EXPECT_FALSE(assigned.SharesBufferWith(original));

  copies.pop_back();
  WideString fits(original);
  EXPECT_TRUE(fits.SharesBufferWith(original));
}

TEST(WideStringSharing, AppendingToItselfWorksWhenTheBufferMoves) {
  WideString text(L"abcdefghijklmnopqrstuvwxyz01234");  // 31 characters: a full first buffer
  text.Append(text);
  EXPECT_EQ(62u, text.Length());
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

TEST(WideStringOperations, CompareIsByCodeUnitAndAPrefixSortsFirst) {
  EXPECT_LT(WideString(L"Mod").Compare(L"ModA"), 0);
  EXPECT_GT(WideString(L"a").Compare(L"B"), 0);  // case-sensitive: 'a' is above 'B'
  EXPECT_LT(WideString(L"1033").Compare(L"9"), 0);
  EXPECT_EQ(0, WideString(L"").Compare(WideString()));
  EXPECT_LT(WideString(L"\x00e9").Compare(L"\xfb01"), 0);
}

TEST(WideStringOperations, FindSubstringAndLastChar) {
  WideString path(L"C:\\dir\\file.msm");
  EXPECT_EQ(2u, path.Find(L'\\'));
  EXPECT_EQ(6u, path.FindLast(L'\\'));
  EXPECT_EQ(7u, path.Find(L"file"));
  EXPECT_EQ(WideString::npos, path.Find(L"none"));
  EXPECT_STREQ(L"file.msm", path.Substring(7).c_str());
  EXPECT_STREQ(L"dir", path.Substring(3, 3).c_str());
  EXPECT_TRUE(path.Substring(100).IsEmpty());
  EXPECT_EQ(L'm', path.LastChar());
  EXPECT_EQ(L'\0', WideString().LastChar());
}

TEST(WideStringOperations, FormatUsesWideStringsForPercentS) {
  EXPECT_STREQ(L"ModA:1033", WideString::Format(L"%s:%d", L"ModA", 1033).c_str());
  EXPECT_STREQ(L"ModA:-1", WideString::Format(L"%s:%d", L"ModA", -1).c_str());
  const std::wstring longText(1000, L'x');
  EXPECT_EQ(1002u, WideString::Format(L"<%s>", longText.c_str()).Length());
}

TEST(WideStringOperations, SplitKeepsEmptyPieces) {
  const auto pieces = WideString(L"a,,b,").Split(L',');
  ASSERT_EQ(4u, pieces.size());
  EXPECT_STREQ(L"a", pieces[0].c_str());
  EXPECT_TRUE(pieces[1].IsEmpty());
  EXPECT_STREQ(L"b", pieces[2].c_str());
  EXPECT_TRUE(pieces[3].IsEmpty());
  EXPECT_EQ(1u, WideString().Split(L',').size());
}

TEST(WideStringConversions, AnsiRoundTripInTheSystemCodePage) {
  WideString text = WideString::FromAnsi("Caf\xe9");  // e acute in code page 1252
  EXPECT_STREQ(L"Caf\x00e9", text.c_str());
  EXPECT_STREQ("Caf\xe9", text.Ansi());
  text.Append(L"!");
  EXPECT_STREQ("Caf\xe9!", text.Ansi());  // the ANSI copy follows a change
}

TEST(WideStringConversions, BstrViewAndCopyOut) {
  WideString text(L"abc");
  BSTR view = text.Bstr();
  EXPECT_EQ(3u, SysStringLen(view));
  EXPECT_STREQ(L"abc", view);

  BSTR copy = nullptr;
  EXPECT_EQ(S_OK, text.CopyTo(&copy));
  EXPECT_NE(view, copy);
  EXPECT_STREQ(L"abc", copy);
  SysFreeString(copy);
  EXPECT_EQ(E_POINTER, text.CopyTo(nullptr));

  BSTR empty = nullptr;
  EXPECT_EQ(S_OK, WideString().CopyTo(&empty));
  ASSERT_NE(nullptr, empty);  // an empty text is an empty BSTR, not a null one
  EXPECT_EQ(0u, SysStringLen(empty));
  SysFreeString(empty);
}

TEST(WideStringConversions, WritesThroughResizeForWriteAndTrimAtNull) {
  WideString shared(L"keep");
  WideString text(shared);
  wchar_t* target = text.ResizeForWrite(10);
  wcscpy(target, L"abc");
  text.TrimAtNull();
  EXPECT_STREQ(L"abc", text.c_str());
  EXPECT_EQ(3u, text.Length());
  EXPECT_STREQ(L"keep", shared.c_str());
}

}  // namespace
