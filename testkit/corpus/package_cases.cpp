// Cases made of packages: damaged files, files that are no packages, missing tables, odd field
// values, odd characters in keys and names, odd Directory graphs and odd summary information.
#include "compound_file.h"
#include "corpus.h"

#include <cstdint>
#include <string>
#include <vector>

namespace corpus {
namespace {

const char kProbeId[] = "Qv.Probe.7E1A0000_0000_4000_8000_000000000001";

// Fixed-seed generator, so that the damaged packages are the same on every run.
struct Lcg {
  uint32_t state;
  uint32_t Next() { return state = state * 1664525u + 1013904223u; }
};

void AddMutated(Corpus& corpus) {
  const std::vector<Package> bases = {ProbePackage(kProbeId),
                                      ProbePackage("Qv.Mutant.7E1A0000_0000_4000_8000_000000000002")
                                          .Drop("Dialog")
                                          .Drop("CustomAction")};
  for (size_t b = 0; b < bases.size(); ++b) {
    const std::vector<uint8_t> bytes = corpus.BuildBytes(bases[b]);
    const std::string tag = "base" + std::to_string(b);
    for (size_t size : {size_t{1}, size_t{8}, size_t{511}, size_t{512}, size_t{513},
                        size_t{1536}, bytes.size() / 2, bytes.size() - 512, bytes.size() - 1}) {
      corpus.PackageFolderCase("mutated", tag + "-truncated-" + std::to_string(size));
      corpus.Write("pkgs\\damaged.msm", std::string(bytes.begin(), bytes.begin() + size));
      corpus.Set("load", "$CASE\\pkgs\\damaged.msm");
    }
    for (uint32_t seed = 1; seed <= 16; ++seed) {
      std::vector<uint8_t> damaged = bytes;
      Lcg random{seed * 7919u + static_cast<uint32_t>(b)};
      // Few flips anywhere, many flips, or flips confined to the header and first sectors.
      const uint32_t flips = seed % 3 == 0 ? 64 : seed % 3 == 1 ? 1 : 8;
      const size_t span = seed % 4 == 0 ? 2048 : damaged.size();
      for (uint32_t i = 0; i < flips; ++i) {
        const uint32_t bit = random.Next() >> 8;
        damaged[(bit / 8) % span] ^= static_cast<uint8_t>(1u << (bit % 8));
      }
      corpus.PackageFolderCase("mutated", tag + "-flipped-seed" + std::to_string(seed));
      corpus.Write("pkgs\\damaged.msm", std::string(damaged.begin(), damaged.end()));
      corpus.Set("load", "$CASE\\pkgs\\damaged.msm");
    }
  }
}

// Sound compound files whose string table the installer's open cannot read, which crashes
// Wine's msi.dll: the component must refuse them before the installer sees them.
void AddUnreadableStringTables(Corpus& corpus) {
  const std::vector<uint8_t> bytes = corpus.BuildBytes(ProbePackage(kProbeId));
  if (bytes.empty()) return;  // counted as a failure
  const auto add = [&](const std::string& name, const auto& edit) {
    CompoundFileBytes file(bytes);
    edit(file);
    corpus.PackageFolderCase("mutated", name);
    corpus.Write("pkgs\\damaged.msm", file.Text());
    corpus.Set("refused", "$CASE\\pkgs\\damaged.msm");
  };
  const std::wstring pool = PackedTableStreamName("_StringPool");
  add("streams-renamed", [](CompoundFileBytes& file) {
    for (size_t i = 1; i < file.Entries().size(); ++i)
      if (file.Word16(file.Entries()[i] + 0x40) != 0) file.SetWord16(file.Entries()[i], 'X');
  });
  add("string-pool-code-page-unknown", [&](CompoundFileBytes& file) {
    file.SetWord16(file.StreamStart(file.Entry(pool)), 12345);
  });
  // The root's first child is the first table written, and the string streams sort after it.
  add("string-streams-out-of-tree-order", [](CompoundFileBytes& file) {
    const size_t top = file.Entries().at(file.Word32(file.Entries().front() + 0x4C));
    const uint32_t left = file.Word32(top + 0x44), right = file.Word32(top + 0x48);
    file.SetWord32(top + 0x44, right);
    file.SetWord32(top + 0x48, left);
  });
  add("small-streams-past-the-root-size", [](CompoundFileBytes& file) {
    file.SetWord32(file.Entries().front() + 0x78, 64);
  });
}

void AddNotPackages(Corpus& corpus) {
  const std::string header("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8);
  const std::vector<std::pair<std::string, std::string>> files = {
      {"empty", ""},
      {"text", "This is not a package.\r\n"},
      {"utf16-text", Bytes("\xFF\xFE" "n\0o\0t\0")},
      {"signature-only", header},
      {"header-sector", header + std::string(504, '\0')},
      {"zeros-64k", std::string(65536, '\0')},
      {"zip", Bytes("PK\x03\x04") + std::string(60, 'z')},
  };
  for (const auto& file : files) {
    corpus.PackageFolderCase("not_package", file.first);
    corpus.Write("pkgs\\bogus.msm", file.second);
    corpus.Set("load", "$CASE\\pkgs\\bogus.msm");
  }
  corpus.PackageFolderCase("not_package", "folder-named-msm");
  corpus.Folder("pkgs\\x.msm");
  corpus.Set("load", "$CASE\\pkgs\\x.msm");
  corpus.PackageFolderCase("not_package", "folder-named-msm-holding-package");
  corpus.Build("pkgs\\y.msm\\inner.msm", ProbePackage(kProbeId));
  corpus.PackageFolderCase("not_package", "indexed-folder-entries");
  corpus.Folder("pkgs\\z.msm");
  corpus.Write("pkgs\\plain\\note.msm", "text");
  corpus.Set("ModuleFolder0", "$CASE\\pkgs\\z.msm");
  corpus.Set("ModuleFolder1", "$CASE\\pkgs\\plain");
  corpus.Set("ModuleFolder2", "$CASE\\pkgs\\plain\\note.msm");
  corpus.Set("ModuleFolder3", "$CASE\\pkgs");
  corpus.PackageFolderCase("not_package", "missing-load-target");
  corpus.Set("load", "$CASE\\pkgs\\absent.msm");
  corpus.Set("load", "");
}

void AddMissingTables(Corpus& corpus) {
  for (const Table& table : ProbePackage(kProbeId).tables) {
    corpus.PackageFolderCase("tables", "without-" + table.name);
    corpus.Build("pkgs\\probe.msm", ProbePackage(kProbeId).Drop(table.name));
    corpus.PackageFolderCase("tables", "empty-" + table.name);
    Package package = ProbePackage(kProbeId);
    package.Find(table.name)->rows.clear();
    corpus.Build("pkgs\\probe.msm", package);
  }
  corpus.PackageFolderCase("tables", "no-tables");
  Package bare = ProbePackage(kProbeId);
  bare.tables.clear();
  corpus.Build("pkgs\\probe.msm", bare);
}

// Every column the catalog reads: table, column, type that admits null, integer or not.
struct Column {
  const char* table;
  const char* name;
  const char* nullableType;
  bool integer;
};
const Column kReadColumns[] = {
    {"ModuleSignature", "ModuleID", "S72*", false}, {"ModuleSignature", "Language", "I2*", true},
    {"ModuleSignature", "Version", "S32", false},
    {"ModuleDependency", "RequiredID", "S72*", false},
    {"ModuleDependency", "RequiredLanguage", "I2*", true},
    {"ModuleDependency", "RequiredVersion", "S32", false},
    {"ModuleExclusion", "ExcludedID", "S72*", false},
    {"ModuleExclusion", "ExcludedLanguage", "I2*", true},
    {"ModuleExclusion", "ExcludedMinVersion", "S32", false},
    {"ModuleExclusion", "ExcludedMaxVersion", "S32", false},
    {"Dialog", "Dialog", "S72*", false}, {"CustomAction", "Action", "S72*", false},
    {"File", "File", "S72*", false}, {"File", "Component_", "S72", false},
    {"File", "FileName", "L255", false}, {"File", "FileSize", "I4", true},
    {"File", "Version", "S72", false}, {"File", "Language", "S20", false},
    {"File", "Sequence", "I4", true}, {"Component", "Component", "S72*", false},
    {"Component", "Directory_", "S72", false}, {"Directory", "Directory", "S72*", false},
    {"Directory", "Directory_Parent", "S72", false}, {"Directory", "DefaultDir", "L255", false},
    {"Property", "Property", "S72*", false}, {"Property", "Value", "L0", false},
};

void AddFieldValues(Corpus& corpus) {
  for (const Column& column : kReadColumns) {
    const std::string name = std::string(column.table) + "." + column.name;
    // The last row of Directory is the one the probe file's component uses.
    const size_t row = std::string(column.table) == "Directory" ? 2 : 0;
    corpus.PackageFolderCase("fields", name + "-null");
    corpus.Build("pkgs\\probe.msm", ProbePackage(kProbeId).SetCell(column.table, row, column.name,
                                                                   "<null>", column.nullableType));
    if (column.integer) {
      const bool small = column.nullableType[1] == '2';
      for (const char* value : {small ? "32767" : "2147483647", small ? "-32767" : "-2147483647"}) {
        corpus.PackageFolderCase("fields", name + "=" + value);
        corpus.Build("pkgs\\probe.msm",
                     ProbePackage(kProbeId).SetCell(column.table, row, column.name, value));
      }
    } else {
      corpus.PackageFolderCase("fields", name + "-300-characters");
      corpus.Build("pkgs\\probe.msm", ProbePackage(kProbeId).SetCell(
                                          column.table, row, column.name, "<repeat 300 w>"));
      corpus.Set("probe", std::string(300, 'w'));
    }
  }
}

// Apostrophes, quotes, brackets and percent signs in keys and names.
void AddOddCharacters(Corpus& corpus) {
  const std::vector<std::pair<std::string, std::string>> marks = {
      {"apostrophe", "it's"}, {"quote", "say\"hi\""}, {"brackets", "[Sys]x]["}, {"percent", "%PATH%x%"}};
  for (const auto& mark : marks) {
    const std::string& odd = mark.second;
    auto add = [&](const std::string& place, const Package& package) {
      corpus.PackageFolderCase("odd_characters", place + "-" + mark.first);
      corpus.Build("pkgs\\probe.msm", package);
      corpus.Set("probe", odd + ".dll");
      corpus.Set("probe", "[SystemFolder]" + odd + "\\" + odd + ".dll");
      corpus.Set("key", odd + ":1033");
      corpus.Set("key", odd + ":0");
    };
    add("module-id", ProbePackage(odd).SetCell("ModuleSignature", 0, "ModuleID", odd));
    add("file", ProbePackage(kProbeId)
                    .SetCell("File", 0, "File", odd)
                    .SetCell("File", 0, "FileName", odd + ".dll"));
    add("component", ProbePackage(kProbeId)
                         .SetCell("Component", 0, "Component", odd)
                         .SetCell("File", 0, "Component_", odd));
    add("directory", ProbePackage(kProbeId)
                         .SetCell("Directory", 2, "Directory", odd)
                         .SetCell("Component", 0, "Directory_", odd));
    add("default-dir", ProbePackage(kProbeId).SetCell("Directory", 2, "DefaultDir", odd));
    add("dialog-and-action", ProbePackage(kProbeId)
                                 .SetCell("Dialog", 0, "Dialog", odd)
                                 .SetCell("CustomAction", 0, "Action", odd));
    add("required-and-excluded", ProbePackage(kProbeId)
                                     .SetCell("ModuleDependency", 0, "RequiredID", odd)
                                     .SetCell("ModuleExclusion", 0, "ExcludedID", odd));
    add("property", ProbePackage(kProbeId)
                        .SetCell("Property", 0, "Property", "TARGETDIR")
                        .SetCell("Property", 0, "Value", odd));
  }
  // Case folders are named by the label: a folder path in a search list must not hold "%" or ",".
  const std::vector<std::pair<std::string, std::string>> files = {
      {"apostrophe", "it's.msm"}, {"percent", "%PATH%.msm"}, {"brackets", "[x].msm"},
      {"separators", "a;b,c.msm"}};
  for (const auto& file : files) {
    corpus.PackageFolderCase("odd_characters", "package-named-" + file.first);
    corpus.Build("pkgs\\" + file.second, ProbePackage(kProbeId));
  }
}

// Directory graphs the walk from a file's folder must survive; ProbeDir is the file's folder.
void AddDirectoryGraphs(Corpus& corpus) {
  using Rows = std::vector<std::vector<std::string>>;
  auto add = [&](const std::string& name, const Rows& extra, const std::string& folder) {
    Package package = ProbePackage(kProbeId);
    Table* directory = package.Find("Directory");
    directory->rows.resize(2);  // TARGETDIR and SystemFolder
    for (const auto& row : extra) directory->rows.push_back(row);
    package.SetCell("Component", 0, "Directory_", folder);
    corpus.PackageFolderCase("directories", name);
    corpus.Build("pkgs\\probe.msm", package);
  };
  add("self-parent", {{"ProbeDir", "ProbeDir", "Probe"}}, "ProbeDir");
  add("two-cycle", {{"ProbeDir", "Other", "Probe"}, {"Other", "ProbeDir", "Other"}}, "ProbeDir");
  add("three-cycle", {{"ProbeDir", "B", "a"}, {"B", "C", "b"}, {"C", "ProbeDir", "c"}}, "ProbeDir");
  add("dot-self-parent", {{"ProbeDir", "ProbeDir", "."}}, "ProbeDir");
  add("dot-cycle", {{"ProbeDir", "Other", "."}, {"Other", "ProbeDir", "."}}, "ProbeDir");
  add("cycle-below-dot", {{"ProbeDir", "Other", "."}, {"Other", "ProbeDir", "o"}}, "ProbeDir");
  add("dangling-parent", {{"ProbeDir", "Nowhere", "Probe"}}, "ProbeDir");
  add("dangling-component-directory", {}, "Nowhere");
  add("root-without-targetdir", {{"ProbeDir", "<null>", "Probe"}}, "ProbeDir");
  add("sourcedir-under-cycle", {{"ProbeDir", "Top", "Probe"}, {"Top", "Top", "SourceDir"}},
      "ProbeDir");
  Rows deep;
  for (int level = 0; level < 150; ++level)
    deep.push_back({"D" + std::to_string(level),
                    level == 0 ? "SystemFolder" : "D" + std::to_string(level - 1),
                    "Level" + std::to_string(level)});
  add("deep-chain-past-260", deep, "D149");
  Rows wide = deep;
  wide.back()[1] = "D149";  // the deepest level is its own parent
  add("deep-self-parent", wide, "D149");
  const std::string suffix = ".7E1A0000_0000_4000_8000_000000000001";
  add("module-suffix-cycle", {{"ProbeDir" + suffix, "Mod" + suffix, "."}, {"Mod" + suffix, "ProbeDir" + suffix, "m"}},
      "ProbeDir" + suffix);
  add("long-chain-of-300-character-names",
      {{"ProbeDir", "Long", "<repeat 300 n>"}, {"Long", "SystemFolder", "<repeat 300 m>"}}, "ProbeDir");

  Package dangling = ProbePackage(kProbeId);
  dangling.SetCell("File", 0, "Component_", "NoSuchComponent");
  corpus.PackageFolderCase("directories", "dangling-file-component");
  corpus.Build("pkgs\\probe.msm", dangling);
  Package property = ProbePackage(kProbeId);
  property.SetCell("Property", 0, "Property", "TARGETDIR").SetCell("Property", 0, "Value", "<repeat 300 v>");
  corpus.PackageFolderCase("directories", "targetdir-property-300-characters");
  corpus.Build("pkgs\\probe.msm", property);
}

void AddSummaries(Corpus& corpus) {
  const std::vector<std::pair<std::string, std::pair<std::string, std::string>>> cases = {
      {"author-number", {"Author", "#42"}},
      {"comments-number", {"Comments", "#42"}},
      {"subject-number", {"Subject", "#42"}},
      {"revision-number", {"RevisionNumber", "#42"}},
      {"template-number", {"Template", "#7"}},
      {"codepage-932", {"Codepage", "932"}},
      {"comments-259", {"Comments", "<repeat 259 c>"}},
      {"comments-260", {"Comments", "<repeat 260 c>"}},
      {"comments-300", {"Comments", "<repeat 300 c>"}},
      {"comments-4000", {"Comments", "<repeat 4000 c>"}},
      {"author-300", {"Author", "<repeat 300 a>"}},
      {"subject-300", {"Subject", "<repeat 300 s>"}},
      {"revision-300", {"RevisionNumber", "<repeat 300 r>"}},
      {"subject-empty", {"Subject", "<text >"}},
  };
  for (const auto& c : cases) {
    corpus.PackageFolderCase("summary", c.first);
    corpus.Build("pkgs\\probe.msm", ProbePackage(kProbeId).SetSummary(c.second.first, c.second.second));
  }
  for (const char* missing : {"Author", "Comments", "Subject", "RevisionNumber"}) {
    corpus.PackageFolderCase("summary", std::string("without-") + missing);
    corpus.Build("pkgs\\probe.msm", ProbePackage(kProbeId).SetSummary(missing, ""));
  }
  corpus.PackageFolderCase("summary", "without-any");
  Package bare = ProbePackage(kProbeId);
  bare.summary.clear();
  corpus.Build("pkgs\\probe.msm", bare);
}

}  // namespace

// Slot s holds module Qv.Soak<s>:1033 with the file soak<s>.dll; variant v is version 1.0.<v>.
void AddSoakPackages(Corpus& corpus) {
  for (int slot = 0; slot < 6; ++slot)
    for (int variant = 0; variant < 3; ++variant) {
      const std::string s = std::to_string(slot), v = std::to_string(variant);
      corpus.BuildInRoot("soak\\s" + s + "v" + v + ".msm",
                         ProbePackage("Qv.Soak" + s)
                             .SetSummary("Subject", "Soak " + s + " variant " + v)
                             .SetCell("ModuleSignature", 0, "Version", "1.0." + v)
                             .SetCell("File", 0, "File", "soak" + s)
                             .SetCell("File", 0, "FileName", "soak" + s + ".dll")
                             .SetCell("File", 0, "Version", "1.0." + v));
    }
}

void AddPackageCases(Corpus& corpus) {
  AddMutated(corpus);
  AddUnreadableStringTables(corpus);
  AddNotPackages(corpus);
  AddMissingTables(corpus);
  AddFieldValues(corpus);
  AddOddCharacters(corpus);
  AddDirectoryGraphs(corpus);
  AddSummaries(corpus);
}

}  // namespace corpus
