// The project-object stand-in.  Scripts set its type through IDispatch (property ProjectType,
// read/write, long); the component reads it through IProjectObject slot 14, which gives a
// settings object whose IProjectSettings slot 42 gives the type.  The settings object reads
// the project live, so a later change of ProjectType shows through it.
//
// Failure injection: "ProjectFailOperation" lists "CreateInstance", "GetProjectSettings" and
// "GetProjectType", "ProjectFailHResult" the code.
#include "project_object.h"

#include "standin_object.h"
#include "standin_project_ids.h"
#include "standin_state.h"

#include "qv_environment.h"

#include <new>

namespace {

using standin::ComObject;

HRESULT Injected(const wchar_t* operation) {
  return standin::InjectedFailure(L"ProjectFailOperation", L"ProjectFailHResult", operation);
}

#define QV_UNNAMED_SLOT(n) \
  STDMETHODIMP Slot##n() override { return E_NOTIMPL; }

class Project final : public ComObject<IDispatch, IProjectObject> {
 public:
  static HRESULT Create(REFIID iid, void** object) {
    if (const HRESULT failure = Injected(L"CreateInstance")) return failure;
    Project* project = new (std::nothrow) Project;
    if (!project) return E_OUTOFMEMORY;
    const HRESULT result = project->QueryInterface(iid, object);
    project->Release();
    return result;
  }

  long Type() const noexcept { return type_; }

  // IDispatch: the one property ProjectType, without type information.
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (!info) return E_POINTER;
    *info = nullptr;
    return DISP_E_BADINDEX;
  }
  STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID,
                             DISPID* ids) override {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (!names || !ids) return E_POINTER;
    for (UINT i = 0; i < count; ++i) ids[i] = DISPID_UNKNOWN;
    if (count == 0 || !names[0] || !standin::SameName(names[0], L"ProjectType")) {
      return DISP_E_UNKNOWNNAME;
    }
    ids[0] = kDispidProjectType;
    return count == 1 ? S_OK : DISP_E_UNKNOWNNAME;  // the property has no named arguments
  }
  STDMETHODIMP Invoke(DISPID id, REFIID iid, LCID, WORD flags, DISPPARAMS* parameters,
                      VARIANT* result, EXCEPINFO*, UINT* argumentError) override {
    if (!IsEqualIID(iid, IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
    if (id != kDispidProjectType) return DISP_E_MEMBERNOTFOUND;
    if (!parameters) return E_INVALIDARG;
    if (flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF)) {
      if (parameters->cArgs != 1) return DISP_E_BADPARAMCOUNT;
      VARIANT value;
      VariantInit(&value);
      if (FAILED(VariantChangeType(&value, &parameters->rgvarg[0], 0, VT_I4))) {
        if (argumentError) *argumentError = 0;
        return DISP_E_TYPEMISMATCH;
      }
      type_ = V_I4(&value);
      return S_OK;
    }
    if (flags & DISPATCH_PROPERTYGET) {
      if (parameters->cArgs != 0) return DISP_E_BADPARAMCOUNT;
      if (result) {
        VariantInit(result);
        V_VT(result) = VT_I4;
        V_I4(result) = type_;
      }
      return S_OK;
    }
    return DISP_E_MEMBERNOTFOUND;
  }

  // IProjectObject
  STDMETHODIMP GetProjectSettings(IUnknown** settings) override;
  QV_UNNAMED_SLOT(3) QV_UNNAMED_SLOT(4) QV_UNNAMED_SLOT(5) QV_UNNAMED_SLOT(6)
  QV_UNNAMED_SLOT(7) QV_UNNAMED_SLOT(8) QV_UNNAMED_SLOT(9) QV_UNNAMED_SLOT(10)
  QV_UNNAMED_SLOT(11) QV_UNNAMED_SLOT(12) QV_UNNAMED_SLOT(13)

 private:
  Project() = default;

  void* Find(const IID& iid) noexcept override {
    if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch)) {
      return static_cast<IDispatch*>(this);
    }
    if (IsEqualIID(iid, kIidProjectObject)) return static_cast<IProjectObject*>(this);
    return nullptr;
  }

  long type_ = 0;
};

// Reached only through slot 14: it has no interface identifier of its own, so it answers
// IUnknown alone, with the IProjectSettings vtable.
class ProjectSettings final : public ComObject<IProjectSettings> {
 public:
  explicit ProjectSettings(Project* project) noexcept : project_(project) { project_->AddRef(); }
  ~ProjectSettings() override { project_->Release(); }

  STDMETHODIMP GetProjectType(long* type) override {
    if (!type) return E_POINTER;
    *type = 0;
    if (const HRESULT failure = Injected(L"GetProjectType")) return failure;
    *type = project_->Type();
    return S_OK;
  }
  QV_UNNAMED_SLOT(3) QV_UNNAMED_SLOT(4) QV_UNNAMED_SLOT(5) QV_UNNAMED_SLOT(6)
  QV_UNNAMED_SLOT(7) QV_UNNAMED_SLOT(8) QV_UNNAMED_SLOT(9) QV_UNNAMED_SLOT(10)
  QV_UNNAMED_SLOT(11) QV_UNNAMED_SLOT(12) QV_UNNAMED_SLOT(13) QV_UNNAMED_SLOT(14)
  QV_UNNAMED_SLOT(15) QV_UNNAMED_SLOT(16) QV_UNNAMED_SLOT(17) QV_UNNAMED_SLOT(18)
  QV_UNNAMED_SLOT(19) QV_UNNAMED_SLOT(20) QV_UNNAMED_SLOT(21) QV_UNNAMED_SLOT(22)
  QV_UNNAMED_SLOT(23) QV_UNNAMED_SLOT(24) QV_UNNAMED_SLOT(25) QV_UNNAMED_SLOT(26)
  QV_UNNAMED_SLOT(27) QV_UNNAMED_SLOT(28) QV_UNNAMED_SLOT(29) QV_UNNAMED_SLOT(30)
  QV_UNNAMED_SLOT(31) QV_UNNAMED_SLOT(32) QV_UNNAMED_SLOT(33) QV_UNNAMED_SLOT(34)
  QV_UNNAMED_SLOT(35) QV_UNNAMED_SLOT(36) QV_UNNAMED_SLOT(37) QV_UNNAMED_SLOT(38)
  QV_UNNAMED_SLOT(39) QV_UNNAMED_SLOT(40) QV_UNNAMED_SLOT(41)

 private:
  void* Find(const IID& iid) noexcept override {
    return IsEqualIID(iid, IID_IUnknown) ? static_cast<IProjectSettings*>(this) : nullptr;
  }

  Project* project_;
};

STDMETHODIMP Project::GetProjectSettings(IUnknown** settings) {
  if (!settings) return E_POINTER;
  *settings = nullptr;
  if (const HRESULT failure = Injected(L"GetProjectSettings")) return failure;
  ProjectSettings* made = new (std::nothrow) ProjectSettings(this);
  if (!made) return E_OUTOFMEMORY;
  *settings = static_cast<IProjectSettings*>(made);
  return S_OK;
}

}  // namespace

HRESULT CreateStandInProject(REFIID iid, void** object) { return Project::Create(iid, object); }
