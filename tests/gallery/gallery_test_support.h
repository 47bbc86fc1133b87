// Shared plumbing of the gallery tests: a stand-in state key of this process's own, a fresh
// folder tree per test, and files written there for the profile reader to read.
#pragma once

#include "common/com_exception.h"
#include "common/wide_string.h"

#include <windows.h>

#include <ostream>
#include <string>

#include <gtest/gtest.h>

class GalleryTest : public ::testing::Test {
 protected:
  void SetUp() override;
  void TearDown() override;

  // The folder made empty for this test (under the temporary folder, no trailing backslash).
  const WideString& Root() const { return root_; }
  // <Root>\<relative>, its folders created.
  WideString MakeFolder(const wchar_t* relative) const;
  // Writes `bytes` (ANSI text as the profile reader reads it) to <Root>\<relative>, creating
  // the folders on the way; returns the full path.
  WideString WriteFile(const std::wstring& relative, const std::string& bytes) const;

  // Values of the stand-ins' state key.
  static void SetText(const wchar_t* name, const WideString& value);
  static void SetNumber(const wchar_t* name, DWORD value);
  static void RemoveValue(const wchar_t* name);
  // How often the profile reader's Open has been called in this test.
  static DWORD ProfileOpenCount();

  // Runs `action`, which must raise com_exception; returns its code (S_OK when none came).
  template <class Action>
  static HRESULT RaisedCode(Action action) {
    try {
      action();
    } catch (const com_exception& failure) {
      return failure.Code();
    }
    return S_OK;
  }

 private:
  WideString root_;
};

// A package built from tests/fixtures/gallery for this run.
WideString GalleryPackage(const char* name);

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
