// ModuleRecord: the in-memory description of one merge module.
//
// A record is built either from a module package (.msm, InitFromPackage) or from a gallery
// descriptor file (InitFromDescriptor), or made again from a snapshot of a record read from a
// package (InitFromSnapshot, module_record_snapshot.cpp).  Its identity and summary texts are
// read at once; its five detail lists are read on first request, at most once each.  Records
// are shared
// (ModuleRecordRef): the catalog's maps and every module object handed to a client keep the
// record alive, so a record stays valid after the catalog drops it.
#pragma once

#include "common/wide_string.h"
#include "module/gallery_descriptor.h"
#include "module/module_lists.h"

#include <windows.h>

#include <map>
#include <memory>
#include <optional>
#include <vector>

// One file of a record's list as the catalog's name lookups scan it: a key of the folded long
// name and the file.  Kept beside the list so a lookup over many packages reads a compact
// array instead of walking every file's entry.
struct FileNameEntry {
  unsigned long NameKey;
  const FileRecord* File;
};

// What a record read from a package has read, to be kept beyond the process: its identity,
// summary texts and package time, and each detail list it read completely (absent otherwise).
// What a record derives (module key, the keys of its lists, long file names) is made again
// from these, and its display name is looked up again, so the names table of the process that
// makes the record again decides it.
struct ModuleRecordSnapshot {
  WideString PackagePath, ModuleID, Version, Author, Name, Comments, Subject;
  long Language = 0;
  FILETIME PackageTime{0, 0};
  std::optional<std::vector<WideString>> Dialogs, CustomActions;
  std::optional<std::vector<DependencyRecord>> Dependencies;
  std::optional<std::vector<ExclusionRecord>> Exclusions;
  std::optional<std::vector<FileRecord>> Files;  // in key order
};

class ModuleRecord : public GalleryDescriptor {
 public:
  // Takes a share of the process-wide installer automation object (created by the first
  // record); raises com_exception when it cannot be created.
  ModuleRecord();
  ~ModuleRecord() override;
  ModuleRecord(const ModuleRecord&) = delete;
  ModuleRecord& operator=(const ModuleRecord&) = delete;

  // Reads identity and summary information from a package.  A failure of the installer
  // automation object while reading the summary information raises com_exception with
  // ErrorOrigin::InstallerAutomation.
  void InitFromPackage(const WideString& packagePath);
  // Reads identity from a gallery descriptor (sets FromGallery).  The path names the
  // descriptor: its file name without extension becomes the DescriptorName, and the
  // descriptor is then read from the product folder's "ObjectGallery".  Raises com_exception
  // when the descriptor or the application services fail.
  void InitFromDescriptor(const WideString& descriptorPath);
  // Makes a new record what the snapshot says, without opening the package; the lists the
  // snapshot lacks are read from the package on first request, as after InitFromPackage.
  void InitFromSnapshot(const ModuleRecordSnapshot& snapshot);
  // False for a record whose identity was not read completely from a package (a gallery
  // record, a failed or refused read): such a record is kept nowhere.
  bool TakeSnapshot(ModuleRecordSnapshot& snapshot) const;

  WideString ModuleKey() const { return moduleKey_; }
  WideString ModuleID() const { return moduleId_; }
  WideString PackagePath() const { return packagePath_; }
  WideString Version() const { return version_; }
  WideString Author() const { return author_; }
  WideString Name() const { return name_; }
  WideString Comments() const { return comments_; }
  WideString Subject() const { return subject_; }
  WideString DisplayName() const { return displayName_; }
  long Language() const { return language_; }
  FILETIME PackageTime() const { return packageTime_; }
  void SetPackageTime(DWORD low, DWORD high) { packageTime_ = FILETIME{low, high}; }
  bool FromGallery() const { return fromGallery_; }

  // Detail lists, each read on first request (marked before reading, so a failed read is not
  // repeated and keeps what it stored; only a read that ran to its end counts as complete).
  const std::vector<WideString>& Dialogs();
  const std::vector<WideString>& CustomActions();
  const DependencyMap& Dependencies();
  const ExclusionMap& Exclusions();
  const FileMap& Files();
  // Filled and used by the catalog's file lookups (file_lookup.cpp), in key order; the file
  // list no longer changes once Files() has returned.
  std::vector<FileNameEntry>& FileNameIndex() { return fileNameIndex_; }

  // The folder path that the package's Directory table gives a directory key; false when the
  // key is empty, the record is a gallery record, or the key cannot be resolved.  Raises
  // com_exception when the package cannot be opened.
  bool ResolveModuleFolder(const WideString& directoryKey, WideString& folder) const;

 private:
  enum class ListState : unsigned char { Unread, Incomplete, Complete };
  // Reads a list once; a read returns false when the installer refused the package.
  void LoadOnce(ListState& state, bool (ModuleRecord::*read)());
  void ReadSignature();
  void ResolveDisplayName();
  bool ReadDialogs();
  bool ReadCustomActions();
  bool ReadDependencies();
  bool ReadExclusions();
  bool ReadFiles();
  bool ReadComponentDirectories(std::map<WideString, WideString>& directories);
  // The lists of a record built from a gallery descriptor (module_record_gallery.cpp).
  void ReadDescriptorDependencies();
  void ReadDescriptorExclusions();
  void ReadDescriptorFiles();
  // Whose lists they are (module_lists.h: a module does not require itself).
  ModuleSignature Signature() const { return {moduleId_, language_, version_}; }

  WideString moduleKey_, moduleId_, packagePath_, version_, author_, name_, comments_,
      subject_, displayName_;
  FILETIME packageTime_{0, 0};
  long language_ = 0;
  std::vector<WideString> dialogs_;
  std::vector<WideString> customActions_;
  DependencyMap dependencies_;
  ExclusionMap exclusions_;
  FileMap files_;
  std::vector<FileNameEntry> fileNameIndex_;
  ListState dialogsState_ = ListState::Unread, customActionsState_ = ListState::Unread,
            dependenciesState_ = ListState::Unread, exclusionsState_ = ListState::Unread,
            filesState_ = ListState::Unread;
  bool fromGallery_ = false;
  bool identityComplete_ = false;  // InitFromPackage ran to its end on an opened package
};

using ModuleRecordRef = std::shared_ptr<ModuleRecord>;

// How many detail lists records of this process have read to their end: a keeper of read lists
// (the package cache) looks at the records again only when this moved.
unsigned long CompletedListReads() noexcept;
