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

// Each list is read once: the flag goes up before reading, so a read that fails part way is
// not repeated and the list keeps what it had stored.
const std::vector<WideString>& ModuleRecord::Dialogs() {
  if (!dialogsLoaded_) {
    dialogsLoaded_ = true;
    ReadDialogs();
  }
  return dialogs_;
}

const std::vector<WideString>& ModuleRecord::CustomActions() {
  if (!customActionsLoaded_) {
    customActionsLoaded_ = true;
    ReadCustomActions();
  }
  return customActions_;
}

const DependencyMap& ModuleRecord::Dependencies() {
  if (!dependenciesLoaded_) {
    dependenciesLoaded_ = true;
    ReadDependencies();
  }
  return dependencies_;
}

const ExclusionMap& ModuleRecord::Exclusions() {
  if (!exclusionsLoaded_) {
    exclusionsLoaded_ = true;
    ReadExclusions();
  }
  return exclusions_;
}

const FileMap& ModuleRecord::Files() {
  if (!filesLoaded_) {
    filesLoaded_ = true;
    ReadFiles();
  }
  return files_;
}

void ModuleRecord::ReadDialogs() {
  if (fromGallery_) return;  // descriptors list no dialogs
  InstallerQuery query;
  query.Open(SharedInstaller::Get(), packagePath_, L"Dialog");
  while (query.Fetch()) dialogs_.push_back(query.GetString(1));
  query.Close();
}

void ModuleRecord::ReadCustomActions() {
  if (fromGallery_) return;  // descriptors list no custom actions
  InstallerQuery query;
  query.Open(SharedInstaller::Get(), packagePath_, L"CustomAction");
  while (query.Fetch()) customActions_.push_back(query.GetString(1));
  query.Close();
}

void ModuleRecord::ReadDependencies() {
  if (fromGallery_) {
    ReadDescriptorDependencies();
    return;
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
}

void ModuleRecord::ReadExclusions() {
  if (fromGallery_) {
    ReadDescriptorExclusions();
    return;
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
}

void ModuleRecord::ReadComponentDirectories(std::map<WideString, WideString>& directories) {
  if (fromGallery_) return;
  InstallerQuery query;
  query.OpenSql(SharedInstaller::Get(), packagePath_,
                L"SELECT * FROM Component ORDER BY Component");
  while (query.Fetch()) {
    const WideString component = query.GetString(1);
    directories[component] = query.GetString(3);
  }
  query.Close();
}

void ModuleRecord::ReadFiles() {
  if (fromGallery_) {
    ReadDescriptorFiles();
    return;
  }
  const ComRef<IDispatch> installer = SharedInstaller::Get();
  // The component map is read before the file query opens the package: an installer may
  // refuse to open a package a second time while a view on it is open (Wine's does).
  std::map<WideString, WideString> directories;
  ReadComponentDirectories(directories);
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
}
