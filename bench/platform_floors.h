// Floors: the platform calls the catalog's work cannot avoid, made directly and nothing else.
// The catalog's times are reported as ratios to these, measured in the same process.
#pragma once

#include <string>
#include <vector>

namespace bench {

// Lists "*.msm" of the folder (FindFirstFileA/FindNextFileA; the find data already carries the
// last-write time, so no further stat is needed) and returns the number of packages.
int ListPackages(const std::wstring& folder);

// Lists the folder and reads each package through msi.dll: MsiOpenDatabaseW read-only, one
// query on ModuleSignature (three fields), summary properties 4, 6, 9 and 3.  Seconds in all.
double RawPackageReads(const std::wstring& folder);

// The same reads through the installer automation object ("WindowsInstaller.Installer",
// IDispatch::Invoke by dispatch identifier), the way the package reader has to make them: a
// view on ModuleSignature opened, fetched and closed, then the package opened a second time
// for its summary information.  Seconds in all.
double AutomationPackageReads(const std::wstring& folder);
void AutomationPackageReadOnce(const std::wstring& path);

// One package read as above.
void RawPackageRead(const std::wstring& path);

struct FolderProbe {
  std::wstring package;
  std::string directoryKey;
  std::string expected;  // the folder the walk must give
};

// Opens each probe's package read-only and walks its Directory table from the key up to the
// first standard folder (one parameterised query per level), checking the result.  Seconds
// per probe.
double RawDirectoryWalks(const std::vector<FolderProbe>& probes);

// The calls into the environment's stand-ins that the catalog cannot avoid, made directly:
// those of a refresh (search-path lists, indexed folder list) and, for a file lookup, also
// the two matching switches and the host's active project type.  The stand-ins read the
// registry on every call, which a real environment need not do.  Seconds per operation.
enum class StandInWork { Refresh, FileLookup };
double StandInCalls(StandInWork work, int repetitions);

}  // namespace bench
