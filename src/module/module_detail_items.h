// The read-only item objects of the module detail collections: copies of one dialog name,
// custom action name, download file, dependency, exclusion or file of a module.
#pragma once

#include "com/com_object.h"
#include "com/dispatch.h"
#include "com/server_module.h"
#include "common/wide_string.h"
#include "module/component_identity.h"
#include "module/gallery_descriptor.h"
#include "module/module_record.h"

#include "qvmodcat.h"

// What every item shares: its own dual interface, IDispatch and ISupportErrorInfo.
template <class Derived, class Interface>
class DetailItem : public DispatchImpl<Interface>, public ISupportErrorInfo, public ObjectLock {
 public:
  static const QueryTable<Derived>& Interfaces() {
    return DualInterfaces<Derived, Interface>();
  }
  static const ErrorReporter& Reporter() { return MMCatalogErrors; }

  STDMETHODIMP InterfaceSupportsErrorInfo(REFIID iid) override {
    return iid == __uuidof(Interface) ? S_OK : S_FALSE;
  }

 protected:
  static HRESULT Number(long value, long* out) {
    if (!out) return E_POINTER;
    *out = value;
    return S_OK;
  }
};

// Dialogs and custom actions: a name.
template <class Interface>
class NameItem : public DetailItem<NameItem<Interface>, Interface> {
 public:
  explicit NameItem(WideString name) : name_(std::move(name)) {}
  STDMETHODIMP get_Name(BSTR* name) override { return name_.CopyTo(name); }

 private:
  WideString name_;
};

using DialogItem = NameItem<IDialogItem>;
using CustomActionItem = NameItem<ICustomActionItem>;

class DownloadFileItem : public DetailItem<DownloadFileItem, IDownloadFileItem> {
 public:
  explicit DownloadFileItem(DownloadFileInfo file) : file_(std::move(file)) {}
  STDMETHODIMP get_Location(BSTR* text) override { return file_.Location.CopyTo(text); }
  STDMETHODIMP get_MediaLocation(BSTR* text) override { return file_.MediaLocation.CopyTo(text); }
  STDMETHODIMP get_InternetLocation(BSTR* text) override {
    return file_.InternetLocation.CopyTo(text);
  }
  STDMETHODIMP get_FileSize(long* size) override { return Number(file_.FileSize, size); }
  STDMETHODIMP get_CheckSum(BSTR* text) override { return file_.CheckSum.CopyTo(text); }

 private:
  DownloadFileInfo file_;
};

class DependencyItem : public DetailItem<DependencyItem, IDependencyItem> {
 public:
  explicit DependencyItem(const DependencyRecord& dependency)
      : key_(dependency.Key), moduleId_(dependency.RequiredID),
        version_(dependency.RequiredVersion), language_(dependency.RequiredLanguage) {}
  STDMETHODIMP get_Key(BSTR* text) override { return key_.CopyTo(text); }
  STDMETHODIMP get_ModuleID(BSTR* text) override { return moduleId_.CopyTo(text); }
  STDMETHODIMP get_Version(BSTR* text) override { return version_.CopyTo(text); }
  STDMETHODIMP get_Language(long* language) override { return Number(language_, language); }

 private:
  WideString key_, moduleId_, version_;
  long language_;
};

class ExclusionItem : public DetailItem<ExclusionItem, IExclusionItem> {
 public:
  explicit ExclusionItem(const ExclusionRecord& exclusion)
      : key_(exclusion.Key), moduleId_(exclusion.ExcludedID),
        minVersion_(exclusion.ExcludedMinVersion), maxVersion_(exclusion.ExcludedMaxVersion),
        language_(WideString::Format(L"%d", static_cast<int>(exclusion.ExcludedLanguage))) {}
  STDMETHODIMP get_Key(BSTR* text) override { return key_.CopyTo(text); }
  STDMETHODIMP get_ModuleID(BSTR* text) override { return moduleId_.CopyTo(text); }
  STDMETHODIMP get_MinVersion(BSTR* text) override { return minVersion_.CopyTo(text); }
  STDMETHODIMP get_MaxVersion(BSTR* text) override { return maxVersion_.CopyTo(text); }
  STDMETHODIMP get_Language(BSTR* text) override { return language_.CopyTo(text); }

 private:
  WideString key_, moduleId_, minVersion_, maxVersion_, language_;
};

class FileItem : public DetailItem<FileItem, IFileItem> {
 public:
  explicit FileItem(const FileRecord& file)
      : directory_(file.Directory), file_(file.File), fileSize_(static_cast<long>(file.FileSize)),
        fileName_(file.FileName), version_(file.Version), language_(file.Language),
        sequence_(static_cast<long>(file.Sequence)) {}
  STDMETHODIMP get_Directory(BSTR* text) override { return directory_.CopyTo(text); }
  STDMETHODIMP get_File(BSTR* text) override { return file_.CopyTo(text); }
  STDMETHODIMP get_FileSize(long* size) override { return Number(fileSize_, size); }
  STDMETHODIMP get_FileName(BSTR* text) override { return fileName_.CopyTo(text); }
  STDMETHODIMP get_Version(BSTR* text) override { return version_.CopyTo(text); }
  STDMETHODIMP get_Language(BSTR* text) override { return language_.CopyTo(text); }
  STDMETHODIMP get_Sequence(long* sequence) override { return Number(sequence_, sequence); }

 private:
  WideString directory_, file_;
  long fileSize_;
  WideString fileName_, version_, language_;
  long sequence_;
};
