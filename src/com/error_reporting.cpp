#include "com/error_reporting.h"

#include "common/bstr.h"
#include "common/com_ref.h"

#include <oleauto.h>

#include <cstdio>

namespace {

void WriteTrace(const com_exception& error) {
  char code[16];
  snprintf(code, sizeof code, "%i", static_cast<int>(error.Code()));
  OutputDebugStringA("\nException caught: ");
  OutputDebugStringA(code);
  OutputDebugStringA(" = ");
  OutputDebugStringA(error.what());
}

// The description as an automation string; none when it cannot be allocated.
UniqueBstr WideDescription(const std::string& text) {
  const int length = static_cast<int>(text.size());
  const int wide = length ? MultiByteToWideChar(CP_ACP, 0, text.data(), length, nullptr, 0) : 0;
  UniqueBstr result(SysAllocStringLen(nullptr, static_cast<UINT>(wide)));
  if (result.Get() && wide) MultiByteToWideChar(CP_ACP, 0, text.data(), length, result.Get(), wide);
  return result;
}

}  // namespace

HRESULT ErrorReporter::ReportComException(const com_exception& error) const noexcept {
  WriteTrace(error);
  const UniqueBstr description = WideDescription(error.Description());
  const wchar_t* text = description.Get() ? description.Get() : L"Unknown Error";

  ComRef<ICreateErrorInfo> info;
  if (SUCCEEDED(CreateErrorInfo(info.Put()))) {
    info->SetGUID(error.InterfaceId());
    LPOLESTR progId = nullptr;
    if (SUCCEEDED(ProgIDFromCLSID(class_, &progId)) && progId) {
      info->SetSource(progId);
      CoTaskMemFree(progId);
    }
    info->SetDescription(const_cast<wchar_t*>(text));
    ComRef<IErrorInfo> installed;
    if (SUCCEEDED(info.QueryTo(IID_IErrorInfo, installed))) SetErrorInfo(0, installed.Get());
  }
  return error.Code();
}
