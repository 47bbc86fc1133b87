// A project object of the environment's stand-in, as SupportsProject is given one.
#pragma once

#include "common/com_ref.h"

#include <gtest/gtest.h>
#include <oleauto.h>

inline ComRef<IUnknown> StandInProject(long type) {
  CLSID clsid;
  ComRef<IDispatch> project;
  EXPECT_EQ(S_OK, CLSIDFromProgID(L"QvStandIn.Project", &clsid));
  EXPECT_EQ(S_OK, CoCreateInstance(clsid, nullptr, CLSCTX_INPROC_SERVER, IID_IDispatch,
                                   project.PutVoid()));
  VARIANT value;
  V_VT(&value) = VT_I4;
  V_I4(&value) = type;
  DISPID named = DISPID_PROPERTYPUT;  // ProjectType
  DISPPARAMS params{&value, &named, 1, 1};
  EXPECT_EQ(S_OK, project->Invoke(1, IID_NULL, 0, DISPATCH_PROPERTYPUT, &params, nullptr,
                                  nullptr, nullptr));
  ComRef<IUnknown> unknown;
  project.QueryTo(IID_IUnknown, unknown);
  return unknown;
}
