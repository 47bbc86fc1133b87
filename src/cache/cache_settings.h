// Where the package cache lives and whether it is on: the user's settings, and the one cache
// of the process.
//
//   HKCU\Software\Quorvane\Showloom\QvModCat2
//     PackageCache        DWORD   0 switches the cache off; absent or any other value: on
//     PackageCacheFolder  REG_SZ  the folder of the cache file; absent or empty: the default,
//                                 %LOCALAPPDATA%\Quorvane\Showloom\QvModCat2
//
// The environment variable QVMODCAT2_PACKAGE_CACHE, when set, decides instead for its process:
// "off" switches the cache off, any other text names the folder.
#pragma once

#include "cache/package_cache.h"
#include "common/wide_string.h"

extern const wchar_t kPackageCacheSettingsKey[];
extern const wchar_t kPackageCacheVariable[];

// The folder of the cache file; empty when the cache is off or no folder can be named.
WideString ReadPackageCacheFolder(const wchar_t* settingsKey = kPackageCacheSettingsKey);

// The process's cache, made from the settings on first use and kept until unload (it is never
// written from there: its owner flushes it).
PackageCache& ProcessPackageCache();
