// The names the registry gives the component's four creatable classes, in the order of the
// class table (registration, unregistration and lookup): CLSID, ProgID and version-independent
// ProgID.  The class table (class_table.cpp) takes them from here, and the packager writes the
// same registration as installer data from here, without linking the component.
#pragma once

#include "class_ids.h"

struct ClassNames {
  const CLSID* Clsid;
  const char* ProgId;
  const char* VersionIndependentProgId;
};

inline constexpr ClassNames kComponentClassNames[] = {
    {&kClsidMMCatalog, "QvLiteModCat.MMCatalog.1", "QvLiteModCat.MMCatalog"},
    {&kClsidMMCatalogPro, "QvLiteModCat.MMCatalogPro.1", "QvLiteModCat.MMCatalogPro"},
    {&kClsidMergeModule2, "QvModCat.MergeModule2.1", "QvModCat.MergeModule2"},
    {&kClsidMMCatalogManager, "QvLiteModCat.MMCatalogManager.1",
     "QvLiteModCat.MMCatalogManager"},
};
