// What the native clients of the registered component share (the catalog client, hostile-input
// and soak programs): calls that must either succeed or fail with a description, a walk over any
// automation object through its type information, and the catalog classes reached through the
// registered component only.
#pragma once

#include "class_ids.h"
#include "common/bstr.h"
#include "common/com_ref.h"
#include "common/text.h"
#include "common/variant.h"
#include "support/test_support.h"

#include "qvmodcat.h"

#include <gtest/gtest.h>

#include <string>

// <build>\corpus, where testkit/corpus wrote the cases.
inline std::wstring CorpusRoot() {
  const char* build = getenv("QV_BUILD_DIR");
  return WindowsPath(std::string(build ? build : "") + "/corpus").c_str();
}

// The rule for every call: success, or a failure whose error information has a description.
inline HRESULT Checked(HRESULT code, const char* what) {
  if (SUCCEEDED(code)) return code;
  EXPECT_FALSE(TakeErrorInfo().description.empty())
      << what << " failed with 0x" << std::hex << code << " and no error description";
  return code;
}
#define CHECKED(call) Checked((SetErrorInfo(0, nullptr), (call)), #call)

// Invokes a member through IDispatch; a failure must come back with a description.
inline HRESULT InvokeMember(IDispatch* object, DISPID id, WORD flags, VARIANT* argument,
                            UniqueVariant& result, const wchar_t* name) {
  DISPPARAMS parameters{argument, nullptr, argument ? 1u : 0u, 0};
  EXCEPINFO exception{};
  SetErrorInfo(0, nullptr);
  HRESULT code = object->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &parameters,
                                result.Put(), &exception, nullptr);
  if (code == DISP_E_EXCEPTION) {
    UniqueBstr source(exception.bstrSource), description(exception.bstrDescription),
        help(exception.bstrHelpFile);
    EXPECT_NE(0u, description.Length()) << "member " << name << ": exception without description";
    return FAILED(exception.scode) ? exception.scode : E_FAIL;
  }
  const std::string narrow(name, name + wcslen(name));
  return Checked(code, narrow.c_str());
}

// Every readable property of an object, recursively, as text; collections are walked through
// Count and Item.  Objects deeper than `depth` levels are not opened.
inline std::wstring Walk(IDispatch* object, int depth = 6);

inline std::wstring Show(UniqueVariant& value, int depth) {
  IDispatch* object = nullptr;
  ComRef<IDispatch> held;
  if (value.Type() == VT_DISPATCH) object = V_DISPATCH(&value.Get());
  if (value.Type() == VT_UNKNOWN && V_UNKNOWN(&value.Get()) &&
      SUCCEEDED(V_UNKNOWN(&value.Get())->QueryInterface(IID_IDispatch, held.PutVoid())))
    object = held.Get();
  if (value.Type() == VT_DISPATCH || value.Type() == VT_UNKNOWN)
    return !object ? L"null" : depth > 0 ? L"{" + Walk(object, depth - 1) + L"}" : L"{...}";
  UniqueVariant text;
  if (FAILED(VariantChangeType(text.Put(), &value.Get(), VARIANT_ALPHABOOL, VT_BSTR)))
    return L"<type " + std::to_wstring(value.Type()) + L">";
  return V_BSTR(&text.Get()) ? V_BSTR(&text.Get()) : L"";
}

inline std::wstring Walk(IDispatch* object, int depth) {
  ComRef<ITypeInfo> type;
  if (FAILED(CHECKED(object->GetTypeInfo(0, LOCALE_USER_DEFAULT, type.Put()))) || !type)
    return L"<no type information>";
  std::wstring text;
  long count = -1;
  TYPEATTR* attributes = nullptr;
  if (FAILED(type->GetTypeAttr(&attributes))) return L"<no type attributes>";
  for (UINT i = 0; i < attributes->cFuncs; ++i) {
    FUNCDESC* function = nullptr;
    if (FAILED(type->GetFuncDesc(i, &function))) continue;
    const bool readable = function->invkind == INVOKE_PROPERTYGET && function->cParams == 0 &&
                          !(function->wFuncFlags & FUNCFLAG_FRESTRICTED);
    const MEMBERID member = function->memid;
    type->ReleaseFuncDesc(function);
    UniqueBstr name;
    if (!readable || FAILED(type->GetDocumentation(member, name.Put(), nullptr, nullptr, nullptr)))
      continue;
    UniqueVariant value;
    if (FAILED(InvokeMember(object, member, DISPATCH_PROPERTYGET, nullptr, value, name.Get()))) {
      text += std::wstring(name.Get()) + L"=<failed>;";
      continue;
    }
    if (!wcscmp(name.Get(), L"Count") && value.Type() == VT_I4) count = V_I4(&value.Get());
    text += std::wstring(name.Get()) + L"=" + Show(value, depth) + L";";
  }
  type->ReleaseTypeAttr(attributes);
  LPOLESTR itemName = const_cast<LPOLESTR>(L"Item");
  DISPID item = 0;
  if (count > 0 && object->GetIDsOfNames(IID_NULL, &itemName, 1, LOCALE_USER_DEFAULT, &item) == S_OK)
    for (long position = 1; position <= count; ++position) {
      IntegerVariant index(position);
      UniqueVariant element;
      const HRESULT code = InvokeMember(object, item, DISPATCH_METHOD | DISPATCH_PROPERTYGET,
                                        &index, element, L"Item");
      text += L"[" + std::to_wstring(position) + L"]" +
              (FAILED(code) ? L"<failed>" : Show(element, depth)) + L";";
    }
  return text;
}

inline std::wstring KeyOf(IDispatch* object) {
  ComRef<IMergeModule2> module;
  UniqueBstr key;
  if (!object || FAILED(object->QueryInterface(__uuidof(IMergeModule2), module.PutVoid())))
    return L"<none>";
  CHECKED(module->get_Key(key.Put()));
  return key.Get() ? key.Get() : L"";
}

inline ComRef<IMMCatalog> NewCatalog() {
  ComRef<IMMCatalog> catalog;
  EXPECT_EQ(S_OK, CHECKED(CoCreateInstance(kClsidMMCatalog, nullptr, CLSCTX_INPROC_SERVER,
                                           __uuidof(IMMCatalog), catalog.PutVoid())));
  return catalog;
}

// The module collection as an automation object.
inline ComRef<IDispatch> ModulesOf(IMMCatalog* catalog) {
  ComRef<IUnknown> modules;
  ComRef<IDispatch> collection;
  if (SUCCEEDED(CHECKED(catalog->GetModules(modules.Put()))) && modules)
    modules.QueryTo(IID_IDispatch, collection);
  return collection;
}

// After everything is released the component holds no object and can be unloaded.
inline HRESULT ComponentCanUnload() {
  const HMODULE component = GetModuleHandleW(L"QvModCat2.dll");
  if (!component) return S_OK;  // already unloaded
  using CanUnload = HRESULT(STDAPICALLTYPE*)();
  return reinterpret_cast<CanUnload>(GetProcAddress(component, "DllCanUnloadNow"))();
}
