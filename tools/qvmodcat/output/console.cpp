#include "console.h"

#include "json.h"

#include "common/text.h"

#include <windows.h>

namespace qvmodcat {

namespace {

unsigned long lostOutputError = 0;
void (*beforeOutput)() = nullptr;

void BeforeOutput() {
  if (beforeOutput) beforeOutput();
}

// False with the system's error code when the text did not arrive whole.
bool WriteBytes(HANDLE stream, const std::string& bytes, DWORD& error) {
  size_t done = 0;
  while (done < bytes.size()) {
    DWORD written = 0;
    const DWORD chunk = static_cast<DWORD>(bytes.size() - done > 65536 ? 65536 : bytes.size() - done);
    if (!WriteFile(stream, bytes.data() + done, chunk, &written, nullptr) || written == 0) {
      error = written == 0 && GetLastError() == ERROR_SUCCESS ? ERROR_WRITE_FAULT : GetLastError();
      return false;
    }
    done += written;
  }
  return true;
}

// A console takes the wide text; anything else gets `bytes` (UTF-8) when given, or the text
// made UTF-8.
bool Write(DWORD which, const std::wstring* text, const std::string* bytes, DWORD& error) {
  const HANDLE stream = GetStdHandle(which);
  if (stream == nullptr || stream == INVALID_HANDLE_VALUE) {
    error = ERROR_INVALID_HANDLE;
    return false;
  }
  DWORD mode = 0;
  if (GetConsoleMode(stream, &mode)) {
    const std::wstring wide = text ? *text : WideFromUtf8(*bytes);
    DWORD written = 0;
    if (WriteConsoleW(stream, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr))
      return true;
    error = GetLastError();
    return false;
  }
  return WriteBytes(stream, bytes ? *bytes : Utf8FromWide(*text), error);
}

void WriteAnswer(const std::wstring* text, const std::string* bytes) {
  BeforeOutput();
  DWORD error = 0;
  if (!Write(STD_OUTPUT_HANDLE, text, bytes, error) && lostOutputError == 0)
    lostOutputError = error ? error : ERROR_WRITE_FAULT;
}

void WriteMessage(const std::wstring& text) {
  DWORD ignored = 0;  // nowhere left to say it
  Write(STD_ERROR_HANDLE, &text, nullptr, ignored);
}

}  // namespace

void SetBeforeOutput(void (*hook)()) { beforeOutput = hook; }

void WriteOut(const std::wstring& text) { WriteAnswer(&text, nullptr); }
void WriteOutUtf8(const std::string& text) { WriteAnswer(nullptr, &text); }

void WriteError(const std::wstring& text) {
  BeforeOutput();
  WriteMessage(text);
}

void WriteStatus(const std::wstring& text) { WriteMessage(text); }

unsigned long LostOutputError() { return lostOutputError; }

}  // namespace qvmodcat
