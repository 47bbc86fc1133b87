// Registration with regsvr32 in the test prefix: exactly the keys written, registering twice,
// unregistering whole trees, the environment's interface registrations left alone, and the
// ".tlb" file beside a library without an embedded type library.  The component is registered
// again after every test.
#include "class_ids.h"
#include "common/com_ref.h"
#include "common/unique_handle.h"
#include "common/wide_string.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <objbase.h>
#include <sddl.h>

#include <iterator>
#include <map>
#include <string>

namespace {

const char* const kProgIds[] = {
    "QvLiteModCat.MMCatalog.1",        "QvLiteModCat.MMCatalog",
    "QvLiteModCat.MMCatalogPro.1",     "QvLiteModCat.MMCatalogPro",
    "QvModCat.MergeModule2.1",         "QvModCat.MergeModule2",
    "QvLiteModCat.MMCatalogManager.1", "QvLiteModCat.MMCatalogManager"};
const CLSID* const kClasses[] = {&kClsidMMCatalog, &kClsidMMCatalogPro, &kClsidMergeModule2,
                                 &kClsidMMCatalogManager};

// The type-library key of the registering architecture (a 32-bit component writes "win32").
const std::string kTypeLibKey = sizeof(void*) == 8 ? "\\1.0\\0\\win64" : "\\1.0\\0\\win32";

std::string Text(const GUID& guid) {
  wchar_t text[40] = {};
  StringFromGUID2(guid, text, 40);
  return std::string(text, text + wcslen(text));
}

// <folder of this program>\<relative>.
std::string BesideTheTests(const char* relative) {
  char path[MAX_PATH] = {};
  GetModuleFileNameA(nullptr, path, MAX_PATH);
  const std::string program = path;
  return program.substr(0, program.rfind('\\') + 1) + relative;
}

// regsvr32's exit code (through the command interpreter, which passes it on).
int Regsvr32(const std::string& arguments) {
  return system(("regsvr32.exe /s " + arguments).c_str());
}

// Every key and value under HKCR\<path>, as "key path|value name" -> "type:data" (texts
// without their terminator).
using Keys = std::map<std::string, std::string>;
void Collect(HKEY parent, const std::string& name, const std::string& path, Keys& into) {
  RegKey key;
  if (RegOpenKeyExA(parent, name.c_str(), 0, KEY_READ, key.Put()) != ERROR_SUCCESS) return;
  into[path] = "key";
  char text[1024];
  BYTE data[1024];
  DWORD type = 0;
  for (DWORD i = 0, length = sizeof text, size = sizeof data;
       RegEnumValueA(key.Get(), i, text, &length, nullptr, &type, data, &size) == ERROR_SUCCESS;
       ++i, length = sizeof text, size = sizeof data)
    into[path + "|" + text] = std::to_string(type) + ":" +
                              std::string(data, data + size - (type == REG_SZ && size));
  for (DWORD i = 0, length = sizeof text;
       RegEnumKeyExA(key.Get(), i, text, &length, nullptr, nullptr, nullptr, nullptr) ==
       ERROR_SUCCESS;
       ++i, length = sizeof text)
    Collect(key.Get(), text, path + "\\" + text, into);
}

Keys ComponentKeys() {
  Keys keys;
  for (const char* progId : kProgIds) Collect(HKEY_CLASSES_ROOT, progId, progId, keys);
  for (const CLSID* clsid : kClasses)
    Collect(HKEY_CLASSES_ROOT, "CLSID\\" + Text(*clsid), "CLSID\\" + Text(*clsid), keys);
  const std::string typeLib = "TypeLib\\" + Text(kLibidQvModCat2);
  Collect(HKEY_CLASSES_ROOT, typeLib, typeLib, keys);
  return keys;
}

std::string Value(const Keys& keys, const std::string& path, const char* name = "") {
  const auto found = keys.find(path + "|" + name);
  return found == keys.end() ? "<none>" : found->second;
}
std::string Sz(const std::string& text) { return "1:" + text; }

class Registration : public ::testing::Test {
 protected:
  void TearDown() override { EXPECT_EQ(0, Regsvr32("\"" + dll_ + "\"")) << "registered again"; }
  const std::string dll_ = BesideTheTests("QvModCat2.dll");
};

// HKCR\Interface\{IID} of every interface the environment's "qvmodcat.tlb" declares.
Keys InterfaceKeys() {
  ComRef<ITypeLib> interfaces;
  EXPECT_EQ(S_OK, LoadTypeLibEx(WideString::FromAnsi(BesideTheTests("qvmodcat.tlb").c_str()).c_str(),
                                REGKIND_NONE, interfaces.Put()));
  Keys keys;
  for (UINT i = 0; interfaces && i < interfaces->GetTypeInfoCount(); ++i) {
    ComRef<ITypeInfo> type;
    TYPEATTR* attributes = nullptr;
    if (FAILED(interfaces->GetTypeInfo(i, type.Put())) || FAILED(type->GetTypeAttr(&attributes)))
      continue;
    const std::string key = "Interface\\" + Text(attributes->guid);
    type->ReleaseTypeAttr(attributes);
    Collect(HKEY_CLASSES_ROOT, key, key, keys);
  }
  return keys;
}

TEST_F(Registration, WritesExactlyTheClassKeysAndTheTypeLibraryAndNoInterface) {
  ASSERT_EQ(0, Regsvr32("/u \"" + dll_ + "\""));
  const Keys environment = InterfaceKeys();
  ASSERT_FALSE(environment.empty()) << "the environment registered its interfaces";
  ASSERT_EQ(0, Regsvr32("\"" + dll_ + "\""));
  Keys keys = ComponentKeys();
  Keys expected;
  const auto key = [&](const std::string& path, const std::string& value,
                       const char* name = "", const char* namedValue = nullptr) {
    expected[path] = "key";
    expected[path + "|"] = Sz(value);
    if (namedValue) expected[path + "|" + name] = Sz(namedValue);
  };
  for (int i = 0; i < 4; ++i) {
    const std::string clsid = "CLSID\\" + Text(*kClasses[i]);
    const std::string progId = kProgIds[2 * i], independent = kProgIds[2 * i + 1];
    for (const std::string& name : {progId, independent}) {
      key(name, "Quorvane QvModCat2");
      key(name + "\\CLSID", Text(*kClasses[i]));
    }
    key(clsid, "Quorvane QvModCat2");
    key(clsid + "\\ProgID", progId);
    key(clsid + "\\VersionIndependentProgID", independent);
    key(clsid + "\\InprocServer32", dll_, "ThreadingModel", "Apartment");
  }
  // The type library's keys are the platform's; the component decides their file.
  const std::string typeLib = "TypeLib\\" + Text(kLibidQvModCat2);
  EXPECT_EQ(Sz(dll_), Value(keys, typeLib + kTypeLibKey));
  EXPECT_EQ(Sz(BesideTheTests("")), Value(keys, typeLib + "\\1.0\\HELPDIR")) << "its folder";
  for (auto entry = keys.begin(); entry != keys.end();)
    entry = entry->first.rfind(typeLib, 0) == 0 ? keys.erase(entry) : std::next(entry);
  EXPECT_EQ(expected, keys);
  EXPECT_EQ(environment, InterfaceKeys()) << "the environment's interfaces are left alone";
  ComRef<ITypeLib> library;
  EXPECT_EQ(S_OK, LoadRegTypeLib(kLibidQvModCat2, 1, 0, 0, library.Put()));

  const Keys written = ComponentKeys();
  ASSERT_EQ(0, Regsvr32("\"" + dll_ + "\""));
  EXPECT_EQ(written, ComponentKeys()) << "registering again writes the same";
  ASSERT_EQ(0, Regsvr32("/u \"" + dll_ + "\""));
  EXPECT_EQ(environment, InterfaceKeys()) << "unregistering removes none of them";
}

TEST_F(Registration, StopsAtTheFirstClassWhoseKeysCannotBeWrittenWithItsError) {
  ASSERT_EQ(0, Regsvr32("/u \"" + dll_ + "\""));
  // The third class's CLSID key exists and may be read and deleted, not written.
  const std::string blocked = "CLSID\\" + Text(kClsidMergeModule2);
  RegKey key;
  ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CLASSES_ROOT, blocked.c_str(), 0, nullptr, 0,
                                           KEY_ALL_ACCESS, nullptr, key.Put(), nullptr));
  PSECURITY_DESCRIPTOR readOnly = nullptr;
  ASSERT_TRUE(ConvertStringSecurityDescriptorToSecurityDescriptorA(
      "D:(A;;KRSD;;;WD)", SDDL_REVISION_1, &readOnly, nullptr));
  EXPECT_EQ(ERROR_SUCCESS, RegSetKeySecurity(key.Get(), DACL_SECURITY_INFORMATION, readOnly));
  LocalFree(readOnly);
  const LoadedLibrary library(LoadLibraryA(dll_.c_str()));
  EXPECT_EQ(HRESULT_FROM_WIN32(ERROR_ACCESS_DENIED),
            reinterpret_cast<HRESULT(STDAPICALLTYPE*)()>(reinterpret_cast<void*>(
                GetProcAddress(library.Get(), "DllRegisterServer")))());
  const Keys keys = ComponentKeys();
  RegDeleteKeyA(HKEY_CLASSES_ROOT, blocked.c_str());
  EXPECT_EQ(1u, keys.count("QvModCat.MergeModule2")) << "the classes before it and its ProgIDs";
  EXPECT_EQ(0u, keys.count("QvLiteModCat.MMCatalogManager") +
                    keys.count("TypeLib\\" + Text(kLibidQvModCat2)))
      << "no later class and no type library";
}

