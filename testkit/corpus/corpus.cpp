#include "corpus.h"

#include "package_builder.h"

#include <windows.h>

#include <cstdio>

namespace corpus {

namespace {

// Long paths need the \\?\ form for the wide file functions.
std::wstring Long(const std::wstring& path) {
  return path.size() < 240 ? path : L"\\\\?\\" + path;
}

void MakeFolders(const std::wstring& folder) {
  for (size_t slash = folder.find(L'\\', 3); slash != std::wstring::npos;
       slash = folder.find(L'\\', slash + 1))
    CreateDirectoryW(Long(folder.substr(0, slash)).c_str(), nullptr);
  CreateDirectoryW(Long(folder).c_str(), nullptr);
}

bool WriteBytes(const std::wstring& path, const std::string& bytes) {
  MakeFolders(path.substr(0, path.rfind(L'\\')));
  const HANDLE file =
      CreateFileW(Long(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return false;
  DWORD written = 0;
  const BOOL ok = WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
  CloseHandle(file);
  return ok && written == bytes.size();
}

std::vector<uint8_t> ReadBytes(const std::wstring& path) {
  std::vector<uint8_t> bytes;
  const HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr,
                                  OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return bytes;
  bytes.resize(GetFileSize(file, nullptr));
  DWORD read = 0;
  ReadFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr);
  CloseHandle(file);
  bytes.resize(read);
  return bytes;
}

std::string Join(const std::vector<std::string>& cells) {
  std::string line;
  for (const std::string& cell : cells) line += (line.empty() ? "" : " | ") + cell;
  return line;
}

}  // namespace

Table* Package::Find(const std::string& name) {
  for (Table& table : tables)
    if (table.name == name) return &table;
  return nullptr;
}

Package& Package::Drop(const std::string& name) {
  for (auto it = tables.begin(); it != tables.end(); ++it)
    if (it->name == name) {
      tables.erase(it);
      break;
    }
  return *this;
}

Package& Package::SetSummary(const std::string& name, const std::string& value) {
  for (auto it = summary.begin(); it != summary.end(); ++it)
    if (it->first == name) {
      summary.erase(it);
      break;
    }
  if (!value.empty()) summary.emplace_back(name, value);
  return *this;
}

Package& Package::SetCell(const std::string& name, size_t row, const std::string& column,
                          const std::string& value, const std::string& type) {
  Table* table = Find(name);
  for (size_t i = 0; table && i < table->header.size(); ++i) {
    const std::string plain = table->header[i].substr(0, table->header[i].find(':'));
    if (plain != column) continue;
    if (!type.empty()) table->header[i] = plain + ":" + type;
    if (row < table->rows.size()) table->rows[row][i] = value;
  }
  return *this;
}

std::string Package::Text() const {
  std::string text;
  for (const auto& property : summary)
    text += "summary " + property.first + " = " + property.second + "\n";
  for (const Table& table : tables) {
    text += "table " + table.name + "\n  " + Join(table.header) + "\n";
    for (const auto& row : table.rows) text += "  " + Join(row) + "\n";
  }
  return text;
}

Package ProbePackage(const std::string& id) {
  Package package;
  package.summary = {{"Author", "Hostile Authors"},
                     {"Comments", "Probe module"},
                     {"Subject", "Probe " + id},
                     {"RevisionNumber", "{7E1A0000-0000-4000-8000-000000000001}"},
                     {"Template", "Intel;1033"}};
  package.tables = {
      {"ModuleSignature", {"ModuleID", "Language", "Version"}, {{id, "1033", "1.0.0.0"}}},
      {"ModuleDependency",
       {"ModuleID", "ModuleLanguage", "RequiredID", "RequiredLanguage", "RequiredVersion"},
       {{id, "1033", "Qv.Required", "1033", "2.0"}}},
      {"ModuleExclusion",
       {"ModuleID", "ModuleLanguage", "ExcludedID", "ExcludedLanguage", "ExcludedMinVersion",
        "ExcludedMaxVersion"},
       {{id, "1033", "Qv.Excluded", "0", "1.0", "3.0"}}},
      {"Dialog",
       {"Dialog", "HCentering", "VCentering", "Width", "Height", "Title", "Control_First"},
       {{"ProbeDialog", "50", "50", "370", "270", "Probe", "Next"}}},
      {"CustomAction", {"Action", "Type", "Source", "Target"}, {{"ProbeAction", "51", "P", "1"}}},
      {"Directory",
       {"Directory", "Directory_Parent", "DefaultDir"},
       {{"TARGETDIR", "<null>", "SourceDir"},
        {"SystemFolder", "TARGETDIR", "System"},
        {"ProbeDir", "SystemFolder", "PROBE~1|Probe Files"}}},
      {"Component",
       {"Component", "ComponentId", "Directory_", "Attributes", "KeyPath"},
       {{"ProbeComp", "{7E1A0000-0000-4000-8000-0000000000C1}", "ProbeDir", "0", "probe.dll"}}},
      {"File",
       {"File", "Component_", "FileName", "FileSize", "Version", "Language", "Attributes",
        "Sequence"},
       {{"probe.dll", "ProbeComp", "PROBE~1.DLL|probe.dll", "1000", "1.0.0.0", "1033", "0", "1"}}},
      {"Property", {"Property", "Value"}, {{"ProbeProperty", "probe"}}},
  };
  return package;
}

Package HealthyPackage() {
  Package package = ProbePackage("Qv.Healthy.7E1A0000_0000_4000_8000_0000000000AA");
  package.SetSummary("Subject", "Healthy Module")
      .SetSummary("RevisionNumber", "{7E1A0000-0000-4000-8000-0000000000AA}")
      .SetCell("File", 0, "File", "healthy.dll")
      .SetCell("File", 0, "FileName", "HEALTHY.DLL|healthy.dll")
      .SetCell("File", 0, "Component_", "HealthyComp")
      .SetCell("Component", 0, "Component", "HealthyComp")
      .SetCell("Component", 0, "Directory_", "SystemFolder")
      .SetCell("Component", 0, "KeyPath", "healthy.dll");
  return package;
}

Corpus::Corpus(std::wstring root) : root_(std::move(root)) {
  MakeFolders(root_ + L"\\cases");
  const std::vector<uint8_t> healthy = BuildBytes(HealthyPackage());
  WriteBytes(root_ + L"\\healthy.msm", std::string(healthy.begin(), healthy.end()));
}

Corpus::~Corpus() {
  EndCase();
  WriteBytes(root_ + L"\\manifest.txt", manifest_);
  DeleteFileW((root_ + L"\\build.tmp.msm").c_str());
}

void Corpus::EndCase() {
  if (!line_.empty()) manifest_ += line_ + "\n";
  line_.clear();
}

void Corpus::Begin(const std::string& cls, const std::string& name) {
  EndCase();
  ++cases_;
  caseFolder_ = root_ + L"\\cases\\" + WideFromUtf8(cls) + L"\\" + WideFromUtf8(name);
  MakeFolders(caseFolder_);
  line_ = cls + "\t" + name;
}

void Corpus::Set(const std::string& key, const std::string& value) {
  line_ += "\t" + key + "=" + value;
}

std::vector<uint8_t> Corpus::BuildBytes(const Package& package) {
  const std::wstring scratch = root_ + L"\\build.tmp.msm";
  const msmbuild::BuildResult result = msmbuild::BuildPackageFromText(package.Text(), scratch);
  if (!result.ok) {
    ++failures_;
    std::fprintf(stderr, "%s: cannot build a package: %s\n", line_.substr(0, 60).c_str(),
                 result.error.c_str());
    return {};
  }
  return ReadBytes(scratch);
}

void Corpus::Build(const std::string& relative, const Package& package) {
  const std::vector<uint8_t> bytes = BuildBytes(package);
  Write(relative, std::string(bytes.begin(), bytes.end()));
}

void Corpus::Write(const std::string& relative, const std::string& bytes) {
  if (!WriteBytes(caseFolder_ + L"\\" + WideFromUtf8(relative), bytes)) {
    ++failures_;
    std::fprintf(stderr, "%s: cannot write %s\n", line_.substr(0, 60).c_str(), relative.c_str());
  }
}

void Corpus::BuildInRoot(const std::string& relative, const Package& package) {
  const std::vector<uint8_t> bytes = BuildBytes(package);
  if (!WriteBytes(root_ + L"\\" + WideFromUtf8(relative), std::string(bytes.begin(), bytes.end())))
    ++failures_;
}

void Corpus::Folder(const std::string& relative) { MakeFolders(caseFolder_ + L"\\" + WideFromUtf8(relative)); }

void Corpus::Healthy(const std::string& relative) {
  const std::wstring folder = caseFolder_ + L"\\" + WideFromUtf8(relative);
  MakeFolders(folder);
  if (!CopyFileW((root_ + L"\\healthy.msm").c_str(), Long(folder + L"\\healthy.msm").c_str(),
                 FALSE))
    ++failures_;
  Set("healthy", "$CASE\\" + relative);
}

void Corpus::PackageFolderCase(const std::string& cls, const std::string& name) {
  Begin(cls, name);
  Healthy("pkgs");
  Set("SearchPathList", "$CASE\\pkgs");
}

}  // namespace corpus
