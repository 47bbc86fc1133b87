#include "installer/dispatch_call.h"

#include "common/bstr.h"
#include "common/com_exception.h"
#include "common/text.h"

#include <vector>

namespace {

constexpr ErrorOrigin kOrigin = ErrorOrigin::InstallerAutomation;

[[noreturn]] void RaiseAutomationError(HRESULT code, std::string description) {
  if (description.empty()) description = SystemMessageText(code);
  if (description.empty()) description = "Unknown error";
  throw com_exception(code, std::move(description), GUID{}, kOrigin);
}

// A failure the object reported through EXCEPINFO: its code and its text.
[[noreturn]] void RaiseDispatchException(EXCEPINFO& info) {
  if (info.pfnDeferredFillIn) info.pfnDeferredFillIn(&info);
  UniqueBstr source(info.bstrSource), description(info.bstrDescription),
      helpFile(info.bstrHelpFile);
  const WideString text = description.ToWide();
  RaiseAutomationError(HresultFromExcepInfo(info), AnsiFromWide(text));
}

// Any other failure: the error information the object left for the thread when it says it
// provides some, else the system's text.
[[noreturn]] void RaiseInvokeFailure(IDispatch* object, HRESULT code) {
  ComRef<ISupportErrorInfo> support;
  if (object && object->QueryInterface(IID_ISupportErrorInfo, support.PutVoid()) == S_OK &&
      support->InterfaceSupportsErrorInfo(IID_IDispatch) == S_OK) {
    ThrowIfFailed(code, kOrigin);
  }
  RaiseAutomationError(code, std::string());
}

void CoerceResult(VARIANT& result, VARTYPE type) {
  if (V_VT(&result) == type) return;
  const HRESULT code = VariantChangeType(&result, &result, 0, type);
  if (FAILED(code)) RaiseAutomationError(code, std::string());
}

}  // namespace

HRESULT HresultFromExcepInfo(const EXCEPINFO& info) noexcept {
  // Some objects put a Win32 code into scode.
  if (info.scode != 0) return HresultFromWin32Code(info.scode);
  if (info.wCode == 0) return DISP_E_EXCEPTION;
  // Application codes live in FACILITY_ITF from 0x200 on.
  const HRESULT first = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF, 0x200);
  const HRESULT last = MAKE_HRESULT(SEVERITY_ERROR, FACILITY_ITF + 1, 0) - 1;
  return info.wCode >= 0xFE00 ? last : first + info.wCode;
}

void InvokeDispatch(IDispatch* object, DISPID member, DispatchKind kind,
                    std::initializer_list<const VARIANT*> arguments, VARIANT* result) {
  if (!object) RaiseAutomationError(E_POINTER, std::string());
  // DISPPARAMS takes the arguments last to first; the callee does not change or free them.
  std::vector<VARIANT> reversed(arguments.size());
  size_t slot = arguments.size();
  for (const VARIANT* argument : arguments) reversed[--slot] = *argument;
  DISPPARAMS parameters = {reversed.empty() ? nullptr : reversed.data(), nullptr,
                           static_cast<UINT>(reversed.size()), 0};
  EXCEPINFO exception = {};
  UINT argumentError = 0;
  if (result) VariantInit(result);
  const HRESULT code = object->Invoke(member, IID_NULL, LOCALE_USER_DEFAULT,
                                      static_cast<WORD>(kind), &parameters, result, &exception,
                                      &argumentError);
  if (code == DISP_E_EXCEPTION) RaiseDispatchException(exception);
  if (FAILED(code)) RaiseInvokeFailure(object, code);
}

ComRef<IDispatch> InvokeForObject(IDispatch* object, DISPID member, DispatchKind kind,
                                  std::initializer_list<const VARIANT*> arguments) {
  UniqueVariant result;
  InvokeDispatch(object, member, kind, arguments, result.Put());
  // An empty or null result is no object (the end of a view, for instance).
  if (result.Type() == VT_EMPTY || result.Type() == VT_NULL) return nullptr;
  CoerceResult(result.Get(), VT_DISPATCH);
  return ComRef<IDispatch>(V_DISPATCH(&result.Get()));
}

WideString InvokeForString(IDispatch* object, DISPID member, DispatchKind kind,
                           std::initializer_list<const VARIANT*> arguments) {
  UniqueVariant result;
  InvokeDispatch(object, member, kind, arguments, result.Put());
  if (result.Type() == VT_EMPTY || result.Type() == VT_NULL) return WideString();
  CoerceResult(result.Get(), VT_BSTR);
  const BSTR text = V_BSTR(&result.Get());
  return WideString(text, text ? SysStringLen(text) : 0);
}

LONG InvokeForInteger(IDispatch* object, DISPID member, DispatchKind kind,
                      std::initializer_list<const VARIANT*> arguments) {
  UniqueVariant result;
  InvokeDispatch(object, member, kind, arguments, result.Put());
  CoerceResult(result.Get(), VT_I4);
  return V_I4(&result.Get());
}
