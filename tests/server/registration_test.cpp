// Registration with regsvr32 in the test prefix: the keys and values written, registering
// twice, unregistering (also foreign subkeys and an unregistered component), and the ".tlb"
// file beside a library without an embedded type library.  The component is registered
// again at the end of every test.
#include "server_test_support.h"

#include "common/unique_handle.h"
#include "server/class_ids.h"

#include <gtest/gtest.h>

#include <objbase.h>

#include <map>
#include <string>

namespace {

const char* const kProgIds[] = {
    "QvLiteModCat.MMCatalog.1",       "QvLiteModCat.MMCatalog",
    "QvLiteModCat.MMCatalogPro.1",    "QvLiteModCat.MMCatalogPro",
    "QvModCat.MergeModule2.1",        "QvModCat.MergeModule2",
    "QvLiteModCat.MMCatalogManager.1", "QvLiteModCat.MMCatalogManager"};
const CLSID* const kClasses[] = {&kClsidMMCatalog, &kClsidMMCatalogPro, &kClsidMergeModule2,
                                 &kClsidMMCatalogManager};

std::string GuidText(const GUID& guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return std::string(text, text + wcslen(text));
}

int RunRegsvr32(const std::string& arguments) {
  std::string command = "regsvr32.exe /s " + arguments;
  STARTUPINFOA startup{};
  startup.cb = sizeof startup;
  PROCESS_INFORMATION process{};
  if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                      &startup, &process))
    return -1;
  WaitForSingleObject(process.hProcess, INFINITE);
  DWORD code = 0;
  GetExitCodeProcess(process.hProcess, &code);
  CloseHandle(process.hThread);
  CloseHandle(process.hProcess);
  return static_cast<int>(code);
}

// Every key and value under HKCR\<path>, as "key\\path|value name" -> "type:data".
void DumpKey(HKEY parent, const std::string& name, const std::string& path,
             std::map<std::string, std::string>& into) {
  RegKey key;
  if (RegOpenKeyExA(parent, name.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS) return;
  into[path] = "key";
  for (DWORD i = 0;; ++i) {
    char valueName[256] = {};
    DWORD nameLength = sizeof valueName;
    BYTE data[1024] = {};
    DWORD dataLength = sizeof data;
    DWORD type = 0;
    if (RegEnumValueA(key.Get(), i, valueName, &nameLength, nullptr, &type, data, &dataLength) !=
        ERROR_SUCCESS)
      break;
    into[path + "|" + valueName] =
        std::to_string(type) + ":" + std::string(reinterpret_cast<char*>(data), dataLength);
  }
  for (DWORD i = 0;; ++i) {
    char subkey[257] = {};
    DWORD length = 256;
    if (RegEnumKeyExA(key.Get(), i, subkey, &length, nullptr, nullptr, nullptr, nullptr) !=
        ERROR_SUCCESS)
      break;
    DumpKey(key.Get(), subkey, path + "\\" + subkey, into);
  }
}

std::map<std::string, std::string> ComponentKeys() {
  std::map<std::string, std::string> keys;
  for (const char* progId : kProgIds) DumpKey(HKEY_CLASSES_ROOT, progId, progId, keys);
  for (const CLSID* clsid : kClasses) {
    const std::string path = "CLSID\\" + GuidText(*clsid);
    DumpKey(HKEY_CLASSES_ROOT, path, path, keys);
  }
  const std::string typeLib = "TypeLib\\" + GuidText(kLibidQvModCat2);
  DumpKey(HKEY_CLASSES_ROOT, typeLib, typeLib, keys);
  return keys;
}

std::string DefaultValue(const std::string& path, const char* name = nullptr) {
  char data[1024] = {};
  DWORD length = sizeof data;
  DWORD type = 0;
  RegKey key;
  if (RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS)
    return "<no key>";
  if (RegQueryValueExA(key.Get(), name, nullptr, &type, reinterpret_cast<BYTE*>(data), &length) !=
      ERROR_SUCCESS)
    return "<no value>";
  return type == REG_SZ ? std::string(data) : "<not REG_SZ>";
}

bool KeyExists(const std::string& path) {
  RegKey key;
  return RegOpenKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, KEY_READ, key.Put()) == ERROR_SUCCESS;
}

void CreateForeignKey(const std::string& path) {
  RegKey key;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CLASSES_ROOT, path.c_str(), 0, nullptr, 0,
                                           KEY_WRITE, nullptr, key.Put(), nullptr));
  RegSetValueExA(key.Get(), "Note", 0, REG_SZ, reinterpret_cast<const BYTE*>("foreign"), 8);
}

class Registration : public ::testing::Test {
 protected:
  void TearDown() override {
    EXPECT_EQ(0, RunRegsvr32("\"" + dll_ + "\"")) << "the component is registered again";
  }
  const std::string dll_ = BinFile("QvModCat2.dll");
};

