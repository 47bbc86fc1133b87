// One process, many refresh and query cycles while packages are rewritten, added and removed
// between them: the answers follow the files on disk and the private bytes stay flat.
// QV_SOAK_CYCLES sets the number of cycles (300 by default; see README.md for the full run).
#include "support/automation_client.h"
#include "support/test_support.h"

#include <cstdio>
#include <map>

namespace {

const StandInState state(L"hostile-soak");
constexpr int kSlots = 6, kVariants = 3;  // the soak packages testkit/corpus writes
constexpr SIZE_T kGrowthBound = 2 * 1024 * 1024;

// Committed private memory of the process, summed over its regions (Wine leaves the
// PrivateUsage counter of GetProcessMemoryInfo at 0).
SIZE_T PrivateBytes() {
  SIZE_T total = 0;
  MEMORY_BASIC_INFORMATION region;
  for (const char* address = nullptr;
       VirtualQuery(address, &region, sizeof region) == sizeof region;
       address = static_cast<const char*>(region.BaseAddress) + region.RegionSize) {
    if (region.State == MEM_COMMIT && region.Type == MEM_PRIVATE) total += region.RegionSize;
  }
  return total;
}

// Module key to version, as the catalog's collection shows it.
std::map<std::wstring, std::wstring> Listed(IMMCatalog* catalog) {
  std::map<std::wstring, std::wstring> listed;
  ComRef<IMergeModuleCollection> modules;
  long count = 0;
  const ComRef<IDispatch> collection = ModulesOf(catalog);
  if (!collection || FAILED(collection.QueryTo(__uuidof(IMergeModuleCollection), modules))) return listed;
  CHECKED(modules->get_Count(&count));
  for (long position = 1; position <= count; ++position) {
    ComRef<IDispatch> item;
    ComRef<IMergeModule2> module;
    UniqueBstr version;
    CHECKED(modules->Item(IntegerVariant(position).Get(), item.Put()));
    if (item && SUCCEEDED(item.QueryTo(__uuidof(IMergeModule2), module)))
      CHECKED(module->get_Version(version.Put()));
    listed[KeyOf(item.Get())] = version.Get() ? version.Get() : L"";
  }
  return listed;
}

TEST(Soak, AnswersFollowThePackagesOnDiskAndPrivateBytesStayFlat) {
  const char* setting = getenv("QV_SOAK_CYCLES");
  const int cycles = setting ? atoi(setting) : 300;
  const int warmUp = cycles / 10;
  const ScratchFolder folder(L"qv-soak");
  state.SetText(L"SearchPathList", folder.Path());
  int variant[kSlots] = {-1, -1, -1, -1, -1, -1};  // -1: the slot has no package
  FILETIME start;
  GetSystemTimeAsFileTime(&start);
  uint32_t random = 20261206u;
  SIZE_T atWarmUp = 0;
  {
    const ComRef<IMMCatalog> catalog = NewCatalog();
    ASSERT_TRUE(catalog);
    for (int cycle = 0; cycle < cycles && !HasFailure(); ++cycle) {
      random = random * 1664525u + 1013904223u;
      const int slot = static_cast<int>((random >> 8) % kSlots);
      const std::wstring target = std::wstring(folder.Path().c_str()) + L"\\slot" + std::to_wstring(slot) + L".msm";
      if (variant[slot] >= 0 && (random >> 20) % 3 == 0) {
        ASSERT_TRUE(DeleteFileW(target.c_str()));
        variant[slot] = -1;
      } else {
        variant[slot] = (variant[slot] + 1) % kVariants;
        const std::wstring source = CorpusRoot() + L"\\soak\\s" + std::to_wstring(slot) + L"v" +
                                    std::to_wstring(variant[slot]) + L".msm";
        ASSERT_TRUE(CopyFileW(source.c_str(), target.c_str(), FALSE));
        SetWriteTime(target.c_str(), start, cycle + 1);  // always later than the last write
      }
      std::map<std::wstring, std::wstring> expected;
      for (int s = 0; s < kSlots; ++s)
        if (variant[s] >= 0)
          expected[L"Qv.Soak" + std::to_wstring(s) + L":1033"] = L"1.0." + std::to_wstring(variant[s]);
      ASSERT_EQ(expected, Listed(catalog.Get())) << "cycle " << cycle;
      ComRef<IDispatch> module;
      long found = 0;
      CHECKED(catalog->FindModuleForFile(Arg(L"soak" + std::to_wstring(slot) + L".dll"), Arg(L""),
                                         Arg(L"1033"), module.Put(), &found));
      EXPECT_EQ(variant[slot] >= 0 ? -1 : 0, found) << "cycle " << cycle;
      if (cycle == warmUp) atWarmUp = PrivateBytes();
    }
  }
  const SIZE_T atEnd = PrivateBytes();
  const long long growth = static_cast<long long>(atEnd) - static_cast<long long>(atWarmUp);
  std::printf("%d cycles: private bytes %llu after %d cycles, %llu at the end, growth %lld\n", cycles,
              static_cast<unsigned long long>(atWarmUp), warmUp, static_cast<unsigned long long>(atEnd), growth);
  EXPECT_LT(growth, static_cast<long long>(kGrowthBound));
  EXPECT_EQ(S_OK, ComponentCanUnload()) << "objects are still alive";
}

}  // namespace
