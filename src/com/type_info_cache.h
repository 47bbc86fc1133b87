// The type information of one of our interfaces, loaded on first use from the registered
// type library (the component's LIBID, version 1.0, the caller's locale) and kept until
// unload, with a cache of its member names for GetIDsOfNames.
#pragma once

#include "com/script_arguments.h"
#include "common/com_ref.h"

#include <oaidl.h>

#include <string>
#include <vector>

class TypeInfoCache {
 public:
  explicit TypeInfoCache(const IID& iid) noexcept : iid_(iid) {}
  TypeInfoCache(const TypeInfoCache&) = delete;
  TypeInfoCache& operator=(const TypeInfoCache&) = delete;

  // Loads on first use (under the type information lock).  The result is not AddRef'ed.
  HRESULT Get(LCID locale, ITypeInfo** info);
  // GetTypeInfo of IDispatch: a new reference to the type information.
  HRESULT GetTypeInfo(LCID locale, ITypeInfo** info);
  // Member names: the cache, searched from the last member to the first by exact length and
  // code units; anything else (other spelling, named arguments) goes to the type information.
  HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, LCID locale, DISPID* ids);
  // Invoke through the type information, with the script argument rule
  // (script_arguments.h) for members that have out parameters.
  HRESULT Invoke(void* instance, DISPID member, LCID locale, WORD flags, DISPPARAMS* params,
                 VARIANT* result, EXCEPINFO* exception, UINT* argumentError);

 private:
  struct MemberName {
    std::wstring Name;
    DISPID Id;
  };
  HRESULT Load(LCID locale);
  static void Unload(void* self) noexcept;

  const IID& iid_;
  ITypeInfo* info_ = nullptr;
  std::vector<MemberName> names_;
  std::vector<ScriptMember> scriptMembers_;
};
