#include "module/module_names.h"

ModuleNameTable& ModuleNames() noexcept {
  static ModuleNameTable table;
  return table;
}

bool LookupDisplayName(const WideString& key, WideString& name) {
  const ModuleNameTable& table = ModuleNames();
  const auto found = table.find(key);
  if (found == table.end()) return false;
  name = found->second;
  return true;
}
