// The generated packages the benchmark measures: N merge modules of 20 files each, spread over
// a Directory tree of a few levels under ProgramFilesFolder, SystemFolder and
// CommonFilesFolder, each module requiring its predecessors.  Built once into a pool (the
// fixture builder is slow under Wine) and copied into one folder per catalog size.
#pragma once

#include <string>

namespace bench {

constexpr int kFilesPerPackage = 20;

std::wstring PackageFileName(int index);  // bench00012.msm
std::string ModuleKey(int index);          // Bench.Module12.<suffix>:1033
std::string ModuleId(int index);
std::string PackageVersion(int index, int revision);  // revision 0: as generated

// File `file` (0..19) of package `index`: its long name and the folder (installer-property
// notation) its Directory entry resolves to.
std::string FileLongName(int index, int file);
std::string FileFolder(int index, int file);
std::string FileDirectoryKey(int index, int file);

// Description text for the fixture builder.
std::string PackageDescription(int index, int revision);

// Builds packages 0..count-1 into `pool` unless they are there from an earlier run of this
// generator.  Returns the seconds spent building.
double EnsurePool(const std::wstring& pool, int count, bool rebuild);

// Makes `folder` hold exactly packages 0..count-1, copied from the pool.
void FillCatalogFolder(const std::wstring& pool, const std::wstring& folder, int count);
void EmptyCatalogFolder(const std::wstring& folder);

// Rewrites package `index` in `folder` as revision `revision` and moves its last-write time
// `revision` minutes ahead, so the catalog sees it as newer whatever the clock resolution.
void RewritePackage(const std::wstring& folder, int index, int revision);

}  // namespace bench
