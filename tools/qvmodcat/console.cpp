#include "console.h"

#include "json.h"

#include "common/text.h"

#include <windows.h>

namespace qvmodcat {

namespace {

void WriteBytes(HANDLE stream, const std::string& bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(bytes.size() - done > 65536 ? 65536 : bytes.size() - done);
    if (!WriteFile(stream, bytes.data() + done, chunk, &written, nullptr) || written == 0) return;
    done += written;
  }
}

void Write(DWORD which, const std::wstring& text) {
  const HANDLE stream = GetStdHandle(which);
  if (stream == nullptr || stream == INVALID_HANDLE_VALUE) return;
  DWORD mode = 0;
  if (GetConsoleMode(stream, &mode)) {
    DWORD written = 0;
    WriteConsoleW(stream, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    return;
  }
  WriteBytes(stream, Utf8FromWide(text));
}

void (*beforeOutput)() = nullptr;

void BeforeOutput() {
  if (beforeOutput) beforeOutput();
}

}  // namespace

void SetBeforeOutput(void (*hook)()) { beforeOutput = hook; }

void WriteOut(const std::wstring& text) {
  BeforeOutput();
  Write(STD_OUTPUT_HANDLE, text);
}

void WriteError(const std::wstring& text) {
  BeforeOutput();
  Write(STD_ERROR_HANDLE, text);
}

void WriteStatus(const std::wstring& text) { Write(STD_ERROR_HANDLE, text); }

void WriteOutUtf8(const std::string& text) {
  BeforeOutput();
  const HANDLE stream = GetStdHandle(STD_OUTPUT_HANDLE);
  if (stream == nullptr || stream == INVALID_HANDLE_VALUE) return;
  DWORD mode = 0;
  if (GetConsoleMode(stream, &mode)) {
    const std::wstring wide = WideFromUtf8(text);
    DWORD written = 0;
    WriteConsoleW(stream, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr);
    return;
  }
  WriteBytes(stream, text);
}

}  // namespace qvmodcat
