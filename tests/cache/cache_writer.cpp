// One of two processes writing one package cache side by side (cache_faults_test.cpp):
//   cache_writer <cache folder> <packages folder> <tag> <rounds>
// Each round it reads the cache anew, checks every entry it finds against the record its tag
// names, keeps its own records of the packages p0..p7 and writes.  Exit code 2: a wrong entry.
#include "cache/package_cache.h"
#include "cache_samples.h"
#include "common/path.h"

#include <objbase.h>

#include <string>

int wmain(int argc, wchar_t** argv) {
  if (argc != 5) return 1;
  CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  const int rounds = _wtoi(argv[4]);
  for (int round = 0; round < rounds; ++round) {
    PackageCache cache(argv[1]);
    for (int i = 0; i < 8; ++i) {
      const WideString path = JoinPath(argv[2], (L"p" + std::to_wstring(i) + L".msm").c_str());
      PackageStamp stamp;
      if (!ReadPackageStamp(path, stamp)) return 1;
      if (const ModuleRecordRef found = cache.Lookup(path, stamp)) {
        if (Answers(*found) != Answers(*Restored(SampleRecord(path, found->ModuleID())))) return 2;
      }
      const WideString tag = (argv[3] + std::to_wstring(round)).c_str();
      cache.Remember(*Restored(SampleRecord(path, tag)), stamp);
    }
    cache.Flush();
  }
  return 0;
}
