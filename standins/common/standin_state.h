// The stand-ins' state: values under one registry key of the current user, read on every call,
// so that tests, scripts and people can change it while a process runs.
//
// The key is HKEY_CURRENT_USER\Software\Quorvane\Showloom\StandIn, or the HKCU subkey named by
// the environment variable QV_STANDIN_KEY, which lets test programs run side by side without
// sharing state.
#pragma once

#include <windows.h>
#include <oleauto.h>

#include <string>

namespace standin {

inline constexpr wchar_t kDefaultStateKey[] = L"Software\\Quorvane\\Showloom\\StandIn";

// The HKCU subkey that holds the state.
std::wstring StateKeyPath();

// A REG_SZ or REG_EXPAND_SZ value (unexpanded); empty when absent or of another type.
std::wstring ReadText(const wchar_t* name);
// A REG_DWORD value, or a REG_SZ value holding a decimal number; 0 when absent.
DWORD ReadNumber(const wchar_t* name);
// Writes a REG_SZ value, creating the key when needed.
HRESULT WriteText(const wchar_t* name, const std::wstring& value);
// Adds one to a REG_DWORD counter (absent counts as 0).
void IncrementCounter(const wchar_t* name);

// Whether the value `listName`, a comma-separated list of operation names (compared without
// case, blanks around them ignored; "*" names every operation), names `operation`.
bool OperationListed(const wchar_t* listName, const wchar_t* operation);

// Failure injection: `listName` lists the operations that fail (see OperationListed) and
// `codeName` holds the HRESULT to fail them with (E_FAIL when absent, 0 or not a failure code).
// Returns that HRESULT when `operation` is listed, else S_OK.
HRESULT InjectedFailure(const wchar_t* listName, const wchar_t* codeName,
                        const wchar_t* operation);

// A new BSTR copy of `text` in *out: E_POINTER for a null out, E_OUTOFMEMORY when the copy
// cannot be made.
HRESULT CopyOut(const std::wstring& text, BSTR* out);

// Case-insensitive equality of two names (ordinal, like the file system and the profile API).
bool SameName(const std::wstring& left, const std::wstring& right);

}  // namespace standin
