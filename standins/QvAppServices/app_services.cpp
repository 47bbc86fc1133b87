// The application-services stand-in: one object answering IAppServices and IAppFolders, whose
// folders, lists and switches are values under the stand-in state key (standin_state.h).
// The slots the environment leaves unnamed answer E_NOTIMPL.
//
// Failure injection: the value "FailOperation" lists the operations to fail (method names such
// as "GetSearchPathList", plus "DllGetClassObject" and "CreateInstance"), "FailHResult" the code.
#include "standin_object.h"
#include "standin_state.h"

#include "qv_environment.h"

#include <new>
#include <string>

namespace {

using standin::CopyOut;
using standin::InjectedFailure;
using standin::ReadNumber;
using standin::ReadText;

HRESULT Injected(const wchar_t* operation) {
  return InjectedFailure(L"FailOperation", L"FailHResult", operation);
}

// A text setting handed out as a new BSTR.
HRESULT GetText(const wchar_t* operation, const std::wstring& valueName, BSTR* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (const HRESULT failure = Injected(operation)) return failure;
  return CopyOut(ReadText(valueName.c_str()), out);
}

// A numeric switch (REG_DWORD, 0 when absent).
HRESULT GetNumber(const wchar_t* operation, const wchar_t* valueName, long* out) {
  if (!out) return E_POINTER;
  *out = 0;
  if (const HRESULT failure = Injected(operation)) return failure;
  *out = static_cast<long>(ReadNumber(valueName));
  return S_OK;
}

#define QV_UNNAMED_SLOT(n) \
  STDMETHODIMP Slot##n() override { return E_NOTIMPL; }
#define QV_UNNAMED_SLOTS_10(tens)                                                      \
  QV_UNNAMED_SLOT(tens##0) QV_UNNAMED_SLOT(tens##1) QV_UNNAMED_SLOT(tens##2)           \
  QV_UNNAMED_SLOT(tens##3) QV_UNNAMED_SLOT(tens##4) QV_UNNAMED_SLOT(tens##5)           \
  QV_UNNAMED_SLOT(tens##6) QV_UNNAMED_SLOT(tens##7) QV_UNNAMED_SLOT(tens##8)           \
  QV_UNNAMED_SLOT(tens##9)

class AppServices final : public standin::ComObject<IAppServices, IAppFolders> {
 public:
  static HRESULT Create(REFIID iid, void** object) {
    if (const HRESULT failure = Injected(L"CreateInstance")) return failure;
    AppServices* services = new (std::nothrow) AppServices;
    if (!services) return E_OUTOFMEMORY;
    const HRESULT result = services->QueryInterface(iid, object);
    services->Release();
    return result;
  }

  // IAppServices
  STDMETHODIMP GetSearchPathList(BSTR* list) override {
    return GetText(L"GetSearchPathList", L"SearchPathList", list);
  }
  STDMETHODIMP SetSearchPathList(BSTR list) override {
    if (const HRESULT failure = Injected(L"SetSearchPathList")) return failure;
    return standin::WriteText(L"SearchPathList",
                              std::wstring(list ? list : L"", list ? SysStringLen(list) : 0));
  }
  STDMETHODIMP GetModuleFolderAt(long index, BSTR* folder) override {
    if (index < 0) {  // names no folder: reads as the end of the list
      if (!folder) return E_POINTER;
      *folder = nullptr;
      if (const HRESULT failure = Injected(L"GetModuleFolderAt")) return failure;
      return CopyOut(std::wstring(), folder);
    }
    return GetText(L"GetModuleFolderAt", L"ModuleFolder" + std::to_wstring(index), folder);
  }
  STDMETHODIMP GetMatchVersion(long* match) override {
    return GetNumber(L"GetMatchVersion", L"MatchVersion", match);
  }
  STDMETHODIMP GetMatchFolder(long* match) override {
    return GetNumber(L"GetMatchFolder", L"MatchFolder", match);
  }
  STDMETHODIMP GetPreferredLanguage(BSTR* language) override {
    return GetText(L"GetPreferredLanguage", L"PreferredLanguage", language);
  }

  // IAppFolders
  STDMETHODIMP GetProductFolder(BSTR* folder) override {
    return GetText(L"GetProductFolder", L"ProductFolder", folder);
  }
  STDMETHODIMP GetFilesIniFolder(BSTR* folder) override {
    return GetText(L"GetFilesIniFolder", L"FilesIniFolder", folder);
  }
  STDMETHODIMP GetModulesIniFolder(BSTR* folder) override {
    return GetText(L"GetModulesIniFolder", L"ModulesIniFolder", folder);
  }
  STDMETHODIMP GetExtraSearchPathList(BSTR* list) override {
    return GetText(L"GetExtraSearchPathList", L"ExtraSearchPathList", list);
  }
  STDMETHODIMP GetExcludedFilePatterns(BSTR* patterns) override {
    return GetText(L"GetExcludedFilePatterns", L"ExcludedFilePatterns", patterns);
  }

  // Slots 3 to 81 that neither interface names.  Both interfaces put placeholders of the same
  // name and signature in the same slot, so one definition serves both vtables.
  QV_UNNAMED_SLOT(3) QV_UNNAMED_SLOT(4) QV_UNNAMED_SLOT(5) QV_UNNAMED_SLOT(6)
  QV_UNNAMED_SLOT(7) QV_UNNAMED_SLOT(8) QV_UNNAMED_SLOT(9)
  QV_UNNAMED_SLOTS_10(1) QV_UNNAMED_SLOTS_10(2) QV_UNNAMED_SLOTS_10(3) QV_UNNAMED_SLOTS_10(4)
  QV_UNNAMED_SLOTS_10(5) QV_UNNAMED_SLOTS_10(6) QV_UNNAMED_SLOTS_10(7)
  QV_UNNAMED_SLOT(80) QV_UNNAMED_SLOT(81)

 private:
  AppServices() = default;

  void* Find(const IID& iid) noexcept override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, kIidAppServices)) {
      return static_cast<IAppServices*>(this);
    }
    if (IsEqualIID(iid, kIidAppFolders)) return static_cast<IAppFolders*>(this);
    return nullptr;
  }
};

standin::ClassFactory appServicesFactory(&AppServices::Create);

}  // namespace

STDAPI DllGetClassObject(REFCLSID clsid, REFIID iid, void** object) {
  if (const HRESULT failure = Injected(L"DllGetClassObject")) {
    if (object) *object = nullptr;
    return failure;
  }
  return standin::GetClassObject(appServicesFactory, kClsidAppServices, clsid, iid, object);
}

STDAPI DllCanUnloadNow() { return standin::CanUnloadNow(); }
