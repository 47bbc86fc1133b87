#include "server/class_table.h"

#include "catalog/catalog_manager.h"
#include "catalog/catalog_pro.h"
#include "catalog/mm_catalog.h"
#include "class_ids.h"
#include "module/merge_module2.h"
#include "server/registration.h"

namespace {

const wchar_t* NoDescription() { return nullptr; }
const CategoryEntry* NoCategories() {
  static constexpr CategoryEntry none[] = {{nullptr, false}};
  return none;
}
void NoStartStop(bool) {}

ClassTable table{{
    {&kClsidMMCatalog, "QvLiteModCat.MMCatalog.1", "QvLiteModCat.MMCatalog",
     &RegisterClassEntry, &UnregisterClassEntry, ClassCreatorsOf<MMCatalog>(), nullptr,
     &NoDescription, &NoCategories, &NoStartStop},
    {&kClsidMMCatalogPro, "QvLiteModCat.MMCatalogPro.1", "QvLiteModCat.MMCatalogPro",
     &RegisterClassEntry, &UnregisterClassEntry, ClassCreatorsOf<MMCatalogPro>(), nullptr,
     &NoDescription, &NoCategories, &NoStartStop},
    {&kClsidMergeModule2, "QvModCat.MergeModule2.1", "QvModCat.MergeModule2",
     &RegisterClassEntry, &UnregisterClassEntry, ClassCreatorsOf<MergeModule2>(), nullptr,
     &NoDescription, &NoCategories, &NoStartStop},
    {&kClsidMMCatalogManager, "QvLiteModCat.MMCatalogManager.1",
     "QvLiteModCat.MMCatalogManager", &RegisterClassEntry, &UnregisterClassEntry,
     ClassCreatorsOf<MMCatalogManager>(), nullptr, &NoDescription, &NoCategories,
     &NoStartStop},
}};

}  // namespace

ClassTable& ComponentClasses() noexcept { return table; }