TEST_F(Registration, WritesTheKeysOfAllFourClassesAndTheTypeLibrary) {
  ASSERT_EQ(0, RunRegsvr32("\"" + dll_ + "\""));
  const std::string folder = dll_.substr(0, dll_.rfind('\\') + 1);
  for (int i = 0; i < 4; ++i) {
    const std::string clsid = GuidText(*kClasses[i]);
    const std::string progId = kProgIds[2 * i], independent = kProgIds[2 * i + 1];
    for (const std::string& name : {progId, independent}) {
      EXPECT_EQ("Quorvane QvModCat2", DefaultValue(name)) << name;
      EXPECT_EQ(clsid, DefaultValue(name + "\\CLSID")) << name;
    }
    EXPECT_FALSE(KeyExists(independent + "\\CurVer")) << independent;
    const std::string key = "CLSID\\" + clsid;
    EXPECT_EQ("Quorvane QvModCat2", DefaultValue(key));
    EXPECT_EQ(progId, DefaultValue(key + "\\ProgID"));
    EXPECT_EQ(independent, DefaultValue(key + "\\VersionIndependentProgID"));
    EXPECT_EQ(dll_, DefaultValue(key + "\\InprocServer32"));
    EXPECT_EQ("Apartment", DefaultValue(key + "\\InprocServer32", "ThreadingModel"));
  }
  const std::string typeLib = "TypeLib\\" + GuidText(kLibidQvModCat2) + "\\1.0";
  EXPECT_EQ("QvModCat2 1.0 Type Library", DefaultValue(typeLib));
  EXPECT_EQ(dll_, DefaultValue(typeLib + "\\0\\win64"));
  EXPECT_EQ(folder, DefaultValue(typeLib + "\\HELPDIR"));
}

TEST_F(Registration, RegisteringTwiceLeavesTheSameKeys) {
  ASSERT_EQ(0, RunRegsvr32("\"" + dll_ + "\""));
  const auto first = ComponentKeys();
  ASSERT_EQ(0, RunRegsvr32("\"" + dll_ + "\""));
  EXPECT_EQ(first, ComponentKeys());
  EXPECT_GT(first.size(), 40u);
}

TEST_F(Registration, UnregisteringRemovesWholeTreesAndNeverFails) {
  ASSERT_EQ(0, RunRegsvr32("\"" + dll_ + "\""));
  const std::string clsid = "CLSID\\" + GuidText(kClsidMergeModule2);
  CreateForeignKey("QvModCat.MergeModule2.1\\Foreign\\Deeper");
  CreateForeignKey("QvModCat.MergeModule2\\Foreign");
  CreateForeignKey(clsid + "\\Foreign\\Deeper");
  CreateForeignKey(clsid + "\\InprocServer32\\Foreign");

  ASSERT_EQ(0, RunRegsvr32("/u \"" + dll_ + "\""));
  for (const char* progId : kProgIds) EXPECT_FALSE(KeyExists(progId)) << progId;
  for (const CLSID* clsidOf : kClasses)
    EXPECT_FALSE(KeyExists("CLSID\\" + GuidText(*clsidOf))) << GuidText(*clsidOf);
  EXPECT_FALSE(KeyExists("TypeLib\\" + GuidText(kLibidQvModCat2) + "\\1.0"));

  EXPECT_EQ(0, RunRegsvr32("/u \"" + dll_ + "\"")) << "an unregistered component unregisters";
}

TEST_F(Registration, LibraryWithoutTypeLibraryRegistersTheTlbFileBesideIt) {
  const std::string fallback = BuildFile("tlb_fallback\\QvModCat2.dll");
  ASSERT_EQ(0, RunRegsvr32("\"" + fallback + "\""));
  const std::string typeLib = "TypeLib\\" + GuidText(kLibidQvModCat2) + "\\1.0";
  EXPECT_EQ(BuildFile("tlb_fallback\\QvModCat2.tlb"), DefaultValue(typeLib + "\\0\\win64"));
  EXPECT_EQ(fallback, DefaultValue("CLSID\\" + GuidText(kClsidMergeModule2) + "\\InprocServer32"));

  // Neither in the library nor beside it: registration fails.
  char temp[MAX_PATH] = {};
  GetTempPathA(MAX_PATH, temp);
  const std::string alone = std::string(temp) + "QvModCat2NoTlb.dll";
  ASSERT_TRUE(CopyFileA(fallback.c_str(), alone.c_str(), FALSE));
  EXPECT_NE(0, RunRegsvr32("\"" + alone + "\""));
  RunRegsvr32("/u \"" + alone + "\"");
  DeleteFileA(alone.c_str());
}

}  // namespace
