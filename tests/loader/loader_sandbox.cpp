#include "loader_sandbox.h"

#include <gtest/gtest.h>

namespace {

constexpr char kCurrentVersion[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion";

std::wstring MakeFolder(const std::wstring& path) {
  CreateDirectoryW(path.c_str(), nullptr);
  return path;
}

}  // namespace

CommonFilesDirOverride::CommonFilesDirOverride() {
  DWORD size = 0;
  if (RegGetValueA(HKEY_LOCAL_MACHINE, kCurrentVersion, "CommonFilesDir", RRF_RT_ANY, &type_,
                   nullptr, &size) != ERROR_SUCCESS) {
    return;
  }
  saved_.resize(size);
  hadValue_ = RegGetValueA(HKEY_LOCAL_MACHINE, kCurrentVersion, "CommonFilesDir",
                           RRF_RT_ANY | RRF_NOEXPAND, &type_, saved_.data(),
                           &size) == ERROR_SUCCESS;
}

CommonFilesDirOverride::~CommonFilesDirOverride() {
  if (!hadValue_) {
    Remove();
    return;
  }
  RegSetKeyValueA(HKEY_LOCAL_MACHINE, kCurrentVersion, "CommonFilesDir", type_, saved_.data(),
                  static_cast<DWORD>(saved_.size()));
}

void CommonFilesDirOverride::Set(const std::string& folder) {
  ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueA(HKEY_LOCAL_MACHINE, kCurrentVersion, "CommonFilesDir",
                                           REG_SZ, folder.c_str(),
                                           static_cast<DWORD>(folder.size() + 1)));
}

void CommonFilesDirOverride::Remove() {
  RegDeleteKeyValueA(HKEY_LOCAL_MACHINE, kCurrentVersion, "CommonFilesDir");
}

std::wstring CurrentDirectory() {
  wchar_t buffer[MAX_PATH] = {};
  GetCurrentDirectoryW(MAX_PATH, buffer);
  return buffer;
}

CurrentDirectoryGuard::CurrentDirectoryGuard() : saved_(CurrentDirectory()) {}
CurrentDirectoryGuard::~CurrentDirectoryGuard() { SetCurrentDirectoryW(saved_.c_str()); }

std::wstring ModulePath(HMODULE module) {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(module, path, MAX_PATH);
  return path;
}

std::wstring BinFolder() {
  const std::wstring self = ModulePath(nullptr);
  return self.substr(0, self.rfind(L'\\'));
}

bool SamePath(const std::wstring& left, const std::wstring& right) {
  return lstrcmpiW(left.c_str(), right.c_str()) == 0;
}

LoaderSandbox::LoaderSandbox() {
  wchar_t temp[MAX_PATH] = {};
  GetTempPathW(MAX_PATH, temp);
  const std::wstring base = MakeFolder(std::wstring(temp) + L"qv-loader-tests");
  // A folder no earlier run left behind (process ids come round again).
  for (unsigned attempt = GetTickCount();; ++attempt) {
    root_ = base + L"\\" + std::to_wstring(attempt);
    if (CreateDirectoryW(root_.c_str(), nullptr)) break;
    if (GetLastError() != ERROR_ALREADY_EXISTS) {
      ADD_FAILURE() << "cannot make the sandbox";
      return;
    }
  }
  MakeFolder(Folder(Place::Own));
  MakeFolder(Folder(Place::OwnSystem));
  MakeFolder(root_ + L"\\common");
  MakeFolder(Folder(Place::Company));
  MakeFolder(Folder(Place::Showloom));
  MakeFolder(Folder(Place::Elsewhere));

  char commonAnsi[MAX_PATH] = {};
  WideCharToMultiByte(CP_ACP, 0, (root_ + L"\\common").c_str(), -1, commonAnsi, MAX_PATH,
                      nullptr, nullptr);
  commonFiles_.Set(commonAnsi);

  probe_.Reset(LoadLibraryW(Put(Place::Own, L"LoaderProbe.dll", L"LoaderProbe.dll").c_str()));
  EXPECT_TRUE(probe_) << "probe copy not loadable";
  if (!probe_) return;
  create_ = reinterpret_cast<ProbeCreateFunction>(GetProcAddress(probe_.Get(), "ProbeCreate"));
  cacheEntry_ =
      reinterpret_cast<ProbeCacheEntryFunction>(GetProcAddress(probe_.Get(), "ProbeCacheEntry"));
}

// The copies stay on disk: the companions they loaded stay loaded for the life of the process.
LoaderSandbox::~LoaderSandbox() = default;

std::wstring LoaderSandbox::Folder(Place place) const {
  switch (place) {
    case Place::Own: return root_ + L"\\own";
    case Place::OwnSystem: return root_ + L"\\own\\System";
    case Place::Company: return root_ + L"\\common\\Quorvane";
    case Place::Showloom: return root_ + L"\\common\\Quorvane\\Showloom";
    case Place::Elsewhere: return root_ + L"\\elsewhere";
  }
  return root_;
}

std::wstring LoaderSandbox::Put(Place place, const std::wstring& name,
                                const std::wstring& binFile) const {
  const std::wstring target = Folder(place) + L"\\" + name;
  EXPECT_TRUE(CopyFileW((BinFolder() + L"\\" + binFile).c_str(), target.c_str(), FALSE))
      << "cannot copy " << binFile << " to " << target;
  return target;
}

void LoaderSandbox::PutBytes(Place place, const std::wstring& name,
                             const std::string& bytes) const {
  const std::wstring target = Folder(place) + L"\\" + name;
  const HANDLE file = CreateFileW(target.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
  ASSERT_NE(INVALID_HANDLE_VALUE, file) << target;
  DWORD written = 0;
  EXPECT_TRUE(WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr));
  CloseHandle(file);
}

HRESULT LoaderSandbox::Create(const std::wstring& library, const CLSID& clsid, const IID& iid,
                              void** object) const {
  return create_ ? create_(library.c_str(), &clsid, &iid, object) : E_UNEXPECTED;
}

std::vector<std::pair<std::wstring, HMODULE>> LoaderSandbox::Cache() const {
  std::vector<std::pair<std::wstring, HMODULE>> entries;
  if (!cacheEntry_) return entries;
  wchar_t name[MAX_PATH] = {};
  HMODULE handle = nullptr;
  const int count = cacheEntry_(-1, name, MAX_PATH, &handle);
  for (int i = 0; i < count; ++i) {
    cacheEntry_(i, name, MAX_PATH, &handle);
    entries.emplace_back(name, handle);
  }
  return entries;
}

std::wstring LoaderSandbox::CachedPath(const std::wstring& library) const {
  for (const auto& entry : Cache()) {
    if (entry.first == library) return ModulePath(entry.second);
  }
  return std::wstring();
}
