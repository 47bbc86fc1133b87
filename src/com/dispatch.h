// IDispatch of every automation object, served from the registered type library.
//
// DispatchImpl<IThing> implements the four IDispatch methods of the dual interface IThing
// with the type information of IThing (one TypeInfoCache per interface, kept until unload).
// Invoke goes through ScriptInvoke, which lets script clients call members with out
// parameters (see script_arguments.h) and otherwise hands the call to the type information.
#pragma once

#include "com/script_arguments.h"
#include "com/type_info_cache.h"

#include <oaidl.h>

template <class Interface>
class DispatchImpl : public Interface {
 public:
  STDMETHODIMP GetTypeInfoCount(UINT* count) override {
    if (!count) return E_POINTER;
    *count = 1;
    return S_OK;
  }
  STDMETHODIMP GetTypeInfo(UINT, LCID locale, ITypeInfo** info) override {
    return TypeInformation().GetTypeInfo(locale, info);
  }
  STDMETHODIMP GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT count, LCID locale,
                             DISPID* ids) override {
    if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    return TypeInformation().GetIDsOfNames(names, count, locale, ids);
  }
  STDMETHODIMP Invoke(DISPID member, REFIID iid, LCID locale, WORD flags, DISPPARAMS* params,
                      VARIANT* result, EXCEPINFO* exception, UINT* argumentError) override {
    if (iid != IID_NULL) return DISP_E_UNKNOWNINTERFACE;
    return TypeInformation().Invoke(static_cast<Interface*>(this), member, locale, flags,
                                    params, result, exception, argumentError);
  }

  static TypeInfoCache& TypeInformation() {
    static TypeInfoCache cache(__uuidof(Interface));
    return cache;
  }
};
