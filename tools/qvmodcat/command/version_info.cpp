// --version: the file versions of the tool and of the component the registration names.
#include "commands.h"

#include "console.h"
#include "text_table.h"

#include <cstring>

namespace qvmodcat {

namespace {

// "2.0.0.0" from a loaded module's version resource; empty when it has none.
std::wstring FileVersion(HMODULE module) {
  const HRSRC resource = FindResourceW(module, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(16));
  const HGLOBAL loaded = resource ? LoadResource(module, resource) : nullptr;
  const auto* bytes = loaded ? static_cast<const BYTE*>(LockResource(loaded)) : nullptr;
  if (!bytes) return L"";
  const DWORD size = SizeofResource(module, resource);
  for (DWORD at = 0; at + sizeof(VS_FIXEDFILEINFO) <= size; at += 4) {
    VS_FIXEDFILEINFO info;
    memcpy(&info, bytes + at, sizeof info);
    if (info.dwSignature != 0xFEEF04BD) continue;
    return std::to_wstring(HIWORD(info.dwFileVersionMS)) + L"." +
           std::to_wstring(LOWORD(info.dwFileVersionMS)) + L"." +
           std::to_wstring(HIWORD(info.dwFileVersionLS)) + L"." +
           std::to_wstring(LOWORD(info.dwFileVersionLS));
  }
  return L"";
}

std::wstring ModulePath(HMODULE module) {
  wchar_t path[MAX_PATH * 2];
  const DWORD length = GetModuleFileNameW(module, path, MAX_PATH * 2);
  return std::wstring(path, length);
}

}  // namespace

int RunVersion(const Options& options) {
  const std::wstring tool = FileVersion(GetModuleHandleW(nullptr));
  Json json = Json::Object();
  json.Set("qvmodcat", tool);
  std::wstring text = L"qvmodcat " + tool + L"\n";
  // The registered component, loaded the way the environment loads it.
  const ComRef<IUnknown> manager = CreateCatalogManager();
  const HMODULE component = GetModuleHandleW(L"QvModCat2.dll");
  Json& detail = json.Set("component", Json::Object());
  if (component) {
    detail.Set("version", FileVersion(component));
    detail.Set("path", ModulePath(component));
    text += L"QvModCat2.dll " + FileVersion(component) + L"\n";
    text += FitLineKeepingEnd(L"  " + ModulePath(component)) + L"\n";
  }
  Answer(options, json, text);
  return kFound;
}

}  // namespace qvmodcat
