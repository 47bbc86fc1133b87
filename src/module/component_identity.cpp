#include "module/component_identity.h"

#include "class_ids.h"
#include "com/server_module.h"

const ErrorReporter MMCatalogErrors(kClsidMMCatalog);
const ErrorReporter MergeModule2Errors(kClsidMergeModule2);

namespace {

// Every class refers to one of the reporters above, so any program that creates an object
// links this file and runs this before its first call.
[[maybe_unused]] const bool typeLibraryGiven = (Server().UseTypeLibrary(kLibidQvModCat2), true);

}  // namespace
