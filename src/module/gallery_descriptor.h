// GalleryDescriptor: access to a module's gallery descriptor file (an INI-style profile file
// in the environment's "ObjectGallery" folder) and the installed / needs-download status that
// is computed from it.  Base of ModuleRecord; also used alone as a short-lived probe while the
// catalog lists descriptor files.
#pragma once

#include "common/com_ref.h"
#include "common/wide_string.h"
#include "qv_environment.h"

#include <oleauto.h>

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

  // The descriptor file is <product folder>\ObjectGallery\<name>.ini.  The reference version
  // is what the descriptor's "Version" is compared with.
  void SetNames(const WideString& name, const WideString& referenceVersion);
  WideString GetDescriptorName() const { return descriptorName_; }

  // Status flags after CheckStatus; these never fail.
  virtual HRESULT GetIsInstalled(VARIANT_BOOL* installed);
  virtual HRESULT GetNeedsDownload(VARIANT_BOOL* needsDownload);
  void CheckStatus() noexcept;

  // The files to download listed in the descriptor, read afresh on every call (the module
  // object's DownloadFiles).  Entries 0 to CountDownloadFiles() - 1.
  int CountDownloadFiles();
  void ReadDownloadFile(int index, DownloadFileInfo& file);

 protected:
  WideString descriptorName_;
  WideString referenceVersion_;
  VARIANT_BOOL isInstalled_ = VARIANT_TRUE;
  VARIANT_BOOL needsDownload_ = VARIANT_FALSE;
  bool statusKnown_ = false;
  ComRef<IProfileReader> reader_;  // opened on first descriptor access, then kept
};
