// Module keys as people give them: a key the catalog lacks may be one shortened by a table
// ("Name.8B2C1E5F…:0", pasted back) or the start of a ModuleID ("Name.8B2C:0"), or a mistyped
// one.  Keys are ModuleID:Language.
#pragma once

#include <optional>
#include <string>
#include <vector>

namespace qvmodcat {

// The full key that a shortened or prefix form stands for among `keys`: the one ModuleID
// that begins with the text before the ellipsis ("…" or "...") and ends with the text after
// it (no ellipsis: begins with the ModuleID given), with a key of the language given (0: any
// language).  Nothing when no ModuleID or more than one fits, or when the ModuleID given is
// one of `keys` already.
std::optional<std::wstring> ExpandKey(const std::wstring& given, const std::vector<std::wstring>& keys);

// Keys of `keys` that a mistyped key may have meant, at most five: the same key in another
// case, the same ModuleID with another language, a ModuleID that goes on after a dot or an
// ellipsis (modularized), or a ModuleID a few typing mistakes away.
std::vector<std::wstring> SimilarKeys(const std::wstring& given, const std::vector<std::wstring>& keys);

}  // namespace qvmodcat
