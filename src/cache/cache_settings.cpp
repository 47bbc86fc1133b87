#include "cache/cache_settings.h"

#include "common/path.h"

#include <shlobj.h>

const wchar_t kPackageCacheSettingsKey[] = L"Software\\Quorvane\\Showloom\\QvModCat2";
const wchar_t kPackageCacheVariable[] = L"QVMODCAT2_PACKAGE_CACHE";

WideString ReadPackageCacheFolder(const wchar_t* settingsKey) {
  // The process's own choice comes first: tools and test runs switch the cache or move it
  // without touching the user's settings.
  wchar_t chosen[MAX_PATH] = {};
  const DWORD length =
      GetEnvironmentVariableW(kPackageCacheVariable, chosen, static_cast<DWORD>(MAX_PATH));
  if (length > 0 && length < MAX_PATH)
    return lstrcmpiW(chosen, L"off") == 0 ? WideString() : WideString(chosen);

  DWORD enabled = 1, size = sizeof enabled;
  if (RegGetValueW(HKEY_CURRENT_USER, settingsKey, L"PackageCache", RRF_RT_REG_DWORD, nullptr,
                   &enabled, &size) == ERROR_SUCCESS &&
      enabled == 0)
    return WideString();

  wchar_t folder[MAX_PATH] = {};
  size = sizeof folder;
  if (RegGetValueW(HKEY_CURRENT_USER, settingsKey, L"PackageCacheFolder", RRF_RT_REG_SZ,
                   nullptr, folder, &size) == ERROR_SUCCESS &&
      folder[0] != L'\0')
    return folder;

  if (FAILED(SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder)))
    return WideString();
  return JoinPath(folder, L"Quorvane\\Showloom\\QvModCat2");
}

PackageCache& ProcessPackageCache() {
  static PackageCache cache(ReadPackageCacheFolder());
  return cache;
}
