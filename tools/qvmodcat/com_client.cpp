#include "com_client.h"

#include <cstdio>

namespace qvmodcat {

std::wstring SystemMessage(HRESULT result) {
  wchar_t* buffer = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, static_cast<DWORD>(result), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
  std::wstring text;
  if (length && buffer) text.assign(buffer, length);
  if (buffer) LocalFree(buffer);
  while (!text.empty() && (text.back() == L'\n' || text.back() == L'\r' || text.back() == L' '))
    text.pop_back();
  return text;
}

std::wstring HexResult(HRESULT result) {
  wchar_t text[16];
  _snwprintf(text, 16, L"0x%08lX", static_cast<unsigned long>(result));
  text[15] = L'\0';
  return text;
}

void ThrowForResult(const wchar_t* what, HRESULT result) {
  std::wstring source, description;
  IErrorInfo* info = nullptr;
  if (GetErrorInfo(0, &info) == S_OK && info) {
    Bstr text;
    if (SUCCEEDED(info->GetSource(text.Put()))) source = text.Text();
    if (SUCCEEDED(info->GetDescription(text.Put()))) description = text.Text();
    info->Release();
  }
  if (description.empty()) description = SystemMessage(result);
  throw ComError(what, result, source, description);
}

ComApartment::ComApartment() {
  const HRESULT result = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
  if (FAILED(result)) ThrowForResult(L"CoInitializeEx", result);
}

ComApartment::~ComApartment() { CoUninitialize(); }

}  // namespace qvmodcat
