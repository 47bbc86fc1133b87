#include "com_client.h"

#include <cstdio>
#include <new>

namespace qvmodcat {

UniqueBstr MakeBstr(const std::wstring& text) {
  UniqueBstr copy(SysAllocStringLen(text.data(), static_cast<UINT>(text.size())));
  if (!copy.Get()) throw std::bad_alloc();
  return copy;
}

std::wstring TextOf(const UniqueBstr& text) {
  return text.Get() ? std::wstring(text.Get(), text.Length()) : std::wstring();
}

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
    UniqueBstr text;
    if (SUCCEEDED(info->GetSource(text.Put()))) source = TextOf(text);
    if (SUCCEEDED(info->GetDescription(text.Put()))) description = TextOf(text);
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
