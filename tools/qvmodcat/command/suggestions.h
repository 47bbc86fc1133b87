// "Did you mean": the names closest to a mistyped one.
#pragma once

#include <string>
#include <vector>

namespace qvmodcat {

// The candidates that equal the word without case, or lie within a few typing mistakes of it
// (one for short words, two for longer ones), closest first.
std::vector<std::wstring> ClosestNames(const std::wstring& word,
                                       const std::vector<std::wstring>& candidates);

// "a, b or c".
std::wstring NameList(const std::vector<std::wstring>& names);

// " (did you mean a, b or c?)", or empty when there is nothing to suggest.
std::wstring DidYouMean(const std::vector<std::wstring>& names);

}  // namespace qvmodcat
