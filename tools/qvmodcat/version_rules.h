// Version and number rules the inspector applies the way the component does, for the answers
// it works out itself (dependency closure, exclusion conflicts).
#pragma once

#include <string>

namespace qvmodcat {

// A number as the component reads one: leading white space skipped, an optional sign, decimal
// digits up to the first other character (none: 0), limited to the range of a 32-bit long.
long LeadingNumber(const std::wstring& text);

// 1 when a is newer, -1 when b is newer, 0 when equal.  Four dot-separated pieces (missing
// ones count 0, later ones are ignored), each read with LeadingNumber and cut to its low
// 16 bits; so 1.2 equals 1.2.0.0 and a piece of 65536 counts as 0.
int CompareVersions(const std::wstring& a, const std::wstring& b);

}  // namespace qvmodcat
