#include "common/text.h"

#include <cstring>

namespace {

std::string NarrowFromWide(UINT codePage, const wchar_t* text, size_t length) {
  std::string result;
  if (!text || length == 0) return result;
  const int wide = static_cast<int>(length);
  const int bytes = WideCharToMultiByte(codePage, 0, text, wide, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return result;
  result.resize(static_cast<size_t>(bytes));
  WideCharToMultiByte(codePage, 0, text, wide, &result[0], bytes, nullptr, nullptr);
  return result;
}

}  // namespace

std::string AnsiFromWide(const wchar_t* text, size_t length) {
  return NarrowFromWide(CP_ACP, text, length);
}

std::string Utf8FromWide(const wchar_t* text, size_t length) {
  return NarrowFromWide(CP_UTF8, text, length);
}

std::wstring WideFromUtf8(const std::string& text) {
  std::wstring result;
  if (text.empty()) return result;
  const int bytes = static_cast<int>(text.size());
  const int wide = MultiByteToWideChar(CP_UTF8, 0, text.data(), bytes, nullptr, 0);
  if (wide <= 0) return result;
  result.resize(static_cast<size_t>(wide));
  MultiByteToWideChar(CP_UTF8, 0, text.data(), bytes, &result[0], wide);
  return result;
}

std::string LowerAnsi(std::string text) {
  if (!text.empty()) CharLowerBuffA(&text[0], static_cast<DWORD>(text.size()));
  return text;
}

std::string UpperAnsi(std::string text) {
  if (!text.empty()) CharUpperBuffA(&text[0], static_cast<DWORD>(text.size()));
  return text;
}

WideString LowerThroughAnsi(const WideString& text) {
  const std::string lower = LowerAnsi(AnsiFromWide(text));
  return WideString::FromAnsi(lower.c_str(), lower.size());
}

bool EqualsIgnoringCase(const WideString& left, const WideString& right) {
  return CompareStringW(LOCALE_USER_DEFAULT, NORM_IGNORECASE, left.c_str(),
                        static_cast<int>(left.Length()), right.c_str(),
                        static_cast<int>(right.Length())) == CSTR_EQUAL;
}

std::wstring PackedTableStreamName(const std::string& table) {
  static const char kPackable[] =
      "0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz._";
  const auto index = [](char ch) -> int {
    const char* at = ch ? strchr(kPackable, ch) : nullptr;
    return at ? static_cast<int>(at - kPackable) : -1;
  };
  std::wstring packed(1, L'\x4840');
  for (size_t i = 0; i < table.size(); ++i) {
    const int first = index(table[i]);
    const int second = i + 1 < table.size() ? index(table[i + 1]) : -1;
    if (first < 0) {
      packed += static_cast<wchar_t>(static_cast<unsigned char>(table[i]));
    } else if (second < 0) {
      packed += static_cast<wchar_t>(0x4800 + first);
    } else {
      packed += static_cast<wchar_t>(0x3800 + first + (second << 6));
      ++i;
    }
  }
  return packed;
}
