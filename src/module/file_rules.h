// Which file names the catalog never looks for: the environment's excluded-file patterns.
// One copy for the catalog's file lookups and the inspector's account of them.
#pragma once

#include "common/wide_string.h"

#include <optional>
#include <vector>

// The excluded-pattern text cut at its commas: every piece before a comma (empty ones too),
// and the piece after the last comma when it is not empty.
std::vector<WideString> SplitExcludedPatterns(const WideString& patterns);
// The first pattern (trimmed of blanks) that a file name matches, by the shell's pattern
// rules on the ANSI texts; nothing when none does (empty patterns never match).
std::optional<WideString> ExcludingPattern(const std::vector<WideString>& patterns,
                                           const WideString& name);
// Whether a name matches one of the patterns; such a file is never looked for.
inline bool IsExcludedFile(const std::vector<WideString>& patterns, const WideString& name) {
  return ExcludingPattern(patterns, name).has_value();
}
