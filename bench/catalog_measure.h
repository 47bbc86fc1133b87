// One catalog size measured in one fresh process: the catalog through the registered
// component (as the environment reaches it) and the floors beside it.
#pragma once

#include "bench_support.h"

#include <string>

namespace bench {

struct MeasureOptions {
  int packages = 0;
  std::wstring pool;    // generated packages
  std::wstring folder;  // the catalog's folder: packages 0..packages-1 copied from the pool
  std::wstring root;    // scratch root (product folder, empty folder)
  int lookups = 1000;   // FindModuleForFile names
  int coldRounds = 3;   // cold creations (and their floors) side by side
};

Results MeasureCatalog(const MeasureOptions& options);

// A process starting with the package cache (QVMODCAT2_PACKAGE_CACHE names its folder).
enum class CachePhase {
  Fill,     // an empty cache: every package read, the file written
  Valid,    // the file the fill left: nothing read; then the file's own load and write
  Invalid,  // a damaged file: every package read again
};
Results MeasureCachedStart(const MeasureOptions& options, CachePhase phase);

}  // namespace bench
