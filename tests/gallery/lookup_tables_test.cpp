// The lookup files "modules.ini" and "FilesToModules.ini", written into the test prefix and
// read through the profile-reader stand-in, and the entries of the file-to-module table.
#include "gallery/gallery_test_support.h"

#include "catalog/lookup_tables.h"
#include "common/com_ref.h"
#include "server/companion_loader.h"

#include <utility>
#include <vector>

namespace {

using Entries = std::vector<std::pair<std::wstring, std::wstring>>;

Entries Contents(const std::map<WideString, WideString>& table) {
  Entries entries;
  for (const auto& entry : table) entries.emplace_back(entry.first.c_str(), entry.second.c_str());
  return entries;
}

class LookupTablesTest : public GalleryTest {
 protected:
  void SetUp() override {
    GalleryTest::SetUp();
    ModuleNames().clear();
    FileModules().clear();
  }
  void TearDown() override {
    ModuleNames().clear();
    FileModules().clear();
    GalleryTest::TearDown();
  }
  static ComRef<IAppFolders> AppFolders() {
    ComRef<IAppFolders> folders;
    EXPECT_EQ(S_OK, CreateAppFolders(folders));
    return folders;
  }
};

// ---------------------------------------------------------------------------------------------
// Entries of the file-to-module table

FileModuleEntry Parsed(const wchar_t* text) {
  FileModuleEntry entry;
  EXPECT_TRUE(ParseFileModuleEntry(text, entry)) << "no module in the entry";
  return entry;
}

TEST(FileModuleEntryTest, QualifierBeforeTheFirstColonAndTheModuleKeyAfterIt) {
  const FileModuleEntry anyVersion = Parsed(L"0:ModA");
  EXPECT_EQ(WideString(L"0"), anyVersion.Qualifier);
  EXPECT_EQ(WideString(L"ModA:0"), anyVersion.ModuleKey) << "a bare ModuleID means language 0";
  EXPECT_TRUE(anyVersion.ForEveryVersion());

  const FileModuleEntry oneVersion = Parsed(L"2.1.0.5:ModB:1033");
  EXPECT_EQ(WideString(L"2.1.0.5"), oneVersion.Qualifier);
  EXPECT_EQ(WideString(L"ModB:1033"), oneVersion.ModuleKey);
  EXPECT_FALSE(oneVersion.ForEveryVersion());

  EXPECT_EQ(WideString(L":0"), Parsed(L"X:").ModuleKey) << "a trailing colon names the key :0";
  EXPECT_EQ(WideString(L""), Parsed(L":ModC:-1").Qualifier);
  EXPECT_EQ(WideString(L"ModC:-1"), Parsed(L":ModC:-1").ModuleKey);
  EXPECT_EQ(WideString(L"A:B:C"), Parsed(L"0:A:B:C").ModuleKey)
      << "only the first colon splits; a module part with a colon gets no language added";
  EXPECT_FALSE(Parsed(L"00:ModA").ForEveryVersion()) << "the qualifier is compared as text";
}

TEST(FileModuleEntryTest, AnEntryWithoutColonNamesNoModule) {
  FileModuleEntry entry{L"before", L"before:1"};
  EXPECT_FALSE(ParseFileModuleEntry(L"ModA", entry));
  EXPECT_FALSE(ParseFileModuleEntry(L"", entry));
  EXPECT_EQ(WideString(L"before"), entry.Qualifier) << "left untouched";
  EXPECT_EQ(WideString(L"before:1"), entry.ModuleKey);
}

// ---------------------------------------------------------------------------------------------
// "modules.ini"

TEST_F(LookupTablesTest, ModulesIniFillsTheDisplayNamesOfItsModulesSection) {
  WriteFile(L"names\\modules.ini",
            "[other]\r\n"
            "ModZ:0=not in the modules section\r\n"
            "[modules]\r\n"
            "ModA:1033=Mod A\r\n"
            "ModB:-1 = Mod B, any language\r\n"
            "Empty:0=\r\n");
  LoadModuleNameTable(Root() + L"\\names");

  EXPECT_EQ((Entries{{L"Empty:0", L""}, {L"ModA:1033", L"Mod A"},
                     {L"ModB:-1", L"Mod B, any language"}}),
            Contents(ModuleNames()));
  WideString name = L"untouched";
  EXPECT_TRUE(LookupDisplayName(L"ModA:1033", name));
  EXPECT_EQ(WideString(L"Mod A"), name);
  name = L"untouched";
  EXPECT_FALSE(LookupDisplayName(L"ModA:0", name)) << "keys match exactly, language included";
  EXPECT_FALSE(LookupDisplayName(L"moda:1033", name)) << "keys are case-sensitive";
  EXPECT_EQ(WideString(L"untouched"), name);
}

TEST_F(LookupTablesTest, ALaterKeyReplacesTheValueAndKeysDifferingInCaseStayApart) {
  WriteFile(L"first\\modules.ini", "[modules]\r\nModA:1033=Mod A\r\nModB:0=Mod B\r\n");
  WriteFile(L"second\\modules.ini", "[modules]\r\nModA:1033=Renamed\r\n");
  WriteFile(L"third\\modules.ini", "[modules]\r\nmoda:1033=lower case\r\n");
  LoadModuleNameTable(Root() + L"\\first");
  LoadModuleNameTable(Root() + L"\\second");
  LoadModuleNameTable(Root() + L"\\third");
  EXPECT_EQ((Entries{{L"ModA:1033", L"Renamed"}, {L"ModB:0", L"Mod B"},
                     {L"moda:1033", L"lower case"}}),
            Contents(ModuleNames()));
}

TEST_F(LookupTablesTest, WithinOneFileTheLastLineOfAKeyWins) {
  // The reader hands out every line by position, repeated names included.
  WriteFile(L"names\\modules.ini",
            "[modules]\r\nModA:1033=first\r\nmoda:1033=other case\r\nModA:1033=last\r\n");
  WriteFile(L"files\\FilesToModules.ini",
            "[FilesToModules]\r\nviewer.dll=0:First\r\nVIEWER.DLL=0:Last\r\n");
  LoadModuleNameTable(Root() + L"\\names");
  LoadFileModuleTable(Root() + L"\\files");
  EXPECT_EQ((Entries{{L"ModA:1033", L"last"}, {L"moda:1033", L"other case"}}),
            Contents(ModuleNames()));
  EXPECT_EQ((Entries{{L"viewer.dll", L"0:Last"}}), Contents(FileModules()))
      << "names that lower-case alike are one key";
}

TEST_F(LookupTablesTest, AMissingFileIsSkippedSilentlyAndLeavesTheTable) {
  ModuleNames()[L"Kept:0"] = L"kept";
  MakeFolder(L"empty");
  EXPECT_NO_THROW(LoadModuleNameTable(Root() + L"\\empty"));
  EXPECT_NO_THROW(LoadFileModuleTable(Root() + L"\\empty"));
  EXPECT_EQ(2u, ProfileOpenCount()) << "each file was looked for";
  EXPECT_EQ((Entries{{L"Kept:0", L"kept"}}), Contents(ModuleNames()));
  EXPECT_TRUE(FileModules().empty());

  // Whatever code Open fails with, the file counts as absent.
  WriteFile(L"names\\modules.ini", "[modules]\r\nModA:0=Mod A\r\n");
  SetText(L"ProfileFailOperation", L"Open");
  SetNumber(L"ProfileFailHResult", 0x80041234);
  EXPECT_NO_THROW(LoadModuleNameTable(Root() + L"\\names"));
  EXPECT_EQ((Entries{{L"Kept:0", L"kept"}}), Contents(ModuleNames()));
}

TEST_F(LookupTablesTest, AFileWithoutTheSectionAddsNothing) {
  WriteFile(L"names\\modules.ini", "[FilesToModules]\r\nviewer.dll=0:ModA\r\n");
  WriteFile(L"names\\FilesToModules.ini", "[modules]\r\nModA:0=Mod A\r\n");
  LoadModuleNameTable(Root() + L"\\names");
  LoadFileModuleTable(Root() + L"\\names");
  EXPECT_TRUE(ModuleNames().empty());
  EXPECT_TRUE(FileModules().empty());
}

// ---------------------------------------------------------------------------------------------
// "FilesToModules.ini"

TEST_F(LookupTablesTest, FileNamesAreLowerCasedThroughTheAnsiCodePage) {
  WriteFile(L"files\\FilesToModules.ini",
            "[FilesToModules]\r\n"
            "VIEWER.DLL=0:ModA\r\n"
            "\xC4RGER.OCX=2.1.0.5:ModB:1033\r\n"  // A with diaeresis in code page 1252
            "Mixed Name.Txt=ModC\r\n");
  LoadFileModuleTable(Root() + L"\\files");
  EXPECT_EQ((Entries{{L"mixed name.txt", L"ModC"}, {L"viewer.dll", L"0:ModA"},
                     {L"\u00e4rger.ocx", L"2.1.0.5:ModB:1033"}}),
            Contents(FileModules()))
      << "keys lower-cased, values kept as written";
}

TEST_F(LookupTablesTest, NamesOutsideTheAnsiCodePageAreStoredAsTheCodePageGivesThem) {
  // A UTF-8 file.  Code page 1252 has no Greek capital omega (its best fit is O, which then
  // lower-cases to o) and nothing at all for a Chinese character.
  WriteFile(L"files\\FilesToModules.ini",
            "\xEF\xBB\xBF[FilesToModules]\r\n"
            "\xCE\xA9MEGA.DLL=0:ModO\r\n"
            "\xE6\xBC\xA2ZI.DLL=0:ModH\r\n");
  LoadFileModuleTable(Root() + L"\\files");
  EXPECT_EQ((Entries{{L"?zi.dll", L"0:ModH"}, {L"omega.dll", L"0:ModO"}}),
            Contents(FileModules()));
}

TEST_F(LookupTablesTest, AFolderEndingInABackslashGivesTheSamePath) {
  WriteFile(L"names\\modules.ini", "[modules]\r\nModA:0=Mod A\r\n");
  WriteFile(L"names\\FilesToModules.ini", "[FilesToModules]\r\nA.DLL=0:ModA\r\n");
  // Behind the \\?\ prefix the file system takes the path as it is: a doubled backslash
  // would not find the file.
  const WideString folder = WideString(L"\\\\?\\") + Root() + L"\\names\\";
  LoadModuleNameTable(folder);
  LoadFileModuleTable(folder);
  EXPECT_EQ((Entries{{L"ModA:0", L"Mod A"}}), Contents(ModuleNames()));
  EXPECT_EQ((Entries{{L"a.dll", L"0:ModA"}}), Contents(FileModules()));
}

// ---------------------------------------------------------------------------------------------
// Failures

TEST_F(LookupTablesTest, AFailureAfterOpenRaisesAndKeepsWhatWasStored) {
  WriteFile(L"names\\modules.ini", "[modules]\r\nModA:0=Mod A\r\nModB:0=Mod B\r\n");
  ModuleNames()[L"Kept:0"] = L"kept";
  SetNumber(L"ProfileFailHResult", 0x80041234);
  for (const wchar_t* operation :
       {L"Sections", L"Sections.Item", L"Section.Keys", L"Keys.Count", L"Keys.Item",
        L"Key.Name", L"Key.Value"}) {
    SetText(L"ProfileFailOperation", operation);
    EXPECT_EQ(static_cast<HRESULT>(0x80041234),
              RaisedCode([&] { LoadModuleNameTable(Root() + L"\\names"); }))
        << operation;
    EXPECT_EQ((Entries{{L"Kept:0", L"kept"}}), Contents(ModuleNames())) << operation;
  }
}

TEST_F(LookupTablesTest, AReaderThatCannotBeCreatedRaises) {
  WriteFile(L"names\\modules.ini", "[modules]\r\nModA:0=Mod A\r\n");
  SetText(L"ProfileFailOperation", L"CreateInstance");
  SetNumber(L"ProfileFailHResult", 0x80041235);
  EXPECT_EQ(static_cast<HRESULT>(0x80041235),
            RaisedCode([&] { LoadModuleNameTable(Root() + L"\\names"); }));
  EXPECT_EQ(0u, ProfileOpenCount());
  EXPECT_TRUE(ModuleNames().empty());
}

// ---------------------------------------------------------------------------------------------
// Both files, from the folders the application services name

TEST_F(LookupTablesTest, BothFilesAreReadFromTheirOwnFolders) {
  WriteFile(L"names\\modules.ini", "[modules]\r\nModA:0=Mod A\r\n");
  WriteFile(L"files\\FilesToModules.ini", "[FilesToModules]\r\nVIEWER.DLL=0:ModA\r\n");
  // Decoys: each file is read only from its own folder.
  WriteFile(L"names\\FilesToModules.ini", "[FilesToModules]\r\nDECOY.DLL=0:Decoy\r\n");
  WriteFile(L"files\\modules.ini", "[modules]\r\nDecoy:0=Decoy\r\n");
  SetText(L"ModulesIniFolder", Root() + L"\\names");
  SetText(L"FilesIniFolder", Root() + L"\\files\\");
  LoadLookupFiles(AppFolders().Get());
  EXPECT_EQ((Entries{{L"ModA:0", L"Mod A"}}), Contents(ModuleNames()));
  EXPECT_EQ((Entries{{L"viewer.dll", L"0:ModA"}}), Contents(FileModules()));
  EXPECT_EQ(2u, ProfileOpenCount());
}

TEST_F(LookupTablesTest, AFailureInModulesIniLeavesFilesToModulesUnread) {
  WriteFile(L"names\\modules.ini", "[modules]\r\nModA:0=Mod A\r\n");
  WriteFile(L"files\\FilesToModules.ini", "[FilesToModules]\r\nVIEWER.DLL=0:ModA\r\n");
  SetText(L"ModulesIniFolder", Root() + L"\\names");
  SetText(L"FilesIniFolder", Root() + L"\\files");
  SetText(L"ProfileFailOperation", L"Keys.Count");
  EXPECT_EQ(E_FAIL, RaisedCode([&] { LoadLookupFiles(AppFolders().Get()); }))
      << "E_FAIL when the injection names no code";
  EXPECT_EQ(1u, ProfileOpenCount()) << "only modules.ini was opened";
  EXPECT_TRUE(FileModules().empty());
}

TEST_F(LookupTablesTest, FailingFolderQueriesRaiseBeforeTheFileIsRead) {
  WriteFile(L"names\\modules.ini", "[modules]\r\nModA:0=Mod A\r\n");
  SetText(L"ModulesIniFolder", Root() + L"\\names");
  SetText(L"FilesIniFolder", Root() + L"\\names");
  const ComRef<IAppFolders> folders = AppFolders();
  SetNumber(L"FailHResult", 0x80041236);

  SetText(L"FailOperation", L"GetModulesIniFolder");
  EXPECT_EQ(static_cast<HRESULT>(0x80041236), RaisedCode([&] { LoadLookupFiles(folders.Get()); }));
  EXPECT_EQ(0u, ProfileOpenCount());

  SetText(L"FailOperation", L"GetFilesIniFolder");
  EXPECT_EQ(static_cast<HRESULT>(0x80041236), RaisedCode([&] { LoadLookupFiles(folders.Get()); }));
  EXPECT_EQ(1u, ProfileOpenCount()) << "modules.ini was read before the second folder was asked";
  EXPECT_EQ((Entries{{L"ModA:0", L"Mod A"}}), Contents(ModuleNames()));
}

}  // namespace
