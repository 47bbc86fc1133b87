#include "component_file.h"

#include "common/com_ref.h"
#include "common/text.h"
#include "common/unique_handle.h"
#include "server/resource_ids.h"

#include <oleauto.h>

#include <cstdio>
#include <memory>
#include <stdexcept>
#include <vector>

namespace qvpackage {
namespace {

[[noreturn]] void Fail(const std::wstring& path, const std::string& what) {
  throw std::runtime_error(Utf8FromWide(path) + ": " + what);
}

std::string GuidText(const GUID& guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return Utf8FromWide(std::wstring(text));
}

WORD ReadMachine(const std::wstring& path) {
  std::unique_ptr<FILE, int (*)(FILE*)> file(_wfopen(path.c_str(), L"rb"), fclose);
  IMAGE_DOS_HEADER dos{};
  IMAGE_FILE_HEADER header{};
  DWORD signature = 0;
  if (!file || fread(&dos, sizeof dos, 1, file.get()) != 1 || dos.e_magic != IMAGE_DOS_SIGNATURE ||
      fseek(file.get(), dos.e_lfanew, SEEK_SET) != 0 ||
      fread(&signature, sizeof signature, 1, file.get()) != 1 || signature != IMAGE_NT_SIGNATURE ||
      fread(&header, sizeof header, 1, file.get()) != 1)
    Fail(path, "not a Windows library");
  return header.Machine;
}

void ReadVersionResource(ComponentFile& file) {
  DWORD ignored = 0;
  const DWORD size = GetFileVersionInfoSizeW(file.Path.c_str(), &ignored);
  std::vector<BYTE> data(size);
  VS_FIXEDFILEINFO* fixed = nullptr;
  WORD* translation = nullptr;
  UINT length = 0;
  if (size == 0 || !GetFileVersionInfoW(file.Path.c_str(), 0, size, data.data()) ||
      !VerQueryValueW(data.data(), L"\\", reinterpret_cast<void**>(&fixed), &length) || !fixed)
    Fail(file.Path, "no version resource");
  char version[64];
  std::snprintf(version, sizeof version, "%u.%u.%u.%u", HIWORD(fixed->dwFileVersionMS),
                LOWORD(fixed->dwFileVersionMS), HIWORD(fixed->dwFileVersionLS),
                LOWORD(fixed->dwFileVersionLS));
  file.Version = version;
  if (!VerQueryValueW(data.data(), L"\\VarFileInfo\\Translation",
                      reinterpret_cast<void**>(&translation), &length) || length < sizeof(WORD))
    Fail(file.Path, "no translation in the version resource");
  file.Language = std::to_string(translation[0]);
}

void ReadClassDescription(ComponentFile& file) {
  LoadedLibrary data(LoadLibraryExW(file.Path.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE));
  wchar_t text[257] = {};
  if (!data || LoadStringW(data.Get(), IDS_CLASS_DESCRIPTION, text, 256) <= 0)
    Fail(file.Path, "no class description (string " + std::to_string(IDS_CLASS_DESCRIPTION) + ")");
  file.ClassDescription = Utf8FromWide(std::wstring(text));
}

// The library registration loads: the one embedded in the file.
void ReadTypeLibrary(ComponentFile& file) {
  ComRef<ITypeLib> library;
  TLIBATTR* attributes = nullptr;
  if (FAILED(LoadTypeLibEx(file.Path.c_str(), REGKIND_NONE, library.Put())) ||
      FAILED(library->GetLibAttr(&attributes)))
    Fail(file.Path, "no type library");
  TypeLibraryFacts& facts = file.TypeLibrary;
  facts.LibId = GuidText(attributes->guid);
  facts.Language = static_cast<int>(attributes->lcid);
  facts.MajorVersion = attributes->wMajorVerNum;
  facts.MinorVersion = attributes->wMinorVerNum;
  char text[32] = {};
  snprintf(text, sizeof text, "%x.%x", attributes->wMajorVerNum, attributes->wMinorVerNum);
  facts.VersionKey = text;
  snprintf(text, sizeof text, "%lx", static_cast<unsigned long>(attributes->lcid));
  facts.LocaleKey = text;
  facts.PlatformKey = attributes->syskind == SYS_WIN64 ? "win64" : "win32";
  facts.Flags = std::to_string(attributes->wLibFlags);
  library->ReleaseTLibAttr(attributes);
  BSTR help = nullptr;
  if (SUCCEEDED(library->GetDocumentation(-1, nullptr, &help, nullptr, nullptr)) && help)
    facts.HelpString = Utf8FromWide(std::wstring(help));
  SysFreeString(help);
}

}  // namespace

ComponentFile ReadComponentFile(const std::wstring& path) {
  ComponentFile file;
  file.Path = path;
  file.FileName = Utf8FromWide(path.substr(path.find_last_of(L"\\/") + 1));
  WIN32_FILE_ATTRIBUTE_DATA attributes{};
  if (!GetFileAttributesExW(path.c_str(), GetFileExInfoStandard, &attributes))
    Fail(path, "cannot be read");
  file.Size = (static_cast<long long>(attributes.nFileSizeHigh) << 32) | attributes.nFileSizeLow;
  file.Machine = ReadMachine(path);
  ReadVersionResource(file);
  ReadClassDescription(file);
  ReadTypeLibrary(file);
  return file;
}

}  // namespace qvpackage
