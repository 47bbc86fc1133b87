// The component's table of its four creatable classes (MMCatalog, MMCatalogPro, MergeModule2,
// MMCatalogManager), in the order of registration, unregistration and lookup: their names
// (class_names.h) with their creators.
#pragma once

#include "com/class_table.h"

ClassTable& ComponentClasses() noexcept;
