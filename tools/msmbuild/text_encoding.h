// Conversions between the UTF-8 of descriptions, UTF-16 (what msi.dll's W functions take) and
// the code pages a package stores its text in.
#pragma once

#include <string>

namespace msmbuild {

bool IsValidUtf8(const std::string& text);
// The text must be valid UTF-8 (see IsValidUtf8).
std::wstring WideFromUtf8(const std::string& text);
std::string Utf8FromWide(const std::wstring& text);

// True when every character of `text` has its own code in `codePage` (no '?' or best-fit
// replacement).  Code page 0 is the system ANSI code page.
bool FitsCodePage(const std::wstring& text, unsigned codePage);
bool IsUsableCodePage(unsigned codePage);

}  // namespace msmbuild
