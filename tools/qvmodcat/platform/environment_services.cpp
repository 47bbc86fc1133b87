#include "environment_services.h"

namespace qvmodcat {

namespace {

ComRef<IClassFactory> LoadedClassFactory(const wchar_t* library, const CLSID& clsid) {
  const HMODULE module = GetModuleHandleW(library);
  if (!module)
    throw ComError(L"GetModuleHandle", REGDB_E_CLASSNOTREG, library,
                   std::wstring(library) + L" is not loaded: the catalog did not start");
  using GetClassObject = HRESULT(STDAPICALLTYPE*)(REFCLSID, REFIID, void**);
  const auto getClassObject = reinterpret_cast<GetClassObject>(
      reinterpret_cast<void*>(GetProcAddress(module, "DllGetClassObject")));
  if (!getClassObject)
    throw ComError(L"DllGetClassObject", REGDB_E_CLASSNOTREG, library, L"no DllGetClassObject");
  ComRef<IClassFactory> factory;
  Invoke(library, [&] { return getClassObject(clsid, IID_IClassFactory, factory.PutVoid()); });
  return factory;
}

template <class Getter>
std::wstring Text(const wchar_t* what, Getter getter) {
  UniqueBstr text;
  Invoke(what, [&] { return getter(text.Put()); });
  return TextOf(text);
}

}  // namespace

std::wstring JoinPath(const std::wstring& folder, const std::wstring& name) {
  const bool left = !folder.empty() && folder.back() == L'\\';
  const bool right = !name.empty() && name.front() == L'\\';
  if (left && right) return folder + name.substr(1);
  if (!left && !right && !name.empty()) return folder + L"\\" + name;
  return folder + name;
}

EnvironmentServices::EnvironmentServices() {
  const auto services = LoadedClassFactory(kAppServicesLibrary, kClsidAppServices);
  Invoke(L"IAppServices", [&] {
    return services->CreateInstance(nullptr, kIidAppServices, services_.PutVoid());
  });
  Invoke(L"IAppFolders", [&] { return services_.QueryTo(kIidAppFolders, folders_); });
  profileReaders_ = LoadedClassFactory(kProfileReaderLibrary, kClsidProfileReader);
}

std::wstring EnvironmentServices::SearchPathList() {
  return Text(L"GetSearchPathList", [&](BSTR* t) { return services_->GetSearchPathList(t); });
}

std::wstring EnvironmentServices::ExtraSearchPathList() {
  return Text(L"GetExtraSearchPathList",
              [&](BSTR* t) { return folders_->GetExtraSearchPathList(t); });
}

std::vector<std::wstring> EnvironmentServices::ModuleFolderEntries() {
  std::vector<std::wstring> entries;
  for (long index = 0;; ++index) {
    std::wstring entry = Text(L"GetModuleFolderAt",
                              [&](BSTR* t) { return services_->GetModuleFolderAt(index, t); });
    if (entry.empty()) return entries;
    entries.push_back(std::move(entry));
  }
}

std::wstring EnvironmentServices::ProductFolder() {
  return Text(L"GetProductFolder", [&](BSTR* t) { return folders_->GetProductFolder(t); });
}

std::wstring EnvironmentServices::FilesIniFolder() {
  return Text(L"GetFilesIniFolder", [&](BSTR* t) { return folders_->GetFilesIniFolder(t); });
}

std::wstring EnvironmentServices::ExcludedFilePatterns() {
  return Text(L"GetExcludedFilePatterns",
              [&](BSTR* t) { return folders_->GetExcludedFilePatterns(t); });
}

bool EnvironmentServices::MatchVersion() {
  long match = 0;
  Invoke(L"GetMatchVersion", [&] { return services_->GetMatchVersion(&match); });
  return match != 0;
}

bool EnvironmentServices::MatchFolder() {
  long match = 0;
  Invoke(L"GetMatchFolder", [&] { return services_->GetMatchFolder(&match); });
  return match != 0;
}

std::optional<ProfileSection> EnvironmentServices::ReadSection(const std::wstring& file,
                                                               const std::wstring& name) {
  ComRef<IProfileReader> reader;
  Invoke(L"ProfileReader",
         [&] { return profileReaders_->CreateInstance(nullptr, kIidProfileReader, reader.PutVoid()); });
  const UniqueBstr path = MakeBstr(file);
  if (FAILED(reader->Open(path.Get()))) return std::nullopt;
  ComRef<IProfileSections> sections;
  Invoke(L"ProfileReader.Sections", [&] { return reader->Sections(sections.Put()); });
  const TextVariant sectionName(name);
  ComRef<IProfileSection> section;
  Invoke(L"ProfileSections.Item", [&] { return sections->Item(sectionName.Get(), section.Put()); });
  ProfileSection entries;
  if (!section) return entries;
  ComRef<IProfileKeys> keys;
  Invoke(L"ProfileSection.Keys", [&] { return section->Keys(keys.Put()); });
  long count = 0;
  Invoke(L"ProfileKeys.Count", [&] { return keys->Count(&count); });
  for (long position = 1; position <= count; ++position) {
    const IntegerVariant index(position);
    ComRef<IProfileKey> key;
    Invoke(L"ProfileKeys.Item", [&] { return keys->Item(index.Get(), key.Put()); });
    if (!key) continue;
    std::wstring keyName = Text(L"ProfileKey.Name", [&](BSTR* t) { return key->Name(t); });
    entries.emplace_back(std::move(keyName),
                         Text(L"ProfileKey.Value", [&](BSTR* t) { return key->Value(t); }));
  }
  return entries;
}

}  // namespace qvmodcat
