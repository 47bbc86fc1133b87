// Paths of the packages built from tests/fixtures/installer for this test run.
#pragma once

#include "common/wide_string.h"

#include <string>

// <fixtures folder>\installer_packages\<name>.msm; the folder comes from QV_FIXTURES_DIR.
WideString FixturePackage(const char* name);
// A folder of the temporary directory made empty for one test.
WideString FreshTempFolder(const char* name);

#include <ostream>

// Readable WideString values in test failure messages.
inline void PrintTo(const WideString& text, std::ostream* out) {
  *out << '"';
  for (size_t i = 0; i < text.Length(); ++i) {
    const wchar_t c = text[i];
    if (c >= 0x20 && c < 0x7F) {
      *out << static_cast<char>(c);
    } else {
      *out << "\\u" << std::hex << static_cast<unsigned>(c) << std::dec;
    }
  }
  *out << '"';
}
