// The installed / needs-download status of a module, computed from its gallery descriptor.
#include "module/gallery_descriptor.h"

#include "common/path.h"
#include "common/version_rules.h"
#include "module/module_record.h"
#include "module/profile_reader.h"

HRESULT GalleryDescriptor::GetIsInstalled(VARIANT_BOOL* installed) {
  if (!installed) return E_POINTER;
  CheckStatus();
  *installed = isInstalled_;
  return S_OK;
}

HRESULT GalleryDescriptor::GetNeedsDownload(VARIANT_BOOL* needsDownload) {
  if (!needsDownload) return E_POINTER;
  CheckStatus();
  *needsDownload = needsDownload_;
  return S_OK;
}

void GalleryDescriptor::CheckStatus() noexcept {
  if (statusKnown_) return;
  // A pass starts from the flags as the last pass left them: once a file was missing, the
  // module stays not installed, also when the file appears or a later pass fails.
  try {
    statusKnown_ = RunStatusCheck();
  } catch (...) {
    // An unreadable descriptor or unavailable application services settle the status as
    // it stands: the flags are never an error for the caller.
    statusKnown_ = true;
  }
}

bool GalleryDescriptor::RunStatusCheck() {
  if (!DescriptorNamesPackage()) return true;  // nothing to install: installed as it is
  const WideString productFolder = QueryProductFolder();
  if (CompareVersions(DescriptorVersion(), referenceVersion_) == 1) {
    needsDownload_ = VARIANT_TRUE;
  }
  const WideString packagePath = GetPackagePathFromDescriptor();
  if (packagePath.IsEmpty()) {
    isInstalled_ = VARIANT_FALSE;
    needsDownload_ = VARIANT_FALSE;
    return true;
  }
  if (!PathExists(packagePath) || DownloadDestinationMissing(productFolder)) {
    // Left open: the next query looks again, as the files may be installed meanwhile.
    isInstalled_ = VARIANT_FALSE;
    needsDownload_ = VARIANT_TRUE;
    return false;
  }
  return true;
}

// The keys of "FilesToDownload" are walked by position whatever their names; each value
// names a section whose "Destination" is a file under the product folder.
bool GalleryDescriptor::DownloadDestinationMissing(const WideString& productFolder) {
  const ComRef<IProfileSection> section = GetSection(L"FilesToDownload");
  if (!section) return false;
  const ComRef<IProfileKeys> keys = ProfileSectionKeys(section.Get());
  if (!keys) return false;
  const long count = ProfileKeyCount(keys.Get());
  for (long position = 1; position <= count; ++position) {
    const ComRef<IProfileKey> key = ProfileKeyAt(keys.Get(), position);
    if (!key) continue;
    const WideString destination = ReadValue(ProfileKeyValue(key.Get()), L"Destination");
    if (!PathExists(JoinPath(productFolder, destination))) return true;
  }
  return false;
}
