#include "standin_state_fixture.h"

#include "common/bstr.h"
#include "common/com_ref.h"
#include "common/variant.h"
#include "server/companion_loader.h"

#include <string>

namespace {

class ProfileReaderStandIn : public StandInTest {
 protected:
  void SetUp() override {
    StandInTest::SetUp();
    wchar_t temp[MAX_PATH] = {};
    GetTempPathW(MAX_PATH, temp);
    folder_ = std::wstring(temp) + L"qv-standins-" + std::to_wstring(GetCurrentProcessId());
    CreateDirectoryW(folder_.c_str(), nullptr);
    ASSERT_EQ(S_OK, CreateProfileReader(reader_));
  }

  std::wstring WriteFile(const wchar_t* name, const std::string& bytes) {
    const std::wstring path = folder_ + L"\\" + name;
    const HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    EXPECT_NE(INVALID_HANDLE_VALUE, file);
    DWORD written = 0;
    ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
    CloseHandle(file);
    return path;
  }
  HRESULT Open(const std::wstring& path) {
    return reader_->Open(UniqueBstr(SysAllocString(path.c_str())).Get());
  }
  ComRef<IProfileKeys> KeysOf(const wchar_t* sectionName) {
    ComRef<IProfileSections> sections;
    ComRef<IProfileSection> section;
    ComRef<IProfileKeys> keys;
    EXPECT_EQ(S_OK, reader_->Sections(sections.Put()));
    EXPECT_EQ(S_OK, sections->Item(StringVariant(sectionName).Get(), section.Put()));
    EXPECT_TRUE(section) << "no object for section";
    if (section) {
      EXPECT_EQ(S_OK, section->Keys(keys.Put()));
    }
    return keys;
  }
  static std::wstring NameAndValue(const ComRef<IProfileKey>& key) {
    if (!key) return L"<none>";
    UniqueBstr name, value;
    EXPECT_EQ(S_OK, key->Name(name.Put()));
    EXPECT_EQ(S_OK, key->Value(value.Put()));
    return std::wstring(name.ToWide().c_str()) + L"=" + value.ToWide().c_str();
  }
  static long Count(const ComRef<IProfileKeys>& keys) {
    long count = -1;
    EXPECT_EQ(S_OK, keys->Count(&count));
    return count;
  }

