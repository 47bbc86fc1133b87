// Paths given on the command line, made into full Windows paths before they are handed to
// the environment: relative paths are taken from the current folder, and under Wine a Unix
// path ("/home/me/modules") becomes the DOS path Wine maps it to ("Z:\home\me\modules").
// The launcher runs the tool in a scratch folder of its own and names the folder it was
// started from in QVMODCAT_CALLER_DIR: relative paths are taken from there then.
#pragma once

#include <string>

namespace qvmodcat {

std::wstring FullWindowsPath(const std::wstring& path);

// A comma-separated folder list, each entry made full; entries holding an environment
// reference ("%ProgramFiles%\Modules") are left for the component to expand.
std::wstring FullWindowsPathList(const std::wstring& list);

// Whether the system's ANSI code page holds every character of the path.  The catalog's file
// calls and MergeModule2.Load take ANSI paths, so a package whose path it cannot hold is
// never read.
bool FitsCodePage(const std::wstring& path);

// Why such paths are never read and what to do, for `what` ("this path", "2 paths"): "the
// catalog reads packages by their ANSI path, and the system code page (1252) cannot hold
// ...: rename the file or folder, or use a system code page that holds these characters".
std::wstring CodePageAdvice(const std::wstring& what);

}  // namespace qvmodcat
