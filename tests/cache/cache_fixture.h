// A cache folder whose path is not ASCII, and stand-in packages (plain files an hour old) to
// keep records for.
#pragma once

#include "cache/package_cache.h"
#include "cache_samples.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <string>

class CacheTest : public ::testing::Test {
 protected:
  ScratchFolder scratch_{L"qv-cache-\u00DCbersicht-\u65E5\u672C"};
  WideString folder_ = scratch_.MakeFolder(L"cache \u03A9");

  WideString Package(const std::wstring& name) const {
    const WideString path = scratch_.WriteFile(L"packages\\" + name + L".msm", "stand-in");
    FILETIME now = {};
    GetSystemTimeAsFileTime(&now);
    SetWriteTime(path, now, -3600);
    return path;
  }
  static PackageStamp StampOf(const WideString& path) {
    PackageStamp stamp;
    EXPECT_TRUE(ReadPackageStamp(path, stamp));
    return stamp;
  }
  // Keeps a sample record of the package and writes the file.
  static void Keep(PackageCache& cache, const WideString& path, const wchar_t* tag = L"T") {
    cache.Remember(*Restored(SampleRecord(path, tag)), StampOf(path));
    EXPECT_TRUE(cache.Flush());
  }
};
