#include "module/gallery_descriptor.h"

GalleryDescriptor::~GalleryDescriptor() = default;

void GalleryDescriptor::SetNames(const WideString& name, const WideString& referenceVersion) {
  descriptorName_ = name;
  referenceVersion_ = referenceVersion;
}

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
  // The descriptor-based status check arrives with the descriptor reader; until then every
  // module counts as installed.
}

// The descriptor reader fills these in; until then a descriptor lists no download files.
int GalleryDescriptor::CountDownloadFiles() { return 0; }

void GalleryDescriptor::ReadDownloadFile(int, DownloadFileInfo& file) { file = DownloadFileInfo{}; }
