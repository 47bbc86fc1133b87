#include "module/module_record.h"

#include "common/com_exception.h"
#include "common/version_rules.h"
#include "common/variant.h"
#include "installer/installer_automation.h"
#include "installer/installer_query.h"
#include "installer/shared_installer.h"
#include "module/module_names.h"

#include <utility>

namespace {

unsigned long completedListReads = 0;

// What the comment reads as when the installer refuses to hand it out (it returns at most
// 259 characters of it).
const wchar_t kCommentTooLong[] =
    L"MSI Error Loading Comment: Limit your comment to 259 characters.";

// Takes a summary property's text; a value of any other type leaves `field` as it was.
void ReadSummaryText(IDispatch* summary, LONG property, WideString& field) {
  UniqueVariant value;
  GetSummaryProperty(summary, property, value.Put());
  if (value.Type() != VT_BSTR) return;
  const BSTR text = V_BSTR(&value.Get());
  field = WideString(text, text ? SysStringLen(text) : 0);
}

}  // namespace

ModuleRecord::ModuleRecord() { SharedInstaller::Acquire(); }

ModuleRecord::~ModuleRecord() { SharedInstaller::Release(); }

void ModuleRecord::InitFromPackage(const WideString& packagePath) {
  packagePath_ = packagePath;
  ReadSignature();
  ResolveDisplayName();
}

void ModuleRecord::ReadSignature() {
  const ComRef<IDispatch> installer = SharedInstaller::Get();
  bool signatureRead = false;  // a refused open and a missing table both give no row
  {
    // A package the installer cannot open here gives no row: the identity stays empty (":0").
    InstallerQuery query;
    query.Open(installer, packagePath_, L"ModuleSignature");
    query.Fetch();  // without a row the reads below give an empty identity
    language_ = query.GetInteger(2);
    moduleId_ = query.GetString(1);
    version_ = query.GetString(3);
    moduleKey_ = MakeModuleKey(moduleId_, language_);
    query.Close();
    signatureRead = !query.PackageRefused();
  }

  // Failures from here on are the installer's (ErrorOrigin::InstallerAutomation) and reach
  // the caller as they are: the package scan skips such packages.
  const ComRef<IDispatch> database = OpenInstallerDatabase(installer.Get(), packagePath_);
  const ComRef<IDispatch> summary = GetSummaryInformation(database.Get());
  ReadSummaryText(summary.Get(), SummaryProperty::Author, author_);
  try {
    ReadSummaryText(summary.Get(), SummaryProperty::Comments, comments_);
  } catch (const com_exception& failure) {
    if (failure.Origin() != ErrorOrigin::InstallerAutomation) throw;
    comments_ = kCommentTooLong;
  }
  ReadSummaryText(summary.Get(), SummaryProperty::RevisionNumber, name_);
  ReadSummaryText(summary.Get(), SummaryProperty::Subject, subject_);
  SetNames(name_, version_);
  identityComplete_ = signatureRead;
}

void ModuleRecord::ResolveDisplayName() {
  WideString listed;
  if (LookupDisplayName(moduleKey_, listed)) {
    displayName_ = listed;
  } else if (!subject_.IsEmpty()) {
    displayName_ = subject_;
  } else {
    displayName_ = packagePath_;
  }
}

// Each list is read once: it is marked before reading, so a read that fails part way is not
// repeated and the list keeps what it had stored; it is complete only when the read ended and
// the installer opened the package.
void ModuleRecord::LoadOnce(ListState& state, bool (ModuleRecord::*read)()) {
  if (state != ListState::Unread) return;
  state = ListState::Incomplete;
  if (!(this->*read)()) return;
  state = ListState::Complete;
  ++completedListReads;
}

unsigned long CompletedListReads() noexcept { return completedListReads; }

const std::vector<WideString>& ModuleRecord::Dialogs() {
  LoadOnce(dialogsState_, &ModuleRecord::ReadDialogs);
  return dialogs_;
}

