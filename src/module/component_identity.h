// What the object framework (src/com) needs to know of the component's classes but must not
// name itself: the reporters of the classes this layer hands out, and (component_identity.cpp)
// the type library their interfaces' type information is loaded from.
#pragma once

#include "com/error_reporting.h"

// MMCatalog's reporter, also that of the collections and items a catalog hands out.
extern const ErrorReporter MMCatalogErrors;
extern const ErrorReporter MergeModule2Errors;
