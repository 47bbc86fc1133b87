#include "text_encoding.h"

#include <windows.h>

namespace msmbuild {

bool IsValidUtf8(const std::string& text) {
  if (text.empty()) return true;
  return MultiByteToWideChar(CP_UTF8, MB_ERR_INVALID_CHARS, text.data(),
                             static_cast<int>(text.size()), nullptr, 0) > 0;
}

bool FitsCodePage(const std::wstring& text, unsigned codePage) {
  if (text.empty()) return true;
  if (codePage == 0) codePage = GetACP();
  // UTF-8 and UTF-7 hold every character and refuse the "used default" question.
  if (codePage == CP_UTF8 || codePage == CP_UTF7) return true;
  BOOL usedDefault = FALSE;
  const int converted = WideCharToMultiByte(codePage, WC_NO_BEST_FIT_CHARS, text.data(),
                                            static_cast<int>(text.size()), nullptr, 0, nullptr,
                                            &usedDefault);
  return converted > 0 && !usedDefault;
}

bool IsUsableCodePage(unsigned codePage) {
  return codePage == 0 || IsValidCodePage(codePage);
}

}  // namespace msmbuild
