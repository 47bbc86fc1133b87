// The standard summary information properties a description can set, with the property
// identifier and the value type msi.dll stores for each.
#pragma once

#include <string>

namespace msmbuild {

constexpr unsigned CodePagePropertyId = 1;

enum class SummaryType { Text, Short, Long, FileTime };

struct SummaryProperty {
  const char* name;
  unsigned id;
  SummaryType type;
};

// Null for a name that is not a standard summary property (names compare exactly).
const SummaryProperty* FindSummaryProperty(const std::string& name);

}  // namespace msmbuild