const std::vector<WideString>& ModuleRecord::CustomActions() {
  LoadOnce(customActionsState_, &ModuleRecord::ReadCustomActions);
  return customActions_;
}

const DependencyMap& ModuleRecord::Dependencies() {
  LoadOnce(dependenciesState_, &ModuleRecord::ReadDependencies);
  return dependencies_;
}

const ExclusionMap& ModuleRecord::Exclusions() {
  LoadOnce(exclusionsState_, &ModuleRecord::ReadExclusions);
  return exclusions_;
}

const FileMap& ModuleRecord::Files() {
  LoadOnce(filesState_, &ModuleRecord::ReadFiles);
  return files_;
}

bool ModuleRecord::ReadDialogs() {
  if (fromGallery_) return true;  // descriptors list no dialogs
  InstallerQuery query;
  query.Open(SharedInstaller::Get(), packagePath_, L"Dialog");
  while (query.Fetch()) dialogs_.push_back(query.GetString(1));
  query.Close();
  return !query.PackageRefused();
}

bool ModuleRecord::ReadCustomActions() {
  if (fromGallery_) return true;  // descriptors list no custom actions
  InstallerQuery query;
  query.Open(SharedInstaller::Get(), packagePath_, L"CustomAction");
  while (query.Fetch()) customActions_.push_back(query.GetString(1));
  query.Close();
  return !query.PackageRefused();
}

bool ModuleRecord::ReadDependencies() {
  if (fromGallery_) {
    ReadDescriptorDependencies();
    return true;
  }
  InstallerQuery query;
  query.Open(SharedInstaller::Get(), packagePath_, L"ModuleDependency");
  const ModuleSignature self = Signature();
  while (query.Fetch()) {
    const WideString id = query.GetString(3);
    const long language = query.GetInteger(4);
    AddDependency(dependencies_, self, id, language, query.GetString(5));
  }
  query.Close();
  return !query.PackageRefused();
}

bool ModuleRecord::ReadExclusions() {
  if (fromGallery_) {
    ReadDescriptorExclusions();
    return true;
  }
  InstallerQuery query;
  query.Open(SharedInstaller::Get(), packagePath_, L"ModuleExclusion");
  while (query.Fetch()) {
    const WideString id = query.GetString(3);
    const long language = query.GetInteger(4);
    const WideString minVersion = query.GetString(5);
    AddExclusion(exclusions_, id, language, minVersion, query.GetString(6));
  }
  query.Close();
  return !query.PackageRefused();
}

bool ModuleRecord::ReadComponentDirectories(std::map<WideString, WideString>& directories) {
  InstallerQuery query;
  query.OpenSql(SharedInstaller::Get(), packagePath_,
                L"SELECT * FROM Component ORDER BY Component");
  while (query.Fetch()) {
    const WideString component = query.GetString(1);
    directories[component] = query.GetString(3);
  }
  query.Close();
  return !query.PackageRefused();
}

bool ModuleRecord::ReadFiles() {
  if (fromGallery_) {
    ReadDescriptorFiles();
    return true;
  }
  const ComRef<IDispatch> installer = SharedInstaller::Get();
  // The component map is read before the file query opens the package: an installer may
  // refuse to open a package a second time while a view on it is open (Wine's does).
  std::map<WideString, WideString> directories;
  const bool directoriesRead = ReadComponentDirectories(directories);
  InstallerQuery query;
  query.OpenSql(installer, packagePath_, L"SELECT * FROM File ORDER BY Sequence");
  while (query.Fetch()) {
    FileRecord file;
    file.File = query.GetString(1);
    const WideString component = query.GetString(2);
    file.FileName = query.GetString(3);
    file.FileSize = static_cast<ULONG>(query.GetInteger(4));
    file.Version = query.GetString(5);
    file.Language = query.GetString(6);
    file.Sequence = static_cast<ULONG>(query.GetInteger(8));
    const auto directory = directories.find(component);
    if (directory != directories.end()) file.Directory = directory->second;
    AddFile(files_, std::move(file));
  }
  query.Close();
  return directoriesRead && !query.PackageRefused();
}