TEST_F(Registration, UnregisteringRemovesWholeTreesAndNeverFails) {
  ASSERT_EQ(0, Regsvr32("\"" + dll_ + "\""));
  const std::string clsid = "CLSID\\" + Text(kClsidMergeModule2);
  const std::string foreignKeys[] = {"QvModCat.MergeModule2.1\\Foreign\\Deeper",
                                     "QvModCat.MergeModule2\\Foreign", clsid + "\\Foreign\\Deeper",
                                     clsid + "\\InprocServer32\\Foreign"};
  for (const std::string& foreign : foreignKeys) {
    RegKey key;
    ASSERT_EQ(ERROR_SUCCESS, RegCreateKeyExA(HKEY_CLASSES_ROOT, foreign.c_str(), 0, nullptr, 0,
                                             KEY_WRITE, nullptr, key.Put(), nullptr));
  }
  ASSERT_EQ(0, Regsvr32("/u \"" + dll_ + "\""));
  EXPECT_EQ(Keys(), ComponentKeys());
  EXPECT_EQ(0, Regsvr32("/u \"" + dll_ + "\"")) << "an unregistered component unregisters";
}

TEST_F(Registration, LibraryWithoutTypeLibraryRegistersTheTlbFileBesideIt) {
  const std::string fallback = BesideTheTests("tlb_fallback\\QvModCat2.dll");
  ASSERT_EQ(0, Regsvr32("\"" + fallback + "\""));
  EXPECT_EQ(Sz(BesideTheTests("tlb_fallback\\QvModCat2.tlb")),
            Value(ComponentKeys(), "TypeLib\\" + Text(kLibidQvModCat2) + kTypeLibKey));

  // Neither in the library nor beside it: registration fails.
  const ScratchFolder scratch(L"qv-no-tlb");
  const std::string alone = scratch.Path().Ansi() + std::string("\\QvModCat2.dll");
  ASSERT_TRUE(CopyFileA(fallback.c_str(), alone.c_str(), FALSE));
  EXPECT_NE(0, Regsvr32("\"" + alone + "\""));
  Regsvr32("/u \"" + alone + "\"");
}

}  // namespace
