#include "com/script_arguments.h"

#include "common/variant.h"

#include <oleauto.h>

#include <cstring>

namespace {

bool IsPointer(const TYPEDESC& type) { return type.vt == VT_PTR && type.lptdesc; }

bool IsObjectType(VARTYPE type) { return type == VT_DISPATCH || type == VT_UNKNOWN; }

bool IsMissing(const VARIANT* argument) {
  return !argument ||
         (V_VT(argument) == VT_ERROR && V_ERROR(argument) == DISP_E_PARAMNOTFOUND);
}

// The type's zero value: a null object, a null text, 0.
void SetZero(UniqueVariant& value, VARTYPE type) {
  VARIANT* zero = value.Put();
  std::memset(zero, 0, sizeof *zero);
  V_VT(zero) = type;
}

// The argument's value converted to `type`; Empty, Null and a missing argument give the
// type's zero value, and so does a failed conversion (whose code is returned).
HRESULT ConvertedInput(const VARIANT* argument, VARTYPE type, UniqueVariant& converted) {
  SetZero(converted, type);
  if (IsMissing(argument)) return S_OK;
  UniqueVariant value;
  HRESULT result = VariantCopyInd(&value, const_cast<VARIANT*>(argument));
  if (FAILED(result) || value.Type() == VT_EMPTY || value.Type() == VT_NULL) return result;
  UniqueVariant changed;
  result = type == VT_VARIANT ? VariantCopy(&changed, &value)
                              : VariantChangeType(&changed, &value, 0, type);
  if (SUCCEEDED(result)) *converted.Put() = changed.Detach();
  return result;
}

// Hands an out value to the caller's by-reference argument, which owns it from then on: a
// VARIANT variable takes it as it is, an object variable of the other object type takes the
// object queried for its own type.
HRESULT StoreOut(VARIANT* argument, UniqueVariant& value) {
  if (V_VT(argument) == (VT_VARIANT | VT_BYREF)) {
    VARIANT* variable = V_VARIANTREF(argument);
    VariantClear(variable);
    *variable = value.Detach();
    PreferDispatch(variable);
    return S_OK;
  }
  IUnknown* object = nullptr;  // VT_DISPATCH and VT_UNKNOWN share the union's pointer
  if (V_UNKNOWN(&value.Get())) {
    UniqueVariant converted;
    const HRESULT result = VariantChangeType(&converted, &value, 0,
                                             static_cast<VARTYPE>(V_VT(argument) & ~VT_BYREF));
    if (FAILED(result)) return result;
    object = V_UNKNOWN(&converted.Get());
    converted.Detach();
  }
  IUnknown** variable = V_UNKNOWNREF(argument);
  if (*variable) (*variable)->Release();  // the caller's variable: its old object goes
  *variable = object;
  return S_OK;
}

// The caller's arguments as the member's parameters see them.
struct CallerArguments {
  DISPPARAMS* Params = nullptr;
  size_t Count = 0;          // the member's parameters, without the retval
  bool NamedValue = false;   // a property put's value, passed as the named argument
  UINT Given = 0;            // the positional arguments given for the parameters
  VARIANT* Retval = nullptr;  // a variable passed for the retval parameter itself

