// The authoring environment's project types that the catalogs tell apart.  The environment
// defines what the types mean; the catalogs only sort projects by them.
#pragma once

namespace ProjectType {
inline constexpr long kCatalogFirst = 1;   // served by the catalog
inline constexpr long kCatalogSecond = 3;  // served by the catalog
inline constexpr long kEdition = 9;        // served by the edition catalog
inline constexpr long kEditionOther = 10;  // handed the edition catalog, which serves only 9
}  // namespace ProjectType

// The types MMCatalog's SupportsProject answers true for.
inline bool IsCatalogProjectType(long type) {
  return type == ProjectType::kCatalogFirst || type == ProjectType::kCatalogSecond;
}
// The types for which the manager hands out the edition catalog.
inline bool IsEditionManagerProjectType(long type) {
  return type == ProjectType::kEdition || type == ProjectType::kEditionOther;
}
// The one type the edition catalog's SupportsProject answers true for.
inline bool IsEditionCatalogProjectType(long type) { return type == ProjectType::kEdition; }
