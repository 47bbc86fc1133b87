// Compile-time GUIDs from their registry text form, so that an identifier is written once as
// text (idl/qvmodcat_ids.h, qv_environment.h) and read by widl and C++ alike.
#pragma once

#include <guiddef.h>

namespace guid_text {

constexpr unsigned HexDigit(char c) {
  return c >= '0' && c <= '9' ? unsigned(c - '0')
         : c >= 'a' && c <= 'f' ? unsigned(c - 'a' + 10)
         : c >= 'A' && c <= 'F' ? unsigned(c - 'A' + 10)
                                : throw "not a hexadecimal digit";
}

constexpr unsigned long Hex(const char* text, int digits) {
  unsigned long value = 0;
  for (int i = 0; i < digits; ++i) value = value * 16 + HexDigit(text[i]);
  return value;
}

}  // namespace guid_text

// "XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX" to a GUID.
constexpr GUID ParseGuid(const char (&text)[37]) {
  using guid_text::Hex;
  return GUID{static_cast<unsigned long>(Hex(text, 8)),
              static_cast<unsigned short>(Hex(text + 9, 4)),
              static_cast<unsigned short>(Hex(text + 14, 4)),
              {static_cast<unsigned char>(Hex(text + 19, 2)),
               static_cast<unsigned char>(Hex(text + 21, 2)),
               static_cast<unsigned char>(Hex(text + 24, 2)),
               static_cast<unsigned char>(Hex(text + 26, 2)),
               static_cast<unsigned char>(Hex(text + 28, 2)),
               static_cast<unsigned char>(Hex(text + 30, 2)),
               static_cast<unsigned char>(Hex(text + 32, 2)),
               static_cast<unsigned char>(Hex(text + 34, 2))}};
}
