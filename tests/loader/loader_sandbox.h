// A folder tree in which a copy of the probe library plays the component's own file:
//   <root>\own\LoaderProbe.dll, <root>\own\System, <root>\common\Quorvane\Showloom,
//   <root>\elsewhere
// with HKLM CommonFilesDir pointing at <root>\common while the sandbox lives.
#pragma once

#include "loader_test_ids.h"

#include "common/unique_handle.h"

#include <string>
#include <utility>
#include <vector>

// Sets or removes HKLM ...\CurrentVersion "CommonFilesDir" and restores the old value.
class CommonFilesDirOverride {
 public:
  CommonFilesDirOverride();
  ~CommonFilesDirOverride();
  CommonFilesDirOverride(const CommonFilesDirOverride&) = delete;
  CommonFilesDirOverride& operator=(const CommonFilesDirOverride&) = delete;
  void Set(const std::string& folder);
  void Remove();

 private:
  bool hadValue_ = false;
  DWORD type_ = REG_SZ;
  std::vector<BYTE> saved_;
};

// Restores the process's current directory.
class CurrentDirectoryGuard {
 public:
  CurrentDirectoryGuard();
  ~CurrentDirectoryGuard();
  CurrentDirectoryGuard(const CurrentDirectoryGuard&) = delete;
  CurrentDirectoryGuard& operator=(const CurrentDirectoryGuard&) = delete;

 private:
  std::wstring saved_;
};
std::wstring CurrentDirectory();

enum class Place { Own, OwnSystem, Company, Showloom, Elsewhere };

class LoaderSandbox {
 public:
  LoaderSandbox();
  ~LoaderSandbox();
  LoaderSandbox(const LoaderSandbox&) = delete;
  LoaderSandbox& operator=(const LoaderSandbox&) = delete;

  std::wstring Folder(Place place) const;
  // Copies a file of the build's bin folder into `place` as `name`; returns the new path.
  std::wstring Put(Place place, const std::wstring& name,
                   const std::wstring& binFile = L"LoaderCompanion.dll") const;
  // Writes a file with the given bytes into `place`.
  void PutBytes(Place place, const std::wstring& name, const std::string& bytes) const;

  // The probe copy's CreateCompanionObject and cache.
  HRESULT Create(const std::wstring& library, const CLSID& clsid, const IID& iid,
                 void** object) const;
  std::vector<std::pair<std::wstring, HMODULE>> Cache() const;
  // The path the cached handle of `library` was loaded from; empty when not cached.
  std::wstring CachedPath(const std::wstring& library) const;

 private:
  std::wstring root_;
  CommonFilesDirOverride commonFiles_;
  LoadedLibrary probe_;
  ProbeCreateFunction create_ = nullptr;
  ProbeCacheEntryFunction cacheEntry_ = nullptr;
};

std::wstring BinFolder();
std::wstring ModulePath(HMODULE module);
// Case-insensitive comparison of two paths.
bool SamePath(const std::wstring& left, const std::wstring& right);
