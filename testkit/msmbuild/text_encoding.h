// Conversions between the UTF-8 of descriptions, UTF-16 (what msi.dll's W functions take) and
// the code pages a package stores its text in.
#pragma once

#include "common/text.h"

#include <string>

namespace msmbuild {

// Descriptions are refused unless valid UTF-8; the conversions are the component's own
// (WideFromUtf8, Utf8FromWide of common/text.h).
bool IsValidUtf8(const std::string& text);
using ::Utf8FromWide;
using ::WideFromUtf8;

// True when every character of `text` has its own code in `codePage` (no '?' or best-fit
// replacement).  Code page 0 is the system ANSI code page.
bool FitsCodePage(const std::wstring& text, unsigned codePage);
bool IsUsableCodePage(unsigned codePage);

}  // namespace msmbuild
