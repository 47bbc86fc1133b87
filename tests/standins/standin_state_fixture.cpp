#include "standin_state_fixture.h"

void StandInTest::SetUp() {
  ASSERT_TRUE(SetEnvironmentVariableW(L"QV_STANDIN_KEY", kTestKey));
  RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey);
}

void StandInTest::TearDown() { RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey); }

void StandInTest::SetText(const wchar_t* name, const std::wstring& value) {
  ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_CURRENT_USER, kTestKey, name, REG_SZ,
                                           value.c_str(),
                                           static_cast<DWORD>((value.size() + 1) * 2)));
}

void StandInTest::SetNumber(const wchar_t* name, DWORD value) {
  ASSERT_EQ(ERROR_SUCCESS, RegSetKeyValueW(HKEY_CURRENT_USER, kTestKey, name, REG_DWORD, &value,
                                           sizeof value));
}

std::wstring StandInTest::StoredText(const wchar_t* name) {
  wchar_t buffer[1024] = {};
  DWORD size = sizeof buffer;
  return RegGetValueW(HKEY_CURRENT_USER, kTestKey, name, RRF_RT_REG_SZ, nullptr, buffer,
                      &size) == ERROR_SUCCESS
             ? buffer
             : L"<absent>";
}

DWORD StandInTest::StoredNumber(const wchar_t* name) {
  DWORD value = 0;
  DWORD size = sizeof value;
  return RegGetValueW(HKEY_CURRENT_USER, kTestKey, name, RRF_RT_REG_DWORD, nullptr, &value,
                      &size) == ERROR_SUCCESS
             ? value
             : 0xFFFFFFFF;
}