  // The caller's argument for parameter i, or null when it gave none.
  VARIANT* For(size_t i) const {
    if (NamedValue && i == Count - 1) return &Params->rgvarg[0];
    if (i >= Given) return nullptr;
    return &Params->rgvarg[Params->cArgs - 1 - i];
  }
  // Where parameter i goes in the adapted DISPPARAMS (arguments are stored last first).
  size_t AdaptedIndex(size_t i) const { return NamedValue && i == Count - 1 ? 0 : Count - 1 - i; }
  // The argument position reported for parameter i.
  UINT ErrorPosition(size_t i) const { return Params->cArgs - 1 - static_cast<UINT>(i); }
};

// False when the call has a shape the rule leaves alone: named arguments other than a property
// put's value, or more arguments than parameters.
bool ReadCallerArguments(const ScriptMember& member, DISPPARAMS* params, CallerArguments& call) {
  call.Params = params;
  call.Count = member.Parameters.size();
  const UINT named = params->cNamedArgs;
  call.NamedValue = named == 1 && params->rgdispidNamedArgs &&
                    params->rgdispidNamedArgs[0] == DISPID_PROPERTYPUT && call.Count > 0;
  if (named > 1 || (named == 1 && !call.NamedValue) || params->cArgs < named) return false;
  const size_t positional = call.Count - (call.NamedValue ? 1 : 0);
  call.Given = params->cArgs - named;
  // VBScript:  cat.FindModuleForFile dest, ver, lang, module, found
  if (member.HasRetval && !call.NamedValue && call.Given == positional + 1 &&
      V_VT(&params->rgvarg[0]) == (VT_VARIANT | VT_BYREF)) {
    call.Retval = &params->rgvarg[0];
    --call.Given;
  }
  return call.Given <= positional;
}

// What one pointer parameter of the adapted call uses.
struct Slot {
  UniqueVariant Value;           // the value behind the by-reference argument we made
  VARIANT* WriteBack = nullptr;  // the caller's by-reference argument that receives it
  bool Received = true;          // the caller gets this out value through its argument
};

// A variable passed by reference that can receive the out value: a VARIANT (VBScript), or
// an object variable of the other object type (VBA passes "Dim x As Object" as
// VT_BYREF | VT_DISPATCH).
bool CanReceive(const ScriptParameter& parameter, const VARIANT* argument) {
  const VARTYPE type = V_VT(argument);
  return type == (VT_VARIANT | VT_BYREF) ||
         (IsObjectType(parameter.Type) && IsObjectType(static_cast<VARTYPE>(type & ~VT_BYREF)));
}

enum class Adaptation { Adapted, PassThrough, TypeMismatch };

// Rule 1 for one parameter: what goes to the type information in `adapted`.
Adaptation AdaptArgument(const ScriptParameter& parameter, VARIANT* argument, Slot& slot,
                         VARIANT& adapted) {
  if (!parameter.ByReference) {
    // The type information reports a missing value argument itself.
    if (IsMissing(argument)) return Adaptation::PassThrough;
    adapted = *argument;  // a shallow copy: the caller keeps ownership
    return Adaptation::Adapted;
  }
  if (argument && V_VT(argument) == (parameter.Type | VT_BYREF)) {
    adapted = *argument;  // a native caller's own pointer
    return Adaptation::Adapted;
  }
  const bool byReference = argument && (V_VT(argument) & VT_BYREF);
  const bool receives = byReference && CanReceive(parameter, argument);
  // Any other variable cannot receive the value: the type information refuses the call.
  if (parameter.Out && byReference && !receives) return Adaptation::PassThrough;
  if (parameter.In) {
    if (FAILED(ConvertedInput(argument, parameter.Type, slot.Value)))
      return Adaptation::TypeMismatch;
  } else {
    SetZero(slot.Value, parameter.Type);
  }
  if (parameter.Out) {
    slot.WriteBack = receives ? argument : nullptr;
    slot.Received = receives;
  }
  VARIANT& value = slot.Value.Get();
  V_VT(&adapted) = static_cast<VARTYPE>(parameter.Type | VT_BYREF);
  V_BYREF(&adapted) = parameter.Type == VT_VARIANT ? static_cast<void*>(&value)
                                                   : static_cast<void*>(&V_I4(&value));
  return Adaptation::Adapted;
}

// Rules 2 and 3 after a successful call: the caller's variables receive their out values, and
// the first out value no variable received becomes the result.
HRESULT DeliverOutValues(const CallerArguments& call, std::vector<Slot>& slots,
                         size_t resultSlot, VARIANT* result, UINT* argumentError) {
  for (size_t i = 0; i < slots.size(); ++i) {
    if (!slots[i].WriteBack) continue;
    if (FAILED(StoreOut(slots[i].WriteBack, slots[i].Value))) {
      if (argumentError) *argumentError = call.ErrorPosition(i);
      return DISP_E_TYPEMISMATCH;
    }
  }
  if (resultSlot < slots.size() && result) {
    VariantClear(result);
    *result = slots[resultSlot].Value.Detach();
  }
  return S_OK;
}

}  // namespace

