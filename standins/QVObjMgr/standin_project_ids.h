// Identifiers of the project-object stand-in (QVObjMgr.DLL).  Stand-in only: the real
// environment's project class is not something the component creates.
#pragma once

#include "qv_guid.h"

#include <oaidl.h>

inline constexpr CLSID kClsidStandInProject = ParseGuid("36FCA6D1-404F-4333-8D51-603ACEA4B072");
inline constexpr wchar_t kStandInProjectProgId[] = L"QvStandIn.Project";
inline constexpr wchar_t kStandInProjectClsidText[] = L"{36FCA6D1-404F-4333-8D51-603ACEA4B072}";
// Dispatch identifier of the ProjectType property.
inline constexpr DISPID kDispidProjectType = 1;
