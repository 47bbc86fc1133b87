#include "installer/installer_spy.h"

#include "installer/installer_automation.h"

#include <oleauto.h>

struct Fault {
  InstallerObject object;
  DISPID member;
  int remaining;
  HRESULT scode;
  std::wstring description;
  LONG firstInteger;
};

struct InstallerSpy::State {
  std::vector<SpyCall> calls;
  std::vector<Fault> faults;
};

namespace {

class SpyDispatch final : public IDispatch {
 public:
  SpyDispatch(IDispatch* inner, InstallerObject object, std::shared_ptr<InstallerSpy::State> state)
      : inner_(inner), object_(object), state_(std::move(state)) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (!out) return E_POINTER;
    if (iid == IID_IUnknown || iid == IID_IDispatch) {
      *out = static_cast<IDispatch*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    return inner_->GetTypeInfoCount(count);
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT index, LCID locale, ITypeInfo** info) override {
    return inner_->GetTypeInfo(index, locale, info);
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                                          DISPID* ids) override {
    return inner_->GetIDsOfNames(iid, names, count, locale, ids);
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID member, REFIID iid, LCID locale, WORD kind,
                                   DISPPARAMS* parameters, VARIANT* result, EXCEPINFO* exception,
                                   UINT* argumentError) override {
    SpyCall call{object_, member, kind, VT_EMPTY, {}, -1};
    if (parameters && parameters->cArgs > 0) {
      const VARIANT& first = parameters->rgvarg[parameters->cArgs - 1];
      call.firstArgumentType = V_VT(&first);
      if (V_VT(&first) == VT_BSTR && V_BSTR(&first)) call.firstText = V_BSTR(&first);
      if (V_VT(&first) == VT_I4) call.firstInteger = V_I4(&first);
    }
    state_->calls.push_back(call);
    for (Fault& fault : state_->faults) {
      if (fault.object != object_ || fault.member != member || fault.remaining <= 0) continue;
      if (fault.firstInteger != -1 && fault.firstInteger != call.firstInteger) continue;
      if (--fault.remaining > 0) continue;
      if (exception) {
        *exception = EXCEPINFO{};
        exception->scode = fault.scode;
        exception->bstrSource = SysAllocString(L"Spy");
        exception->bstrDescription = SysAllocString(fault.description.c_str());
      }
      return DISP_E_EXCEPTION;
    }
    const HRESULT code =
        inner_->Invoke(member, iid, locale, kind, parameters, result, exception, argumentError);
    if (SUCCEEDED(code) && result && V_VT(result) == VT_DISPATCH && V_DISPATCH(result)) {
      InstallerObject handedOut;
      if (WrapResultAs(member, handedOut)) {
        IDispatch* real = V_DISPATCH(result);
        V_DISPATCH(result) = new SpyDispatch(real, handedOut, state_);
        real->Release();
      }
    }
    return code;
  }

 private:
  ~SpyDispatch() = default;

  bool WrapResultAs(DISPID member, InstallerObject& handedOut) const {
    using namespace InstallerMember;
    if (object_ == InstallerObject::Installer && member == InstallerOpenDatabase) {
      handedOut = InstallerObject::Database;
    } else if (object_ == InstallerObject::Database && member == DatabaseOpenView) {
      handedOut = InstallerObject::View;
    } else if (object_ == InstallerObject::Database && member == DatabaseSummaryInformation) {
      handedOut = InstallerObject::SummaryInfo;
    } else if (object_ == InstallerObject::View && member == ViewFetch) {
      handedOut = InstallerObject::Record;
    } else {
      return false;
    }
    return true;
  }

  ComRef<IDispatch> inner_;
  InstallerObject object_;
  std::shared_ptr<InstallerSpy::State> state_;
  ULONG references_ = 1;
};

}  // namespace

InstallerSpy::InstallerSpy(const ComRef<IDispatch>& installer)
    : state_(std::make_shared<State>()),
      installer_(ComRef<IDispatch>::Attach(
          new SpyDispatch(installer.Get(), InstallerObject::Installer, state_))) {}

void InstallerSpy::FailCall(InstallerObject object, DISPID member, int occurrence, HRESULT scode,
                            const std::wstring& description, LONG firstInteger) {
  state_->faults.push_back(Fault{object, member, occurrence, scode, description, firstInteger});
}

const std::vector<SpyCall>& InstallerSpy::Calls() const { return state_->calls; }

int InstallerSpy::CountCalls(InstallerObject object, DISPID member) const {
  int count = 0;
  for (const SpyCall& call : state_->calls) count += call.object == object && call.member == member;
  return count;
}
