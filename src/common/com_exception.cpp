#include "common/com_exception.h"

#include "common/bstr.h"
#include "common/com_ref.h"
#include "common/text.h"

#include <oleauto.h>

#include <utility>

com_exception::com_exception(HRESULT code, std::string description, const GUID& interfaceId,
                             ErrorOrigin origin)
    : description_(std::move(description)), code_(code), interfaceId_(interfaceId),
      origin_(origin) {}

std::string SystemMessageText(HRESULT code) {
  char* text = nullptr;
  const DWORD flags =
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_IGNORE_INSERTS | FORMAT_MESSAGE_FROM_SYSTEM;
  const DWORD length = FormatMessageA(flags, nullptr, static_cast<DWORD>(code), 0,
                                      reinterpret_cast<char*>(&text), 0, nullptr);
  std::string result;
  if (length && text) result.assign(text, length);
  if (text) LocalFree(text);
  return result;
}

HRESULT HresultFromWin32Code(long code) noexcept {
  if (code <= 0) return static_cast<HRESULT>(code);
  return static_cast<HRESULT>((static_cast<unsigned long>(code) & 0xFFFF) | 0x80070000UL);
}

void ThrowIfFailed(HRESULT code, ErrorOrigin origin) {
  if (code >= 0) return;
  ComRef<IErrorInfo> info;
  if (GetErrorInfo(0, info.Put()) == S_OK && info) {
    UniqueBstr description;
    GUID interfaceId = GUID{};
    info->GetDescription(description.Put());
    info->GetGUID(&interfaceId);
    std::string text = AnsiFromWide(description.Get(), description.Length());
    throw com_exception(code, std::move(text), interfaceId, origin);
  }
  std::string text = SystemMessageText(code);
  if (text.empty()) text = "Unknown error";
  throw com_exception(code, std::move(text), GUID{}, origin);
}

void ThrowComError(HRESULT code, const std::string& description) {
  throw com_exception(code, description);
}
