// Reading a gallery descriptor: opening it once, single values, and the positional lists.
// The status check built on it is in gallery_status.cpp.
#include "module/gallery_descriptor.h"

#include "common/bstr.h"
#include "common/com_exception.h"
#include "common/path.h"
#include "common/version_rules.h"
#include "environment/companion_loader.h"
#include "module/profile_reader.h"

namespace {

const wchar_t kMergeModule[] = L"MergeModule";

// A key's text in a section object; empty when the section or the key is absent.  Value's
// own result is not looked at: the text is whatever the call left.
WideString SectionValue(IProfileSection* section, const WideString& keyName) {
  WideString value;
  if (!section) return value;
  const ComRef<IProfileKeys> keys = ProfileSectionKeys(section);
  if (!keys) return value;
  const ComRef<IProfileKey> key = ProfileKeyNamed(keys.Get(), keyName);
  if (key) key->Value(OutBstr(value));
  return value;
}

long SectionNumber(IProfileSection* section, const WideString& keyName) {
  return ParseLeadingInteger(SectionValue(section, keyName));
}

}  // namespace

WideString QueryProductFolder() {
  ComRef<IAppFolders> folders;
  ThrowIfFailed(CreateAppFolders(folders));
  WideString folder;
  ThrowIfFailed(folders->GetProductFolder(OutBstr(folder)));
  return folder;
}

GalleryDescriptor::~GalleryDescriptor() = default;

void GalleryDescriptor::SetNames(const WideString& name, const WideString& referenceVersion) {
  descriptorName_ = name;
  referenceVersion_ = referenceVersion;
}

void GalleryDescriptor::OpenDescriptor() {
  // Tried once: an object whose reader could not be created reads without one.
  descriptorOpened_ = true;
  reader_ = NewProfileReader();
  WideString path = JoinPath(JoinPath(QueryProductFolder(), L"ObjectGallery"), descriptorName_);
  path.Append(L".ini");
  // Kept even when Open fails: the object reads through this reader or not at all.
  ThrowIfFailed(reader_->Open(path.Bstr()));
}

ComRef<IProfileSection> GalleryDescriptor::GetSection(const WideString& name) {
  if (!descriptorOpened_) OpenDescriptor();
  if (!reader_) return ComRef<IProfileSection>();
  return ProfileSectionNamed(reader_.Get(), name);
}

WideString GalleryDescriptor::ReadValue(const WideString& section, const WideString& key) {
  return SectionValue(GetSection(section).Get(), key);
}

long GalleryDescriptor::CountKeys(const WideString& section) {
  const ComRef<IProfileSection> found = GetSection(section);
  if (!found) return 0;
  const ComRef<IProfileKeys> keys = ProfileSectionKeys(found.Get());
  return keys ? ProfileKeyCount(keys.Get()) : 0;
}

WideString GalleryDescriptor::DescriptorModuleID() { return ReadValue(kMergeModule, L"ModuleID"); }
WideString GalleryDescriptor::DescriptorVersion() { return ReadValue(kMergeModule, L"Version"); }
WideString GalleryDescriptor::DescriptorAuthor() { return ReadValue(kMergeModule, L"Author"); }
WideString GalleryDescriptor::DescriptorComments() { return ReadValue(kMergeModule, L"Comments"); }
WideString GalleryDescriptor::DescriptorSubject() { return ReadValue(kMergeModule, L"Subject"); }

long GalleryDescriptor::DescriptorLanguage() {
  return ParseLeadingInteger(ReadValue(kMergeModule, L"Language"));
}

bool GalleryDescriptor::DescriptorNamesPackage() {
  return !ReadValue(kMergeModule, L"FileName").IsEmpty();
}

WideString GalleryDescriptor::GetPackagePathFromDescriptor() {
  const WideString productFolder = QueryProductFolder();
  // "FileName" only names the section that holds the location; it is no part of the path.
  const WideString packageSection = ReadValue(kMergeModule, L"FileName");
  const WideString location = ReadValue(packageSection, L"Location");
  if (location.IsEmpty()) return WideString();
  return JoinPath(productFolder, location);
}

bool GalleryDescriptor::FindEntry(const wchar_t* list, int index, WideString& id,
                                  ComRef<IProfileSection>& entry) {
  const ComRef<IProfileSection> section = GetSection(list);
  if (!section) return false;
  const ComRef<IProfileKeys> keys = ProfileSectionKeys(section.Get());
  if (!keys) return false;
  const ComRef<IProfileKey> key =
      ProfileKeyNamed(keys.Get(), WideString::Format(L"Key%d", index + 1));
  if (!key) return false;
  id = ProfileKeyValue(key.Get());
  entry = GetSection(id);
  return true;
}

int GalleryDescriptor::CountDependencies() { return CountKeys(L"Dependency"); }
int GalleryDescriptor::CountExclusions() { return CountKeys(L"Exclusions"); }
int GalleryDescriptor::CountFiles() { return CountKeys(L"Files"); }
int GalleryDescriptor::CountDownloadFiles() { return CountKeys(L"DownloadFiles"); }

void GalleryDescriptor::ReadDependency(int index, DescriptorDependency& dependency) {
  dependency.Language = 0;
  WideString id;
  ComRef<IProfileSection> entry;
  if (!FindEntry(L"Dependency", index, id, entry)) return;
  dependency.ID = id;
  dependency.Version = SectionValue(entry.Get(), L"Version");
  dependency.Language = SectionNumber(entry.Get(), L"Language");
}

void GalleryDescriptor::ReadExclusion(int index, DescriptorExclusion& exclusion) {
  exclusion.Language = 0;
  WideString id;
  ComRef<IProfileSection> entry;
  if (!FindEntry(L"Exclusions", index, id, entry)) return;
  exclusion.ID = id;
  exclusion.MinVersion = SectionValue(entry.Get(), L"ExcludedMinVersion");
  exclusion.MaxVersion = SectionValue(entry.Get(), L"ExcludedMaxVersion");
  exclusion.Language = SectionNumber(entry.Get(), L"ExcludedLanguage");
}

void GalleryDescriptor::ReadFile(int index, DescriptorFile& file) {
  file.FileSize = 0;
  file.Language = 0;
  WideString id;
  ComRef<IProfileSection> entry;
  if (!FindEntry(L"Files", index, id, entry)) return;
  file.Key = id;
  file.FileName = SectionValue(entry.Get(), L"FileName");
  file.Version = SectionValue(entry.Get(), L"Version");
  file.FileSize = SectionNumber(entry.Get(), L"FileSize");
  file.Language = SectionNumber(entry.Get(), L"Language");
}

void GalleryDescriptor::ReadDownloadFile(int index, DownloadFileInfo& file) {
  file.FileSize = 0;
  WideString id;  // names the entry's section; clients are not told it
  ComRef<IProfileSection> entry;
  if (!FindEntry(L"DownloadFiles", index, id, entry)) return;
  file.Location = SectionValue(entry.Get(), L"Location");
  file.MediaLocation = SectionValue(entry.Get(), L"MediaLocation");
  file.InternetLocation = SectionValue(entry.Get(), L"InternetLocation");
  file.FileSize = SectionNumber(entry.Get(), L"FileSize");
  file.CheckSum = SectionValue(entry.Get(), L"CheckSum");
}