void PreferDispatch(VARIANT* value) noexcept {
  if (!value || V_VT(value) != VT_UNKNOWN || !V_UNKNOWN(value)) return;
  IDispatch* dispatch = nullptr;
  if (FAILED(V_UNKNOWN(value)->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch))))
    return;
  V_UNKNOWN(value)->Release();
  V_VT(value) = VT_DISPATCH;
  V_DISPATCH(value) = dispatch;
}

std::vector<ScriptMember> MembersNeedingScriptArguments(ITypeInfo* info) {
  std::vector<ScriptMember> members;
  TYPEATTR* attributes = nullptr;
  if (FAILED(info->GetTypeAttr(&attributes))) return members;
  for (UINT i = 0; i < attributes->cFuncs; ++i) {
    FUNCDESC* function = nullptr;
    if (FAILED(info->GetFuncDesc(i, &function))) continue;
    // A dual interface's dispatch view moves the retval parameter into the result type.
    const VARTYPE resultType = function->elemdescFunc.tdesc.vt;
    ScriptMember member{function->memid, function->invkind, {},
                        resultType != VT_VOID && resultType != VT_HRESULT &&
                            resultType != VT_EMPTY};
    bool needed = false;
    for (SHORT p = 0; p < function->cParams; ++p) {
      const ELEMDESC& element = function->lprgelemdescParam[p];
      const USHORT flags = element.paramdesc.wParamFlags;
      if (flags & PARAMFLAG_FRETVAL) {
        member.HasRetval = true;
        continue;
      }
      const bool pointer = IsPointer(element.tdesc);
      const VARTYPE type = pointer ? element.tdesc.lptdesc->vt : element.tdesc.vt;
      const bool out = (flags & PARAMFLAG_FOUT) != 0;
      const bool in = (flags & PARAMFLAG_FIN) != 0 || !out;
      member.Parameters.push_back({type, pointer, in, out});
      needed = needed || pointer;
    }
    info->ReleaseFuncDesc(function);
    if (needed) members.push_back(std::move(member));
  }
  info->ReleaseTypeAttr(attributes);
  return members;
}

HRESULT InvokeWithScriptArguments(ITypeInfo* info, void* instance, const ScriptMember& member,
                                  WORD flags, DISPPARAMS* params, VARIANT* result,
                                  EXCEPINFO* exception, UINT* argumentError) {
  auto passThrough = [&] {
    return info->Invoke(instance, member.Id, flags, params, result, exception, argumentError);
  };
  CallerArguments call;
  if (!params || !ReadCallerArguments(member, params, call)) return passThrough();

  std::vector<VARIANT> arguments(call.Count);
  std::vector<Slot> slots(call.Count);
  for (size_t i = 0; i < call.Count; ++i) {
    switch (AdaptArgument(member.Parameters[i], call.For(i), slots[i],
                          arguments[call.AdaptedIndex(i)])) {
      case Adaptation::Adapted:
        break;
      case Adaptation::PassThrough:
        return passThrough();
      case Adaptation::TypeMismatch:
        if (argumentError) *argumentError = call.ErrorPosition(i);
        return DISP_E_TYPEMISMATCH;
    }
  }

  // Rule 3: an out value the caller cannot receive becomes the result.
  size_t resultSlot = call.Count;
  for (size_t i = 0; i < call.Count && resultSlot == call.Count; ++i)
    if (member.Parameters[i].Out && !slots[i].Received) resultSlot = i;

  DISPPARAMS adapted{arguments.data(), params->rgdispidNamedArgs,
                     static_cast<UINT>(call.Count), params->cNamedArgs};
  UniqueVariant retval;
  const bool retvalIsResult = resultSlot == call.Count && !call.Retval;
  const HRESULT outcome = info->Invoke(instance, member.Id, flags, &adapted,
                                       retvalIsResult ? result : &retval, exception,
                                       argumentError);
  if (FAILED(outcome)) return outcome;
  if (call.Retval) {
    VARIANT* variable = V_VARIANTREF(call.Retval);
    VariantClear(variable);
    *variable = retval.Detach();
    PreferDispatch(variable);
  }
  const HRESULT delivered = DeliverOutValues(call, slots, resultSlot, result, argumentError);
  return FAILED(delivered) ? delivered : outcome;
}
