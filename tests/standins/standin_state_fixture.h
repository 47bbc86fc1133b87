// The stand-ins' registry state for the tests: a key of this test program's own (through
// QV_STANDIN_KEY), emptied before every test.
#pragma once

#include <windows.h>

#include <string>

#include <gtest/gtest.h>

class StandInTest : public ::testing::Test {
 public:
  static constexpr wchar_t kTestKey[] = L"Software\\Quorvane\\Showloom\\StandInTests\\standins";

 protected:

  void SetUp() override;
  void TearDown() override;

  static void SetText(const wchar_t* name, const std::wstring& value);
  static void SetNumber(const wchar_t* name, DWORD value);
  static std::wstring StoredText(const wchar_t* name);
  static DWORD StoredNumber(const wchar_t* name);
};

// Calls vtable slot `slot` (counted from 0) of an interface pointer directly, so that a test
// checks the published slot numbers rather than the declaration order of a header.
template <class... Arguments>
HRESULT CallSlot(void* object, int slot, Arguments... arguments) {
  using Method = HRESULT(STDMETHODCALLTYPE*)(void*, Arguments...);
  const auto method = reinterpret_cast<Method>((*static_cast<void***>(object))[slot]);
  return method(object, arguments...);
}
