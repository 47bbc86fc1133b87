#include "server/class_table.h"

#include "catalog/catalog_manager.h"
#include "catalog/catalog_pro.h"
#include "catalog/mm_catalog.h"
#include "module/merge_module2.h"
#include "server/class_names.h"
#include "server/registration.h"

#include <iterator>

namespace {

const wchar_t* NoDescription() { return nullptr; }
const CategoryEntry* NoCategories() {
  static constexpr CategoryEntry none[] = {{nullptr, false}};
  return none;
}
void NoStartStop(bool) {}

// Position i creates the class named at position i of kComponentClassNames.
constexpr ClassCreators kCreators[] = {ClassCreatorsOf<MMCatalog>(),
                                       ClassCreatorsOf<MMCatalogPro>(),
                                       ClassCreatorsOf<MergeModule2>(),
                                       ClassCreatorsOf<MMCatalogManager>()};
static_assert(std::size(kCreators) == std::size(kComponentClassNames));

constexpr ClassEntry Entry(size_t position) {
  const ClassNames& names = kComponentClassNames[position];
  return {names.Clsid, names.ProgId, names.VersionIndependentProgId, &RegisterClassEntry,
          &UnregisterClassEntry, kCreators[position], nullptr, &NoDescription, &NoCategories,
          &NoStartStop};
}

ClassEntry entries[] = {Entry(0), Entry(1), Entry(2), Entry(3)};
static_assert(std::size(entries) == std::size(kComponentClassNames));
ClassTable table{entries, std::size(entries)};

}  // namespace

ClassTable& ComponentClasses() noexcept { return table; }
