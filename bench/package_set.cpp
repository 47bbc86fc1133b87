#include "package_set.h"

#include "bench_support.h"
#include "package_builder.h"

#include <windows.h>

#include <cstdio>

namespace bench {

namespace {

// Bump when the descriptions change, so pools from earlier runs are rebuilt.
const wchar_t kPoolStamp[] = L"pool-v2.stamp";

// The 36-character module suffix merge modules append to their keys.
std::string Suffix(int index) {
  char text[40];
  std::snprintf(text, sizeof text, "6C3D2E1F_0A1B_4C5D_8E9F_%012d", index);
  return text;
}

std::string Braced(int index, const char* group) {
  const std::string suffix = Suffix(index);
  return "{" + suffix.substr(0, 8) + "-" + group + "-4C5D-8E9F-" + suffix.substr(24) + "}";
}

std::string Number(int value) { return std::to_string(value); }

// Where each of the 20 files goes: component (and thus directory) by file number.
enum class Place { Bin, Resources, Language, System, Shared };

Place PlaceOf(int file) {
  if (file < 8) return Place::Bin;
  if (file < 12) return Place::Resources;
  if (file < 15) return Place::Language;
  if (file < 18) return Place::System;
  return Place::Shared;
}

const char* ComponentStem(Place place) {
  switch (place) {
    case Place::Bin: return "Bin";
    case Place::Resources: return "Res";
    case Place::Language: return "Lang";
    case Place::System: return "Sys";
    case Place::Shared: return "Shared";
  }
  return "";
}

std::string ComponentKey(int index, Place place) {
  return std::string(ComponentStem(place)) + "." + Suffix(index);
}

std::wstring PoolPath(const std::wstring& pool, int index) {
  return pool + L"\\" + PackageFileName(index);
}

}  // namespace

std::wstring PackageFileName(int index) {
  wchar_t name[32];
  std::swprintf(name, 32, L"bench%05d.msm", index);
  return name;
}

std::string ModuleId(int index) { return "Bench.Module" + Number(index) + "." + Suffix(index); }

std::string ModuleKey(int index) { return ModuleId(index) + ":1033"; }

std::string PackageVersion(int index, int revision) {
  return Number(1 + revision) + ".0." + Number(index / 100) + "." + Number(index % 100);
}

std::string FileLongName(int index, int file) {
  static const char* const extensions[] = {".dll", ".dat", ".lng", ".dll", ".dll"};
  const Place place = PlaceOf(file);
  std::string stem = ComponentStem(place);
  for (char& ch : stem) ch = static_cast<char>(tolower(static_cast<unsigned char>(ch)));
  return "m" + Number(index) + "_" + stem + Number(file) +
         extensions[static_cast<int>(place)];
}

std::string FileDirectoryKey(int index, int file) {
  switch (PlaceOf(file)) {
    case Place::Bin: return "Bin." + Suffix(index);
    case Place::Resources: return "Res." + Suffix(index);
    case Place::Language: return "Lang." + Suffix(index);
    case Place::System: return "SystemFolder";
    case Place::Shared: return "Shared." + Suffix(index);
  }
  return "";
}

std::string FileFolder(int index, int file) {
  const std::string product = "[ProgramFilesFolder]Bench Vendor\\Product" + Number(index);
  switch (PlaceOf(file)) {
    case Place::Bin: return product + "\\bin";
    case Place::Resources: return product + "\\res";
    case Place::Language: return product + "\\res\\1033";
    case Place::System: return "[SystemFolder]";
    case Place::Shared: return "[CommonFilesFolder]Shared" + Number(index);
  }
  return "";
}

std::string PackageDescription(int index, int revision) {
  const std::string s = Suffix(index);
  const std::string version = PackageVersion(index, revision);
  std::string text =
      "summary Subject = Bench module " + Number(index) + "\n"
      "summary Author = Bench Vendor\n"
      "summary Comments = Generated for the catalog benchmark\n"
      "summary RevisionNumber = " + Braced(index, "0A1B") + "\n"
      "summary Template = Intel;1033\n"
      "table ModuleSignature\n"
      "  ModuleID | Language | Version\n"
      "  " + ModuleId(index) + " | 1033 | " + version + "\n"
      "table ModuleDependency\n"
      "  ModuleID | ModuleLanguage | RequiredID | RequiredLanguage | RequiredVersion\n";
  // Each module requires its predecessor and the first module.
  auto require = [&](int required) {
    text += "  " + ModuleId(index) + " | 1033 | " + ModuleId(required) + " | 1033 | " +
            PackageVersion(required, 0) + "\n";
  };
  if (index > 0) require(index - 1);
  if (index > 1) require(0);
  text +=
      "table Directory\n"
      "  Directory | Directory_Parent | DefaultDir\n"
      "  TARGETDIR | <null> | SourceDir\n"
      "  ProgramFilesFolder | TARGETDIR | PFiles\n"
      "  SystemFolder | TARGETDIR | System\n"
      "  CommonFilesFolder | TARGETDIR | Common\n"
      "  Vendor." + s + " | ProgramFilesFolder | BENCHV~1|Bench Vendor\n"
      "  Product." + s + " | Vendor." + s + " | PRODUC~1|Product" + Number(index) + "\n"
      "  Bin." + s + " | Product." + s + " | bin\n"
      "  Res." + s + " | Product." + s + " | res\n"
      "  Lang." + s + " | Res." + s + " | 1033\n"
      "  Shared." + s + " | CommonFilesFolder | SHARED~1|Shared" + Number(index) + "\n"
      "table Component\n"
      "  Component | ComponentId | Directory_ | Attributes\n";
  const Place places[] = {Place::Bin, Place::Resources, Place::Language, Place::System,
                          Place::Shared};
  const int firstFile[] = {0, 8, 12, 15, 18};
  static const char* const groups[] = {"1111", "2222", "3333", "4444", "5555"};
  for (int p = 0; p < 5; ++p) {
    text += "  " + ComponentKey(index, places[p]) + " | " + Braced(index, groups[p]) + " | " +
            FileDirectoryKey(index, firstFile[p]) + " | 0\n";
  }
  text +=
      "table File\n"
      "  File | Component_ | FileName | FileSize | Version | Language | Attributes | Sequence\n";
  for (int f = 0; f < kFilesPerPackage; ++f) {
    const std::string name = FileLongName(index, f);
    const Place place = PlaceOf(f);
    // Binaries carry a short name too, as packages made by authoring tools do.
    const std::string stored =
        place == Place::Bin ? "M" + Number(index % 1000) + "B" + Number(f) + "~1.DLL|" + name
                            : name;
    text += "  " + name + "." + s + " | " + ComponentKey(index, place) + " | " + stored +
            " | " + Number(1000 + 37 * f) + " | " +
            (place == Place::Bin || place == Place::System ? version : std::string("<null>")) +
            " | 1033 | 0 | " + Number(f + 1) + "\n";
  }
  return text;
}

double EnsurePool(const std::wstring& pool, int count, bool rebuild) {
  msmbuild::CreateFolderPath(pool);
  const std::wstring stamp = pool + L"\\" + kPoolStamp;
  if (rebuild || GetFileAttributesW(stamp.c_str()) == INVALID_FILE_ATTRIBUTES) {
    DeleteFileW(stamp.c_str());
    for (int i = 0;; ++i) {
      if (!DeleteFileW(PoolPath(pool, i).c_str())) break;
    }
  }
  const double start = Seconds();
  int built = 0;
  for (int i = 0; i < count; ++i) {
    const std::wstring path = PoolPath(pool, i);
    if (GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES) continue;
    const auto result = msmbuild::BuildPackageFromText(PackageDescription(i, 0), path);
    if (!result.ok) Fail("building package " + std::to_string(i) + ": " + result.error, E_FAIL);
    ++built;
  }
  FILE* file = _wfopen(stamp.c_str(), L"w");
  if (file) std::fclose(file);
  if (built) std::printf("built %d packages into the pool in %.1f s\n", built, Seconds() - start);
  return Seconds() - start;
}

void EmptyCatalogFolder(const std::wstring& folder) {
  WIN32_FIND_DATAW item;
  const std::wstring pattern = folder + L"\\*.msm";
  HANDLE search = FindFirstFileW(pattern.c_str(), &item);
  if (search == INVALID_HANDLE_VALUE) return;
  do {
    DeleteFileW((folder + L"\\" + item.cFileName).c_str());
  } while (FindNextFileW(search, &item));
  FindClose(search);
}

void FillCatalogFolder(const std::wstring& pool, const std::wstring& folder, int count) {
  msmbuild::CreateFolderPath(folder);
  EmptyCatalogFolder(folder);
  for (int i = 0; i < count; ++i) {
    if (!CopyFileW(PoolPath(pool, i).c_str(), (folder + L"\\" + PackageFileName(i)).c_str(),
                   FALSE)) {
      Fail("copying a package from the pool", HRESULT_FROM_WIN32(GetLastError()));
    }
  }
}

void RewritePackage(const std::wstring& folder, int index, int revision) {
  const std::wstring path = folder + L"\\" + PackageFileName(index);
  const auto result = msmbuild::BuildPackageFromText(PackageDescription(index, revision), path);
  if (!result.ok) Fail("rewriting a package: " + result.error, E_FAIL);
  FILETIME now;
  GetSystemTimeAsFileTime(&now);
  ULARGE_INTEGER time;
  time.LowPart = now.dwLowDateTime;
  time.HighPart = now.dwHighDateTime;
  time.QuadPart += static_cast<ULONGLONG>(revision) * 60ULL * 10000000ULL;
  const FILETIME later = {time.LowPart, time.HighPart};
  HANDLE file = CreateFileW(path.c_str(), FILE_WRITE_ATTRIBUTES, FILE_SHARE_READ, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) Fail("opening a rewritten package", E_FAIL);
  SetFileTime(file, nullptr, nullptr, &later);
  CloseHandle(file);
}

}  // namespace bench
