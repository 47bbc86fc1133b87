#include "common/component_instance.h"

HMODULE ComponentInstance() noexcept {
  static HMODULE instance = [] {
    HMODULE module = nullptr;
    GetModuleHandleExA(GET_MODULE_HANDLE_EX_FLAG_FROM_ADDRESS |
                           GET_MODULE_HANDLE_EX_FLAG_UNCHANGED_REFCOUNT,
                       reinterpret_cast<LPCSTR>(&ComponentInstance), &module);
    return module;
  }();
  return instance;
}
