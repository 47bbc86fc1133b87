#include "com/script_arguments.h"

#include <oleauto.h>

#include <cstring>

namespace {

bool IsPointer(const TYPEDESC& type) { return type.vt == VT_PTR && type.lptdesc; }

VARIANT ZeroVariant(VARTYPE type) {
  VARIANT value;
  std::memset(&value, 0, sizeof value);
  V_VT(&value) = type;
  return value;
}

bool IsMissing(const VARIANT* argument) {
  return !argument ||
         (V_VT(argument) == VT_ERROR && V_ERROR(argument) == DISP_E_PARAMNOTFOUND);
}

// The argument's value converted to `type`; Empty, Null and a missing argument give the
// type's zero value.
HRESULT ConvertedInput(const VARIANT* argument, VARTYPE type, VARIANT& converted) {
  converted = ZeroVariant(type);
  if (IsMissing(argument)) return S_OK;
  VARIANT value;
  VariantInit(&value);
  HRESULT result = VariantCopyInd(&value, const_cast<VARIANT*>(argument));
  if (FAILED(result)) return result;
  if (V_VT(&value) != VT_EMPTY && V_VT(&value) != VT_NULL) {
    VARIANT changed;
    VariantInit(&changed);
    result = type == VT_VARIANT ? VariantCopy(&changed, &value)
                                : VariantChangeType(&changed, &value, 0, type);
    if (SUCCEEDED(result)) converted = changed;
  }
  VariantClear(&value);
  return result;
}

// What one parameter of the adapted call uses.
struct Slot {
  VARIANT Temporary;         // the value behind a by-reference argument we made
  bool UsesTemporary = false;
  VARIANT* WriteBack = nullptr;  // the caller's by-reference VARIANT
  bool Received = true;          // the caller gets an out value through its argument
};

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
  if (!params) return passThrough();
  const size_t count = member.Parameters.size();
  const UINT named = params->cNamedArgs;
  const bool namedValue = named == 1 && params->rgdispidNamedArgs &&
                          params->rgdispidNamedArgs[0] == DISPID_PROPERTYPUT && count > 0;
  if (named > 1 || (named == 1 && !namedValue)) return passThrough();
  const size_t positional = count - (namedValue ? 1 : 0);
  if (params->cArgs < named) return passThrough();
  UINT given = params->cArgs - named;
  // A variable passed for the retval parameter itself (VBScript: cat.Find a, b, c, m, found).
  VARIANT* retvalArgument = nullptr;
  if (member.HasRetval && !namedValue && given == positional + 1 &&
      V_VT(&params->rgvarg[0]) == (VT_VARIANT | VT_BYREF)) {
    retvalArgument = &params->rgvarg[0];
    --given;
  }
  if (given > positional) return passThrough();

  // The caller's argument for parameter i, or null when it gave none.
  auto callerArgument = [&](size_t i) -> VARIANT* {
    if (namedValue && i == count - 1) return &params->rgvarg[0];
    if (i >= given) return nullptr;
    return &params->rgvarg[params->cArgs - 1 - i];
  };

  std::vector<VARIANT> arguments(count);
  std::vector<Slot> slots(count);
  auto cleanUp = [&] {
    for (Slot& slot : slots)
      if (slot.UsesTemporary) VariantClear(&slot.Temporary);
  };
  for (size_t i = 0; i < count; ++i) {
    const ScriptParameter& parameter = member.Parameters[i];
    VARIANT* argument = callerArgument(i);
    VARIANT& adapted = arguments[namedValue && i == count - 1 ? 0 : count - 1 - i];
    Slot& slot = slots[i];
    if (!parameter.ByReference) {
      if (IsMissing(argument)) {
        cleanUp();
        return passThrough();  // the type information reports the missing argument
      }
      adapted = *argument;  // a shallow copy: the caller keeps ownership
      continue;
    }
    if (argument && V_VT(argument) == (parameter.Type | VT_BYREF)) {
      adapted = *argument;  // a native caller's own pointer
      continue;
    }
    const bool byReferenceVariant = argument && V_VT(argument) == (VT_VARIANT | VT_BYREF);
    HRESULT converted = S_OK;
    if (parameter.In) {
      converted = ConvertedInput(argument, parameter.Type, slot.Temporary);
    } else {
      slot.Temporary = ZeroVariant(parameter.Type);
    }
    if (FAILED(converted)) {
      cleanUp();
      if (argumentError) *argumentError = params->cArgs - 1 - static_cast<UINT>(i);
      return DISP_E_TYPEMISMATCH;
    }
    slot.UsesTemporary = true;
    if (parameter.Out) {
      slot.WriteBack = byReferenceVariant ? V_VARIANTREF(argument) : nullptr;
      slot.Received = byReferenceVariant;
    }
    V_VT(&adapted) = static_cast<VARTYPE>(parameter.Type | VT_BYREF);
    V_BYREF(&adapted) = parameter.Type == VT_VARIANT ? static_cast<void*>(&slot.Temporary)
                                                     : static_cast<void*>(&V_I4(&slot.Temporary));
  }

  // Rule 3: an out value the caller cannot receive becomes the result.
  size_t resultSlot = count;
  for (size_t i = 0; i < count && resultSlot == count; ++i)
    if (member.Parameters[i].Out && !slots[i].Received) resultSlot = i;

  DISPPARAMS adaptedParams{arguments.data(), params->rgdispidNamedArgs,
                           static_cast<UINT>(count), named};
  VARIANT retval;
  VariantInit(&retval);
  const bool retvalIsResult = resultSlot == count && !retvalArgument;
  const HRESULT outcome = info->Invoke(instance, member.Id, flags, &adaptedParams,
                                       retvalIsResult ? result : &retval, exception,
                                       argumentError);
  if (SUCCEEDED(outcome) && retvalArgument) {
    VariantClear(V_VARIANTREF(retvalArgument));
    *V_VARIANTREF(retvalArgument) = retval;
    VariantInit(&retval);
    PreferDispatch(V_VARIANTREF(retvalArgument));
  }
  VariantClear(&retval);
  if (SUCCEEDED(outcome)) {
    for (size_t i = 0; i < count; ++i) {
      Slot& slot = slots[i];
      if (slot.WriteBack) {
        VariantClear(slot.WriteBack);
        *slot.WriteBack = slot.Temporary;
        slot.UsesTemporary = false;
        PreferDispatch(slot.WriteBack);
      }
    }
    if (resultSlot < count && result) {
      VariantClear(result);
      *result = slots[resultSlot].Temporary;
      slots[resultSlot].UsesTemporary = false;
    }
  }
  cleanUp();
  return outcome;
}
