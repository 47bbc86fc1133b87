// Cases made of the environment's files and settings: gallery descriptors, the two lookup
// files, and folder names, paths and search-path lists.
#include "corpus.h"

#include <string>
#include <utility>
#include <vector>

namespace corpus {
namespace {

using Section = std::pair<std::string, std::vector<std::string>>;

const char kGalleryKey[] = "Qv.Gallery:1033";

std::vector<Section> BaseDescriptor() {
  return {
      {"MergeModule",
       {"ModuleID=Qv.Gallery", "Language=1033", "Version=1.0", "FileName=Package",
        "Author=Gallery Authors", "Comments=gallery", "Subject=Gallery Module"}},
      {"Package", {"Location=Modules\\gallery.msm"}},
      {"FilesToDownload", {"F1=Download1"}},
      {"Download1", {"Destination=Modules\\gallery.dll"}},
      {"Dependency", {"Key1=Qv.Dep"}},
      {"Qv.Dep", {"Version=1.0", "Language=1033"}},
      {"Exclusions", {"Key1=Qv.Ex"}},
      {"Qv.Ex", {"ExcludedMinVersion=1", "ExcludedMaxVersion=2", "ExcludedLanguage=0"}},
      {"Files", {"Key1=GalleryFile"}},
      {"GalleryFile", {"FileName=gallery.dll", "Version=1.0", "FileSize=10", "Language=1033"}},
      {"DownloadFiles", {"Key1=DownloadA"}},
      {"DownloadA", {"Location=a", "MediaLocation=b", "InternetLocation=http://x/a", "FileSize=5",
                     "CheckSum=abc"}},
  };
}

std::string Text(const std::vector<Section>& sections) {
  std::string text;
  for (const Section& section : sections) {
    text += "[" + section.first + "]\r\n";
    for (const std::string& line : section.second) text += line + "\r\n";
  }
  return text;
}

std::vector<Section> With(std::vector<Section> sections, const std::string& name,
                          std::vector<std::string> lines) {
  for (Section& section : sections)
    if (section.first == name) {
      section.second = std::move(lines);
      return sections;
    }
  sections.emplace_back(name, std::move(lines));
  return sections;
}

std::vector<Section> Without(std::vector<Section> sections, const std::string& name) {
  for (auto it = sections.begin(); it != sections.end(); ++it)
    if (it->first == name) {
      sections.erase(it);
      break;
    }
  return sections;
}

std::vector<std::string> Numbered(const std::string& prefix, const std::string& value, int count) {
  std::vector<std::string> lines;
  for (int i = 1; i <= count; ++i) lines.push_back(prefix + std::to_string(i) + "=" + value);
  return lines;
}

void DescriptorCase(Corpus& corpus, const std::string& name, const std::string& text,
                    const std::string& file = "gallery.ini") {
  corpus.PackageFolderCase("descriptors", name);
  corpus.Set("ProductFolder", "$CASE\\product");
  corpus.Write("product\\ObjectGallery\\" + file, text);
  corpus.Write("product\\Modules\\gallery.dll", "present");
  corpus.Set("probe", "gallery.dll");
  corpus.Set("key", kGalleryKey);
  corpus.Set("key", "Qv.Gallery:0");
}

void AddDescriptors(Corpus& corpus) {
  const auto base = BaseDescriptor();
  DescriptorCase(corpus, "complete", Text(base));
  for (const Section& section : base)
    DescriptorCase(corpus, "without-" + section.first, Text(Without(base, section.first)));
  const std::string id = "ModuleID=Qv.Gallery";
  auto module = [&](std::vector<std::string> extra) {
    std::vector<std::string> lines = base[0].second;
    lines.insert(lines.end(), extra.begin(), extra.end());
    return With(base, "MergeModule", lines);
  };
  DescriptorCase(corpus, "empty-module-id", Text(With(base, "MergeModule", {"ModuleID=", "Language=1033"})));
  DescriptorCase(corpus, "module-id-300", Text(With(base, "MergeModule", {"ModuleID=" + std::string(300, 'g')})));
  DescriptorCase(corpus, "module-id-apostrophe", Text(With(base, "MergeModule", {"ModuleID=Qv'Gallery", "FileName=Package"})));
  DescriptorCase(corpus, "healthy-key", Text(With(base, "MergeModule", {"ModuleID=Qv.Healthy.7E1A0000_0000_4000_8000_0000000000AA", "Language=1033"})));
  for (const char* language : {"abc", " -7x", "99999999999999999999999999", "-2147483649"})
    DescriptorCase(corpus, std::string("language=") + language,
                   Text(With(base, "MergeModule", {id, std::string("Language=") + language})));
  DescriptorCase(corpus, "language-300-digits", Text(With(base, "MergeModule", {id, "Language=" + std::string(300, '9')})));
  for (const char* version : {"abc.def", "65536.1.-1.x", "1..........2"})
    DescriptorCase(corpus, std::string("version=") + version,
                   Text(With(base, "MergeModule", {id, "Language=1033", std::string("Version=") + version, "FileName=Package"})));
  DescriptorCase(corpus, "file-numbers-not-numbers",
                 Text(With(base, "GalleryFile", {"FileName=gallery.dll", "FileSize=abc", "Language=x1"})));
  DescriptorCase(corpus, "file-size-huge",
                 Text(With(base, "GalleryFile", {"FileName=gallery.dll", "FileSize=99999999999999999999999"})));
  DescriptorCase(corpus, "download-size-negative-text", Text(With(base, "DownloadA", {"FileSize=-x", "CheckSum="})));
  DescriptorCase(corpus, "duplicate-module-id", Text(module({"ModuleID=Qv.Other", "Language=9"})));
  DescriptorCase(corpus, "duplicate-section", Text(base) + "[MergeModule]\r\nModuleID=Qv.Second\r\n");
  DescriptorCase(corpus, "duplicate-file-keys", Text(With(base, "Files", {"Key1=GalleryFile", "Key1=Other", "key1=GalleryFile"})));
  DescriptorCase(corpus, "file-name-names-own-section", Text(module({"FileName=MergeModule", "Location=Modules"})));
  DescriptorCase(corpus, "file-name-names-missing-section", Text(module({"FileName=NoSuchSection"})));
  DescriptorCase(corpus, "location-300", Text(With(base, "Package", {"Location=" + std::string(300, 'l')})));
  DescriptorCase(corpus, "location-absolute-and-up", Text(With(base, "Package", {"Location=..\\..\\..\\..\\..\\..\\x.msm"})));
  DescriptorCase(corpus, "location-unset-variable", Text(With(base, "Package", {"Location=%QV_HOSTILE_UNSET%\\x.msm"})));
  DescriptorCase(corpus, "location-is-folder", Text(With(base, "Package", {"Location=Modules"})));
  DescriptorCase(corpus, "download-names-itself", Text(With(base, "FilesToDownload", {"F1=FilesToDownload", "Destination=Modules\\gallery.dll"})));
  DescriptorCase(corpus, "download-sections-circular",
                 Text(With(With(base, "FilesToDownload", {"F1=A", "F2=B"}), "A", {"F=B", "Destination=B"})) +
                     "[B]\r\nF=A\r\nDestination=A\r\n");
  DescriptorCase(corpus, "download-names-merge-module", Text(With(base, "FilesToDownload", {"F1=MergeModule"})));
  DescriptorCase(corpus, "download-destination-300", Text(With(base, "Download1", {"Destination=" + std::string(300, 'd')})));
  DescriptorCase(corpus, "download-1000-keys", Text(With(base, "FilesToDownload", Numbered("F", "Download1", 1000))));
  DescriptorCase(corpus, "files-1000-keys", Text(With(base, "Files", Numbered("Key", "GalleryFile", 1000))));
  DescriptorCase(corpus, "files-key-gaps", Text(With(base, "Files", {"Key1=GalleryFile", "Key3=GalleryFile", "Other=x"})));
  DescriptorCase(corpus, "entries-name-missing-sections",
                 Text(With(With(base, "Dependency", {"Key1=Nowhere"}), "Files", {"Key1=Nowhere", "Key2="})));
  DescriptorCase(corpus, "dependency-on-itself", Text(With(base, "Dependency", {"Key1=Qv.Gallery"})) +
                                                     "[Qv.Gallery]\r\nVersion=1.0\r\nLanguage=1033\r\n");
  DescriptorCase(corpus, "odd-lines",
                 "before=section\r\n[MergeModule\r\nModuleID=Qv.Gallery\r\n=novalue\r\nnoequals\r\n"
                 "; comment\r\n[]\r\n[Files]\r\nKey1\r\n");
  DescriptorCase(corpus, "empty-file", "");
  DescriptorCase(corpus, "binary", Bytes("\0\x01\xFF[\x80]\r\n=\0"));
  DescriptorCase(corpus, "utf16", Bytes("\xFF\xFE[\0M\0e\0r\0g\0e\0M\0o\0d\0u\0l\0e\0]\0\r\0\n\0") +
                                      Bytes("M\0o\0d\0u\0l\0e\0I\0D\0=\0Q\0v\0.\0U\0\r\0\n\0"));
  DescriptorCase(corpus, "non-ascii-name", Text(base), "m\xC3\xB3" "dulo.ini");
  DescriptorCase(corpus, "long-name", Text(base), std::string(180, 'n') + ".ini");
  DescriptorCase(corpus, "folder-named-ini", Text(base));
  corpus.Folder("product\\ObjectGallery\\folder.ini");
}

void LookupCase(Corpus& corpus, const std::string& name, const std::string& modules,
                const std::string& files) {
  corpus.PackageFolderCase("lookup_files", name);
  corpus.Set("fresh", "1");
  corpus.Set("ModulesIniFolder", "$CASE\\ini");
  corpus.Set("FilesIniFolder", "$CASE\\ini");
  corpus.Write("ini\\modules.ini", modules);
  corpus.Write("ini\\FilesToModules.ini", files);
  for (const char* probe : {"nocolon.dll", "colon.dll", "zero.dll", "double.dll", "version.dll",
                            "language.dll", "long.dll", "\xC3\xA9t\xC3\xA9.dll", "UPPER.DLL", "x"})
    corpus.Set("probe", probe);
  corpus.Set("key", "Qv.Named:1033");
  corpus.Set("key", std::string(300, 'k') + ":0");
}

void AddLookupFiles(Corpus& corpus) {
  const std::string odd =
      "[FilesToModules]\r\nnocolon.dll=ModX\r\ncolon.dll=:\r\nzero.dll=0:\r\ndouble.dll=::\r\n"
      "version.dll=1.0:Qv.Named\r\nlanguage.dll=0:Qv.Named:abc\r\nlong.dll=0:" +
      std::string(5000, 'L') + "\r\n" + std::string(300, 'k') + ".dll=0:K\r\n\xE9t\xE9.dll=0:Qv.Named:1033\r\n"
      "UPPER.DLL=0:Qv.Named\r\nhealthy.dll=0:Qv.Healthy.7E1A0000_0000_4000_8000_0000000000AA:1033\r\n";
  const std::string names = "[modules]\r\nQv.Named:1033=Named\r\nqv.named:1033=lower\r\n" +
                            std::string(300, 'k') + ":0=" + std::string(5000, 'v') + "\r\n=empty\r\nnoequals\r\n";
  LookupCase(corpus, "odd-entries", names, odd);
  LookupCase(corpus, "empty-files", "", "");
  LookupCase(corpus, "no-sections", "Qv.Named:1033=Named\r\n", "zero.dll=0:X\r\n");
  LookupCase(corpus, "wrong-sections", "[Modules2]\r\nQv.Named:1033=x\r\n", "[Files]\r\nzero.dll=0:X\r\n");
  LookupCase(corpus, "unclosed-headers", "[modules\r\nQv.Named:1033=x\r\n", "[FilesToModules\r\nzero.dll=0:X\r\n");
  LookupCase(corpus, "utf16", Bytes("\xFF\xFE[\0m\0o\0d\0u\0l\0e\0s\0]\0\n\0a\0=\0b\0\n\0"),
             Bytes("\xFF\xFE[\0F\0i\0l\0e\0s\0T\0o\0M\0o\0d\0u\0l\0e\0s\0]\0\n\0x\0=\0:\0"));
  LookupCase(corpus, "binary", Bytes("\0\xFF\x01[modules]\0=\0"), Bytes("\x80\x81\0\0"));
  std::string many = "[FilesToModules]\r\n", manyNames = "[modules]\r\n";
  for (int i = 0; i < 1000; ++i) {
    many += "f" + std::to_string(i) + ".dll=0:Qv.M" + std::to_string(i) + "\r\n";
    manyNames += "Qv.M" + std::to_string(i) + ":0=Module " + std::to_string(i) + "\r\n";
  }
  LookupCase(corpus, "1000-entries", manyNames, many);
  corpus.Set("probe", "f999.dll");
  LookupCase(corpus, "missing-folder", "", "");
  corpus.Set("ModulesIniFolder", "$CASE\\absent");
  corpus.Set("FilesIniFolder", "%QV_HOSTILE_UNSET%");
  LookupCase(corpus, "folders-named-like-files", "", "");
  corpus.Set("ModulesIniFolder", "$CASE\\dirs");
  corpus.Set("FilesIniFolder", "$CASE\\dirs\\");
  corpus.Folder("dirs\\modules.ini");
  corpus.Folder("dirs\\FilesToModules.ini");
}

void PathCase(Corpus& corpus, const std::string& name, const std::string& list) {
  corpus.PackageFolderCase("paths", name);
  corpus.Set("SearchPathList", list);
}

void AddPaths(Corpus& corpus) {
  const std::string probe = "Qv.Probe.7E1A0000_0000_4000_8000_000000000001";
  const std::string accented = "M\xC3\xB3" "dulos \xC3\x9Cn\xC3\xAF \xE2\x82\xAC";  // in 1252
  PathCase(corpus, "non-ascii-folder", "$CASE\\" + accented);
  corpus.Build(accented + "\\probe.msm", ProbePackage(probe));
  corpus.Healthy(accented);
  PathCase(corpus, "non-ascii-package-name", "$CASE\\pkgs");
  corpus.Build("pkgs\\paquete_\xC3\xA9\xE2\x82\xAC.msm", ProbePackage(probe));
  PathCase(corpus, "non-ascii-file-names", "$CASE\\pkgs");
  corpus.Build("pkgs\\probe.msm", ProbePackage(probe)
                                      .SetCell("File", 0, "FileName", "NAIVE~1.DLL|na\xC3\xAFve.dll")
                                      .SetCell("Directory", 2, "DefaultDir", "\xC3\x9Cmlaut"));
  corpus.Set("probe", "na\xC3\xAFve.dll");
  corpus.Set("probe", "[SystemFolder]\xC3\x9Cmlaut\\na\xC3\xAFve.dll");
  const std::string cyrillic = "\xD0\x9C\xD0\xBE\xD0\xB4";  // outside 1252
  PathCase(corpus, "folder-outside-code-page", "$CASE\\" + cyrillic + ",$CASE\\pkgs");
  corpus.Build(cyrillic + "\\probe.msm", ProbePackage(probe));

  // Package paths and folder paths around the 260-character limit.
  for (size_t length : {250u, 259u, 260u, 261u, 300u}) {
    PathCase(corpus, "package-path-" + std::to_string(length), "$CASE\\long,$CASE\\pkgs");
    const size_t folder = corpus.CaseFolder().size() + 6;  // "\long\"
    const size_t fill = length > folder + 4 ? length - folder - 4 : 1;
    corpus.Build("long\\" + std::string(fill, 'p') + ".msm", ProbePackage(probe));
    PathCase(corpus, "folder-path-" + std::to_string(length), "$CASE\\pkgs,$CASE\\" +
             std::string(length - corpus.CaseFolder().size() - 1, 'f'));
    corpus.Build(std::string(length - corpus.CaseFolder().size() - 1, 'f') + "\\probe.msm",
                 ProbePackage(probe));
  }

  PathCase(corpus, "empty-entries", ",,$CASE\\pkgs,,,");
  PathCase(corpus, "only-commas", ",,,");
  corpus.Set("ExtraSearchPathList", ",$CASE\\pkgs,");
  PathCase(corpus, "both-lists-same-folder", "$CASE\\pkgs");
  corpus.Set("ExtraSearchPathList", "$CASE\\pkgs,$CASE\\pkgs\\");
  PathCase(corpus, "trailing-backslash", "$CASE\\pkgs\\");
  PathCase(corpus, "blanks-quotes-semicolons", " $CASE\\pkgs ,\"$CASE\\pkgs\",$CASE\\pkgs;$CASE,$CASE\\pkgs");
  PathCase(corpus, "unset-variables", "%QV_HOSTILE_UNSET%\\x,%QV_HOSTILE_UNSET%,%,%%,$CASE\\pkgs");
  PathCase(corpus, "set-variable", "%QV_HOSTILE_DIR%\\pkgs");
  corpus.Set("env:QV_HOSTILE_DIR", "$CASE");
  PathCase(corpus, "expansion-past-1024", "%QV_HOSTILE_HUGE%,%QV_HOSTILE_HUGE%\\x,$CASE\\pkgs");
  corpus.Set("env:QV_HOSTILE_HUGE", std::string(2000, 'h'));
  std::string missing, same, distinct;
  for (int i = 0; i < 1000; ++i) {
    missing += "$CASE\\absent" + std::to_string(i) + ",";
    same += "$CASE\\pkgs,";
    distinct += "$CASE\\f" + std::to_string(i) + ",";
  }
  PathCase(corpus, "1000-missing-entries", missing + "$CASE\\pkgs");
  PathCase(corpus, "1000-same-entries", same);
  PathCase(corpus, "1000-distinct-folders", distinct + "$CASE\\pkgs");
  for (int i = 0; i < 1000; ++i) corpus.Folder("f" + std::to_string(i));
  PathCase(corpus, "1000-indexed-folders", "$CASE\\pkgs");
  for (int i = 0; i < 1000; ++i)
    corpus.Set("ModuleFolder" + std::to_string(i), i % 2 ? "$CASE\\pkgs" : "$CASE\\absent");
  PathCase(corpus, "indexed-folders-odd", "$CASE\\pkgs");
  corpus.Set("ModuleFolder0", "%QV_HOSTILE_DIR%");
  corpus.Set("ModuleFolder1", "$CASE\\pkgs\\");
  corpus.Set("ModuleFolder3", "$CASE");
  PathCase(corpus, "excluded-patterns-odd", "$CASE\\pkgs");
  corpus.Set("ExcludedFilePatterns", ",, ,\t,[,%PATH%," + std::string(300, '*') + ",probe.*,*.x,");
  corpus.Build("pkgs\\probe.msm", ProbePackage(probe));
  PathCase(corpus, "preferred-language-odd", "$CASE\\pkgs");
  corpus.Set("PreferredLanguage", std::string(300, '9'));
  corpus.Set("key", "Qv.Healthy.7E1A0000_0000_4000_8000_0000000000AA:0");
}

}  // namespace

void AddEnvironmentCases(Corpus& corpus) {
  AddDescriptors(corpus);
  AddLookupFiles(corpus);
  AddPaths(corpus);
}

}  // namespace corpus
