// What most test programs need: packages built for this run, a scratch folder, a stand-in state
// key of their own, a readable WideString in failure messages, and the code a failure raised.
#pragma once

#include "common/bstr.h"
#include "common/com_exception.h"
#include "common/unique_handle.h"
#include "common/wide_string.h"

#include <windows.h>

#include <ostream>
#include <string>

// A path that ctest hands over (a Unix path) as Wine shows it: / is drive Z:.
WideString WindowsPath(const std::string& hostPath);

// <QV_FIXTURES_DIR>\<set>: the folder the fixture <set> filled for this run; and in it
// <name>.msm, a package it built.
WideString FixtureFolder(const char* set);
WideString FixturePackage(const char* set, const char* name);

// A folder of the temporary directory, emptied when made and removed when the object goes.
// Names are unique per process, so test programs that ctest runs side by side never meet.
class ScratchFolder {
 public:
  explicit ScratchFolder(const wchar_t* name);
  ~ScratchFolder();
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const WideString& Path() const { return path_; }
  // <Path>\<relative>, made with its parent folders.
  WideString MakeFolder(const std::wstring& relative) const;
  // Writes `bytes` to <Path>\<relative> (folders made on the way); returns the full path.
  WideString WriteFile(const std::wstring& relative, const std::string& bytes) const;

 private:
  WideString path_;
};

// The environment stand-ins' state for this process: a registry key of its own (through
// QV_STANDIN_KEY), empty at the start and removed at the end.
class StandInState {
 public:
  explicit StandInState(const wchar_t* name);
  ~StandInState();
  StandInState(const StandInState&) = delete;
  StandInState& operator=(const StandInState&) = delete;

  void SetText(const wchar_t* value, const WideString& text) const;
  void SetNumber(const wchar_t* value, DWORD number) const;
  void Remove(const wchar_t* value) const;
  DWORD Number(const wchar_t* value) const;  // 0 when absent
  const std::wstring& Key() const { return key_; }  // under HKEY_CURRENT_USER

 private:
  std::wstring key_;
};

struct Arg : UniqueBstr {  // a BSTR argument for the length of one call
  explicit Arg(const std::wstring& text) : UniqueBstr(SysAllocString(text.c_str())) {}
  operator BSTR() const { return Get(); }
};

// Calls each(name) for every package ("*.msm") of `folder`, in the file system's order.
template <class Each>
void ForEachPackage(const WideString& folder, Each&& each) {
  WIN32_FIND_DATAW found = {};
  const FindHandle search(FindFirstFileW((folder + L"\\*.msm").c_str(), &found));
  for (bool more = static_cast<bool>(search); more; more = FindNextFileW(search.Get(), &found))
    each(WideString(found.cFileName));
}

// Sets the last-write time of a file to `base` moved by `seconds`.
void SetWriteTime(const WideString& path, FILETIME base, long long seconds);

// Runs `action`, which should raise com_exception: what it raised, or code S_OK when nothing was.
template <class Action>
com_exception Raised(Action&& action) {
  try {
    action();
  } catch (const com_exception& failure) {
    return failure;
  }
  return com_exception(S_OK, "");
}
template <class Action>
HRESULT RaisedCode(Action&& action) { return Raised(action).Code(); }

// The thread's error information as an automation client reads it (taking it clears it).
struct ErrorView {
  bool hasInfo = false;
  std::wstring source, description;
  GUID guid = {};
};
ErrorView TakeErrorInfo();

inline bool EndsWith(const std::string& text, const std::string& tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// Readable WideString values in failure messages.
void PrintTo(const WideString& text, std::ostream* out);
