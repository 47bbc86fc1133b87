// GalleryDescriptor: access to a module's gallery descriptor file (an INI-style profile file
// in the environment's "ObjectGallery" folder) and the installed / needs-download status that
// is computed from it.  Base of ModuleRecord; also used alone as a short-lived probe while the
// catalog lists descriptor files.
//
// The descriptor is <product folder>\ObjectGallery\<DescriptorName>.ini, read through the
// environment's profile reader.  The reader is created and the file opened on the first
// access of an object and kept for its life.  A failed Open is raised, and the object keeps
// that reader without opening it again: later reads get what the reader answers without a
// file (the environment's reader fails them).  A missing section or key is no failure: texts
// read as empty, numbers and counts as 0.
#pragma once

#include "common/com_ref.h"
#include "common/wide_string.h"
#include "qv_environment.h"

#include <oleauto.h>

// One "Dependency" entry: the required module's ID and the values of its section.
struct DescriptorDependency {
  WideString ID;
  WideString Version;
  long Language = 0;
};

// One "Exclusions" entry.
struct DescriptorExclusion {
  WideString ID;
  WideString MinVersion;
  WideString MaxVersion;
  long Language = 0;
};

// One "Files" entry: the file key and the values of its section.
struct DescriptorFile {
  WideString Key;
  WideString FileName;
  WideString Version;
  long FileSize = 0;
  long Language = 0;
};

// One "DownloadFiles" entry; the values of its section only, passed to clients unchanged.
struct DownloadFileInfo {
  WideString Location;
  WideString MediaLocation;
  WideString InternetLocation;
  long FileSize = 0;
  WideString CheckSum;
};

class GalleryDescriptor {
 public:
  GalleryDescriptor() = default;
  virtual ~GalleryDescriptor();
  GalleryDescriptor(const GalleryDescriptor&) = delete;
  GalleryDescriptor& operator=(const GalleryDescriptor&) = delete;

  // The reference version is what the descriptor's "Version" is compared with.
  void SetNames(const WideString& name, const WideString& referenceVersion);
  WideString GetDescriptorName() const { return descriptorName_; }

  // Status flags after CheckStatus; these never fail (E_POINTER for a null pointer aside).
  // Virtual by the record's design (destructor, then the two flag getters); no record kind
  // overrides them today.
  virtual HRESULT GetIsInstalled(VARIANT_BOOL* installed);
  virtual HRESULT GetNeedsDownload(VARIANT_BOOL* needsDownload);
  // Computes the flags from the descriptor.  Runs until it has once completed or failed; while
  // the module's package or a file it must download is missing, every call checks again.
  void CheckStatus() noexcept;

  // Descriptor reading.  Failures of the profile reader or of the application services raise
  // com_exception with their HRESULT.
  WideString ReadValue(const WideString& section, const WideString& key);
  ComRef<IProfileSection> GetSection(const WideString& name);  // none when the reader has none
  long CountKeys(const WideString& section);

  // Values of section "MergeModule".
  WideString DescriptorModuleID();
  WideString DescriptorVersion();
  WideString DescriptorAuthor();
  WideString DescriptorComments();
  WideString DescriptorSubject();
  long DescriptorLanguage();
  bool DescriptorNamesPackage();  // "FileName" is not empty

  // <product folder>\<"Location" of the section that "FileName" names>; empty when that
  // location is empty.
  WideString GetPackagePathFromDescriptor();

  // Lists addressed by position: entry i is the key "Key<i+1>" of the list's section, and the
  // number of entries is the number of keys in that section, whatever their names.  A missing
  // "Key<i+1>" sets the numbers to 0 and leaves the texts as the caller gave them; a missing
  // entry section gives empty texts and zero numbers.
  int CountDependencies();
  int CountExclusions();
  int CountFiles();
  void ReadDependency(int index, DescriptorDependency& dependency);
  void ReadExclusion(int index, DescriptorExclusion& exclusion);
  void ReadFile(int index, DescriptorFile& file);

  // The files to download (the module object's DownloadFiles), read afresh on every call.
  int CountDownloadFiles();
  void ReadDownloadFile(int index, DownloadFileInfo& file);

 protected:
  WideString descriptorName_;
  WideString referenceVersion_;
  VARIANT_BOOL isInstalled_ = VARIANT_TRUE;
  VARIANT_BOOL needsDownload_ = VARIANT_FALSE;
  bool statusKnown_ = false;
  ComRef<IProfileReader> reader_;  // opened on first descriptor access, then kept

 private:
  void OpenDescriptor();
  // The key "Key<index+1>" of a list section: its value (the entry's ID, which also names the
  // entry's section) and that section.  False when the list or the key is absent.
  bool FindEntry(const wchar_t* list, int index, WideString& id,
                 ComRef<IProfileSection>& entry);
  // One pass of CheckStatus; true when the status is settled.
  bool RunStatusCheck();
  bool DownloadDestinationMissing(const WideString& productFolder);
};

// The environment's product folder ("ObjectGallery" lies in it), asked of a new
// application-services object; a failure raises com_exception.
WideString QueryProductFolder();