  std::wstring folder_;
  ComRef<IProfileReader> reader_;
};

constexpr char kProfile[] =
    "; a comment\r\n"
    "orphan=before any section\r\n"
    "[Modules]\r\n"
    "  Alpha =  first value  \r\n"
    "beta=second=with equals\n"
    "ALPHA=repeated name\r\n"
    "\tnovalue\r\n"
    "=no name\r\n"
    "[ Other ]\r\n"
    "text=caf\xE9\r\n"
    "[modules]\r\n"
    "gamma=continued section";

TEST_F(ProfileReaderStandIn, KeysByNameAndByPositionInFileOrder) {
  ASSERT_EQ(S_OK, Open(WriteFile(L"keys.ini", kProfile)));
  const ComRef<IProfileKeys> keys = KeysOf(L"MODULES");
  ASSERT_TRUE(keys);
  ASSERT_EQ(5, Count(keys));

  const wchar_t* inOrder[] = {L"Alpha=first value", L"beta=second=with equals",
                              L"ALPHA=repeated name", L"novalue=", L"gamma=continued section"};
  for (LONG position = 1; position <= 5; ++position) {
    ComRef<IProfileKey> key;
    ASSERT_EQ(S_OK, keys->Item(IntegerVariant(position).Get(), key.Put()));
    EXPECT_EQ(inOrder[position - 1], NameAndValue(key));
  }
  VARIANT shortPosition;
  V_VT(&shortPosition) = VT_I2;
  V_I2(&shortPosition) = 2;
  ComRef<IProfileKey> key;
  ASSERT_EQ(S_OK, keys->Item(shortPosition, key.Put()));
  EXPECT_EQ(L"beta=second=with equals", NameAndValue(key));

  ASSERT_EQ(S_OK, keys->Item(StringVariant(L"alpha").Get(), key.Put()));
  EXPECT_EQ(L"Alpha=first value", NameAndValue(key)) << "by name, the first of a repeated key";
  ASSERT_EQ(S_OK, keys->Item(StringVariant(L"orphan").Get(), key.Put()));
  EXPECT_FALSE(key);
  EXPECT_EQ(DISP_E_BADINDEX, keys->Item(IntegerVariant(6).Get(), key.Put()));
  EXPECT_EQ(DISP_E_BADINDEX, keys->Item(IntegerVariant(0).Get(), key.Put()));

  // Section names are trimmed; text is read in the ANSI code page (1252).
  const ComRef<IProfileKeys> other = KeysOf(L"other");
  ASSERT_EQ(S_OK, other->Item(IntegerVariant(1).Get(), key.Put()));
  EXPECT_EQ(L"text=caf\u00E9", NameAndValue(key));
}

TEST_F(ProfileReaderStandIn, EveryNamedSectionIsAnObjectAndAbsentOnesAreEmpty) {
  ASSERT_EQ(S_OK, Open(WriteFile(L"sections.ini", kProfile)));
  ComRef<IProfileSections> sections;
  ASSERT_EQ(S_OK, reader_->Sections(sections.Put()));
  long count = 0;
  ASSERT_EQ(S_OK, sections->Count(&count));
  EXPECT_EQ(2, count);

  ComRef<IProfileSection> absent;
  ASSERT_EQ(S_OK, sections->Item(StringVariant(L"FilesToModules").Get(), absent.Put()));
  ASSERT_TRUE(absent);
  UniqueBstr name;
  ASSERT_EQ(S_OK, absent->Name(name.Put()));
  EXPECT_STREQ(L"FilesToModules", name.ToWide().c_str());
  ComRef<IProfileKeys> keys;
  ASSERT_EQ(S_OK, absent->Keys(keys.Put()));
  EXPECT_EQ(0, Count(keys));

  // What the reader handed out stays usable after the reader is gone.
  const ComRef<IProfileKeys> modules = KeysOf(L"Modules");
  reader_.Reset();
  sections.Reset();
  ComRef<IProfileKey> key;
  ASSERT_EQ(S_OK, modules->Item(IntegerVariant(5).Get(), key.Put()));
  EXPECT_EQ(L"gamma=continued section", NameAndValue(key));
}

TEST_F(ProfileReaderStandIn, MissingFileFailsOpenAndEveryOpenIsCounted) {
  const std::wstring path = WriteFile(L"present.ini", kProfile);
  ASSERT_EQ(S_OK, Open(path));
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_FILE_NOT_FOUND), Open(folder_ + L"\\absent.ini"));
  ComRef<IProfileSections> sections;
  EXPECT_TRUE(FAILED(reader_->Sections(sections.Put()))) << "the failed Open left no file";
  EXPECT_FALSE(sections);

  ComRef<IProfileReader> second;
  ASSERT_EQ(S_OK, CreateProfileReader(second));
  ASSERT_EQ(S_OK, second->Open(UniqueBstr(SysAllocString(path.c_str())).Get()));
  EXPECT_EQ(3u, StoredNumber(L"ProfileOpenCount"));
}

TEST_F(ProfileReaderStandIn, UnicodeFilesWithByteOrderMark) {
  const std::wstring text = L"\xFEFF[Names]\r\nkey=\u4E2D\u6587\r\n";
  ASSERT_EQ(S_OK, Open(WriteFile(L"unicode.ini",
                                 std::string(reinterpret_cast<const char*>(text.c_str()),
                                             text.size() * sizeof(wchar_t)))));
  ComRef<IProfileKey> key;
  ASSERT_EQ(S_OK, KeysOf(L"Names")->Item(StringVariant(L"KEY").Get(), key.Put()));
  EXPECT_EQ(L"key=\u4E2D\u6587", NameAndValue(key));
}

TEST_F(ProfileReaderStandIn, InjectedFailuresReturnTheChosenCode) {
  ASSERT_EQ(S_OK, Open(WriteFile(L"failing.ini", kProfile)));
  const ComRef<IProfileKeys> keys = KeysOf(L"Modules");
  SetText(L"ProfileFailOperation", L"Keys.Count,Open");
  SetNumber(L"ProfileFailHResult", 0x8007001F);
  long count = 0;
  EXPECT_EQ(static_cast<HRESULT>(0x8007001F), keys->Count(&count));
  EXPECT_EQ(static_cast<HRESULT>(0x8007001F), Open(folder_ + L"\\failing.ini"));
  ComRef<IProfileKey> key;
  EXPECT_EQ(S_OK, keys->Item(IntegerVariant(1).Get(), key.Put()));
}

}  // namespace
