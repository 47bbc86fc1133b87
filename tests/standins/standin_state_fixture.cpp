#include "standin_state_fixture.h"

#include "common/unique_handle.h"

#include <vector>

void StandInTest::SetUp() {
  ASSERT_TRUE(SetEnvironmentVariableW(L"QV_STANDIN_KEY", kTestKey));
  RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey);
}

void StandInTest::TearDown() { RegDeleteTreeW(HKEY_CURRENT_USER, kTestKey); }

namespace {

RegKey CreateTestKey() {
  RegKey key;
  EXPECT_EQ(ERROR_SUCCESS,
            RegCreateKeyExW(HKEY_CURRENT_USER, StandInTest::kTestKey, 0, nullptr, 0,
                            KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, key.Put(), nullptr));
  return key;
}

}  // namespace

void StandInTest::SetText(const wchar_t* name, const std::wstring& value) {
  const RegKey key = CreateTestKey();
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key.Get(), name, 0, REG_SZ,
                                          reinterpret_cast<const BYTE*>(value.c_str()),
                                          static_cast<DWORD>((value.size() + 1) * 2)));
}

void StandInTest::SetNumber(const wchar_t* name, DWORD value) {
  const RegKey key = CreateTestKey();
  ASSERT_EQ(ERROR_SUCCESS, RegSetValueExW(key.Get(), name, 0, REG_DWORD,
                                          reinterpret_cast<const BYTE*>(&value), sizeof value));
}

std::wstring StandInTest::StoredText(const wchar_t* name) {
  std::vector<wchar_t> buffer(4096, L'\0');
  DWORD size = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
  if (RegGetValueW(HKEY_CURRENT_USER, kTestKey, name, RRF_RT_REG_SZ, nullptr, buffer.data(),
                   &size) != ERROR_SUCCESS) {
    return L"<absent>";
  }
  return buffer.data();
}

DWORD StandInTest::StoredNumber(const wchar_t* name) {
  DWORD value = 0;
  DWORD size = sizeof value;
  if (RegGetValueW(HKEY_CURRENT_USER, kTestKey, name, RRF_RT_REG_DWORD, nullptr, &value,
                   &size) != ERROR_SUCCESS) {
    return 0xFFFFFFFF;
  }
  return value;
}
