#include "common/path.h"

#include <gtest/gtest.h>

namespace {

TEST(JoinPath, PutsExactlyOneBackslashBetween) {
  EXPECT_STREQ(L"C:\\App\\ObjectGallery", JoinPath(L"C:\\App", L"ObjectGallery").c_str());
  EXPECT_STREQ(L"C:\\App\\ObjectGallery", JoinPath(L"C:\\App\\", L"ObjectGallery").c_str());
  EXPECT_STREQ(L"C:\\App\\ObjectGallery", JoinPath(L"C:\\App\\", L"\\ObjectGallery").c_str());
  EXPECT_STREQ(L"C:\\App\\ObjectGallery", JoinPath(L"C:\\App", L"\\ObjectGallery").c_str());
}

TEST(JoinPath, EmptySides) {
  EXPECT_STREQ(L"\\x", JoinPath(L"", L"x").c_str());  // an empty left side has no backslash
  EXPECT_STREQ(L"C:\\App", JoinPath(L"C:\\App", L"").c_str());
  EXPECT_STREQ(L"\\", JoinPath(L"", L"\\").c_str());
  EXPECT_STREQ(L"", JoinPath(L"", L"").c_str());
}

TEST(PathParts, ParentAndLastElement) {
  EXPECT_STREQ(L"C:\\a", ParentFolder(L"C:\\a\\b.dll").c_str());
  EXPECT_STREQ(L"", ParentFolder(L"b.dll").c_str());
  EXPECT_STREQ(L"b.dll", LastPathElement(L"C:\\a\\b.dll").c_str());
  EXPECT_STREQ(L"b.dll", LastPathElement(L"b.dll").c_str());
}

}  // namespace
