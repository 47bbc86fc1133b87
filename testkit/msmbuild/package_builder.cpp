#include "package_builder.h"

#include "build_error.h"
#include "description_parser.h"
#include "msi_database_writer.h"
#include "summary_storage_writer.h"
#include "text_encoding.h"

#include <windows.h>

#include <cstdio>
#include <memory>

namespace msmbuild {
namespace {

using FilePointer = std::unique_ptr<FILE, int (*)(FILE*)>;

std::wstring ParentFolder(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
}

void WriteRawText(const std::vector<std::string>& lines, const std::wstring& path) {
  FilePointer file(_wfopen(path.c_str(), L"wb"), fclose);
  bool written = static_cast<bool>(file);
  for (const std::string& line : lines) {
    if (!written) break;
    written = fwrite(line.data(), 1, line.size(), file.get()) == line.size() &&
              fwrite("\r\n", 1, 2, file.get()) == 2;
  }
  if (!written || fclose(file.release()) != 0)
    throw BuildError(0, "cannot write " + Utf8FromWide(path));
}

// The output appears complete or not at all: it is built beside its final name and moved there.
class PartialOutput {
 public:
  explicit PartialOutput(const std::wstring& finalPath)
      : finalPath_(finalPath), path_(finalPath + L".partial") {
    const std::wstring folder = ParentFolder(finalPath);
    if (!folder.empty() && !CreateFolderPath(folder))
      throw BuildError(0, "cannot create the folder " + Utf8FromWide(folder));
    DeleteFileW(path_.c_str());
  }
  ~PartialOutput() {
    if (!committed_) DeleteFileW(path_.c_str());
  }
  PartialOutput(const PartialOutput&) = delete;
  PartialOutput& operator=(const PartialOutput&) = delete;

  const std::wstring& Path() const { return path_; }
  void Commit() {
    if (!MoveFileExW(path_.c_str(), finalPath_.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
      throw BuildError(0, "cannot replace " + Utf8FromWide(finalPath_) + " (error " +
                              std::to_string(GetLastError()) + ")");
    committed_ = true;
  }

 private:
  std::wstring finalPath_;
  std::wstring path_;
  bool committed_ = false;
};

}  // namespace

bool CreateFolderPath(const std::wstring& folder) {
  const DWORD attributes = GetFileAttributesW(folder.c_str());
  if (attributes != INVALID_FILE_ATTRIBUTES) return (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  const std::wstring parent = ParentFolder(folder);
  // Stop at a drive ("C:") or the root.
  if (!parent.empty() && parent.back() != L':' && !CreateFolderPath(parent)) return false;
  return CreateDirectoryW(folder.c_str(), nullptr) || GetLastError() == ERROR_ALREADY_EXISTS;
}

BuildResult BuildPackageFromText(const std::string& descriptionUtf8, const std::wstring& outputPath,
                                 const std::wstring& baseFolder) {
  try {
    const PackageDescription description = ParseDescription(descriptionUtf8);
    PartialOutput output(outputPath);
    if (description.isRawText) {
      WriteRawText(description.rawTextLines, output.Path());
    } else {
      WriteDatabase(description, output.Path(), baseFolder);
      WriteStorageLevelSummary(description.summary, output.Path());
    }
    output.Commit();
    return {true, {}};
  } catch (const std::exception& error) {
    return {false, error.what()};
  }
}

BuildResult BuildPackageFromFile(const std::wstring& descriptionPath, const std::wstring& outputPath) {
  FilePointer file(_wfopen(descriptionPath.c_str(), L"rb"), fclose);
  if (!file) return {false, "cannot read " + Utf8FromWide(descriptionPath)};
  std::string text;
  char buffer[4096];
  size_t count;
  while ((count = fread(buffer, 1, sizeof buffer, file.get())) > 0) text.append(buffer, count);
  if (ferror(file.get())) return {false, "cannot read " + Utf8FromWide(descriptionPath)};
  return BuildPackageFromText(text, outputPath, ParentFolder(descriptionPath));
}

}  // namespace msmbuild
