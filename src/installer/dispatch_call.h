// Calls on automation objects by dispatch identifier, for objects we use without a type
// library of our own (the installer automation object and the objects it hands out).
//
// A failing call raises com_exception with ErrorOrigin::InstallerAutomation: the callers
// decide whether such a failure is swallowed (a table a package lacks), converted or passed on
// to the package scan, which skips packages the installer cannot read.  When the object
// reports an exception (DISP_E_EXCEPTION), its own code and description are what travel.
#pragma once

#include "common/com_ref.h"
#include "common/variant.h"
#include "common/wide_string.h"

#include <oaidl.h>

#include <initializer_list>

enum class DispatchKind : WORD {
  Method = DISPATCH_METHOD,
  PropertyGet = DISPATCH_PROPERTYGET,
};

// Invokes `member` with the arguments in call order; `result` may be null for calls without a
// result.  A null object fails with E_POINTER like any other failing call.
void InvokeDispatch(IDispatch* object, DISPID member, DispatchKind kind,
                    std::initializer_list<const VARIANT*> arguments, VARIANT* result);

// The same with the result coerced to the type the caller expects.
ComRef<IDispatch> InvokeForObject(IDispatch* object, DISPID member, DispatchKind kind,
                                  std::initializer_list<const VARIANT*> arguments);
WideString InvokeForString(IDispatch* object, DISPID member, DispatchKind kind,
                           std::initializer_list<const VARIANT*> arguments);
LONG InvokeForInteger(IDispatch* object, DISPID member, DispatchKind kind,
                      std::initializer_list<const VARIANT*> arguments);

// The HRESULT that an EXCEPINFO stands for: its scode, or else the code its wCode maps to.
HRESULT HresultFromExcepInfo(const EXCEPINFO& info) noexcept;

// A VT_DISPATCH variant holding no object, for optional object arguments passed empty.
class EmptyObjectVariant : public UniqueVariant {
 public:
  EmptyObjectVariant() noexcept {
    V_VT(&value_) = VT_DISPATCH;
    V_DISPATCH(&value_) = nullptr;
  }
};
