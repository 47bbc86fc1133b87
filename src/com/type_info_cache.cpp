#include "com/type_info_cache.h"

#include "com/server_module.h"
#include "common/bstr.h"

#include <oleauto.h>

#include <cwchar>
#include <new>

namespace {

// The type information of an interface.  The component's library declares only the classes:
// their interfaces are declared in the environment's library, which it imports and which is
// reached through the interface a class refers to.
HRESULT InterfaceTypeInfo(ITypeLib* component, const IID& iid, ComRef<ITypeInfo>& info) {
  const HRESULT own = component->GetTypeInfoOfGuid(iid, info.Put());
  if (SUCCEEDED(own)) return own;
  for (UINT i = 0, count = component->GetTypeInfoCount(); i < count; ++i) {
    ComRef<ITypeInfo> type, implemented;
    ComRef<ITypeLib> interfaces;
    HREFTYPE reference = 0;
    UINT index = 0;
    if (SUCCEEDED(component->GetTypeInfo(i, type.Put())) &&
        SUCCEEDED(type->GetRefTypeOfImplType(0, &reference)) &&
        SUCCEEDED(type->GetRefTypeInfo(reference, implemented.Put())) &&
        SUCCEEDED(implemented->GetContainingTypeLib(interfaces.Put(), &index)))
      return interfaces->GetTypeInfoOfGuid(iid, info.Put());
  }
  return own;
}

// A native caller with a bug can hand over arguments no script engine makes: a by-reference
// argument without its pointer (also behind a by-reference VARIANT), or counts without arrays.
// Everything behind Invoke would dereference them, so they are refused before anyone reads them.
HRESULT CheckArgumentShapes(const DISPPARAMS* params, UINT* argumentError) {
  if (!params || (params->cArgs && !params->rgvarg) ||
      (params->cNamedArgs && !params->rgdispidNamedArgs) || params->cNamedArgs > params->cArgs)
    return E_INVALIDARG;
  for (UINT i = 0; i < params->cArgs; ++i) {
    const VARIANT* argument = &params->rgvarg[i];
    bool missing = (V_VT(argument) & VT_BYREF) && !V_BYREF(argument);
    if (!missing && V_VT(argument) == (VT_VARIANT | VT_BYREF)) {
      const VARIANT* referenced = V_VARIANTREF(argument);
      missing = (V_VT(referenced) & VT_BYREF) && !V_BYREF(referenced);
    }
    if (missing) {
      if (argumentError) *argumentError = i;
      return DISP_E_TYPEMISMATCH;
    }
  }
  return S_OK;
}

}  // namespace

HRESULT TypeInfoCache::Load(LCID locale) {
  CriticalSectionGuard guard(Server().TypeInfoLock());
  if (info_) return S_OK;
  ComRef<ITypeLib> library;
  HRESULT result = LoadRegTypeLib(Server().TypeLibraryId(), 1, 0, locale, library.Put());
  if (FAILED(result)) return result;
  ComRef<ITypeInfo> info;
  result = InterfaceTypeInfo(library.Get(), iid_, info);
  if (FAILED(result)) return result;

  std::vector<MemberName> names;
  TYPEATTR* attributes = nullptr;
  if (SUCCEEDED(info->GetTypeAttr(&attributes))) {
    for (UINT i = 0; i < attributes->cFuncs; ++i) {
      FUNCDESC* function = nullptr;
      if (FAILED(info->GetFuncDesc(i, &function))) continue;
      UniqueBstr name;
      UINT found = 0;
      if (SUCCEEDED(info->GetNames(function->memid, name.Put(), 1, &found)) && found == 1 &&
          name.Get()) {
        bool known = false;  // a property's get and put share one name
        for (const MemberName& entry : names) known = known || entry.Id == function->memid;
        if (!known) names.push_back({std::wstring(name.Get(), name.Length()), function->memid});
      }
      info->ReleaseFuncDesc(function);
    }
    info->ReleaseTypeAttr(attributes);
  }
  names_ = std::move(names);
  scriptMembers_ = MembersNeedingScriptArguments(info.Get());
  info_ = info.Detach();
  Server().AddTermination(&TypeInfoCache::Unload, this);
  return S_OK;
}

void TypeInfoCache::Unload(void* self) noexcept {
  auto* cache = static_cast<TypeInfoCache*>(self);
  if (cache->info_) cache->info_->Release();
  cache->info_ = nullptr;
  cache->names_.clear();
  cache->names_.shrink_to_fit();
  cache->scriptMembers_.clear();
  cache->scriptMembers_.shrink_to_fit();
}

HRESULT TypeInfoCache::Get(LCID locale, ITypeInfo** info) {
  if (!info) return E_POINTER;
  *info = nullptr;
  if (!info_) {
    try {
      const HRESULT result = Load(locale);
      if (FAILED(result)) return result;
    } catch (const std::bad_alloc&) {
      return E_OUTOFMEMORY;
    }
  }
  *info = info_;
  return S_OK;
}

HRESULT TypeInfoCache::GetTypeInfo(LCID locale, ITypeInfo** info) {
  if (!info) return E_POINTER;
  const HRESULT result = Get(locale, info);
  if (SUCCEEDED(result)) (*info)->AddRef();
  return result;
}

HRESULT TypeInfoCache::GetIDsOfNames(LPOLESTR* names, UINT count, LCID locale, DISPID* ids) {
  if (!names || !ids) return E_POINTER;
  ITypeInfo* info = nullptr;
  const HRESULT result = Get(locale, &info);
  if (FAILED(result)) return result;
  if (count == 1 && names[0]) {
    const size_t length = wcslen(names[0]);
    for (auto entry = names_.rbegin(); entry != names_.rend(); ++entry) {
      if (entry->Name.size() == length &&
          wmemcmp(entry->Name.data(), names[0], length) == 0) {
        ids[0] = entry->Id;
        return S_OK;
      }
    }
  }
  return info->GetIDsOfNames(names, count, ids);
}

HRESULT TypeInfoCache::Invoke(void* instance, DISPID member, LCID locale, WORD flags,
                              DISPPARAMS* params, VARIANT* result, EXCEPINFO* exception,
                              UINT* argumentError) {
  const HRESULT shapes = CheckArgumentShapes(params, argumentError);
  if (FAILED(shapes)) return shapes;
  ITypeInfo* info = nullptr;
  const HRESULT loaded = Get(locale, &info);
  if (FAILED(loaded)) return loaded;
  // The enumerator member is a property; JScript's Enumerator asks for it as a method.
  if (member == DISPID_NEWENUM && (flags & DISPATCH_METHOD)) flags |= DISPATCH_PROPERTYGET;
  HRESULT outcome = S_OK;
  const ScriptMember* adapted = nullptr;
  for (const ScriptMember& candidate : scriptMembers_)
    if (!adapted && candidate.Id == member && (candidate.Kind & flags)) adapted = &candidate;
  try {
    outcome = adapted ? InvokeWithScriptArguments(info, instance, *adapted, flags, params, result,
                                                  exception, argumentError)
                      : info->Invoke(instance, member, flags, params, result, exception,
                                     argumentError);
  } catch (const std::bad_alloc&) {
    return E_OUTOFMEMORY;
  }
  // The enumerator stays IUnknown: it has no IDispatch, and For Each asks for IEnumVARIANT.
  if (SUCCEEDED(outcome) && member != DISPID_NEWENUM) PreferDispatch(result);
  return outcome;
}
