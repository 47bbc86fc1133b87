// Text rules shared by the commands: comparison without case, and messages kept on one line.
#pragma once

#include <string>

namespace qvmodcat {

// Equal without case, ordinally: the inspector's own matching of paths, profile key names and
// keys a person typed.  Where it repeats a comparison of the catalog (file names, versions,
// folders) it uses the catalog's own, EqualsIgnoringCase of common/text.h, by the locale.
bool SameTextIgnoringCase(const std::wstring& a, const std::wstring& b);

// Upper case, for keys of maps that ignore case.
std::wstring FoldCase(std::wstring text);

// "1 file", "3 files".
std::wstring Counted(size_t count, const wchar_t* one, const wchar_t* many);

// Line breaks and runs of blanks become one blank; no blanks at the ends.
std::wstring OneLine(const std::wstring& text);

}  // namespace qvmodcat
