// Conversions between the component's wide text and the ANSI text (system code page) that the
// file system, loader, registry and installer library take, plus the small text rules that
// several parts share.
#pragma once

#include "common/wide_string.h"

#include <string>

// ANSI (CP_ACP) copy of UTF-16 text.
std::string AnsiFromWide(const wchar_t* text, size_t length);
inline std::string AnsiFromWide(const WideString& text) {
  return AnsiFromWide(text.c_str(), text.Length());
}

// UTF-8 (what tools and tests write to files and pipes) and back; invalid UTF-8 is replaced,
// not refused.
std::string Utf8FromWide(const wchar_t* text, size_t length);
inline std::string Utf8FromWide(const std::wstring& text) {
  return Utf8FromWide(text.data(), text.size());
}
inline std::string Utf8FromWide(const WideString& text) {
  return Utf8FromWide(text.c_str(), text.Length());
}
std::wstring WideFromUtf8(const std::string& text);

// Lower-cases through the ANSI code page with the system's character rules (CharLowerBuffA),
// as file names are lower-cased for the file-to-module table.
WideString LowerThroughAnsi(const WideString& text);
std::string LowerAnsi(std::string text);
std::string UpperAnsi(std::string text);

// A-Z folded to a-z; every other character as it is.  For comparisons that must ignore the
// case of ASCII letters alone, whatever the locale.
inline wchar_t FoldAsciiLetter(wchar_t ch) {
  return ch >= L'A' && ch <= L'Z' ? static_cast<wchar_t>(ch + (L'a' - L'A')) : ch;
}

// Case-insensitive comparison of texts (CompareStringW, ignoring case), true when equal.
bool EqualsIgnoringCase(const WideString& left, const WideString& right);

// The name of a table's stream inside a package: the mark U+4840, then the characters of
// [0-9A-Za-z._] packed two to a character from U+3800 (a lone one from U+4800); any other
// character is kept as it is.
std::wstring PackedTableStreamName(const std::string& table);
