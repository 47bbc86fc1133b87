// msmbuild: builds merge module packages from text descriptions (see README.md).
//
//   msmbuild <description.msm.txt>... [-o <output folder>]
//   msmbuild --dir <descriptions folder> -o <output folder>
//
// Exit code 0 when every package was built, 1 when any failed, 2 for a wrong command line.

#include "package_builder.h"
#include "text_encoding.h"

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cwctype>
#include <set>
#include <string>
#include <vector>

namespace {

constexpr wchar_t DescriptionSuffix[] = L".msm.txt";
constexpr size_t DescriptionSuffixLength = sizeof(DescriptionSuffix) / sizeof(wchar_t) - 1;
// A product database (a test that installs a module carries it in one) is described alike.
constexpr wchar_t ProductDescriptionSuffix[] = L".msi.txt";

constexpr char Usage[] =
    "usage: msmbuild <description.msm.txt>... [-o <output folder>]\n"
    "       msmbuild --dir <descriptions folder> -o <output folder>\n"
    "\n"
    "Builds a merge module package <name>.msm from each description <name>.msm.txt (a product\n"
    "database <name>.msi from <name>.msi.txt) through msi.dll.  Without -o the packages go to\n"
    "the current folder.  With --dir every\n"
    "*.msm.txt of the folder is built, and *.msm files in the output folder that no\n"
    "description names are removed, so the output folder holds exactly the described packages.\n";

struct CommandLine {
  std::vector<std::wstring> descriptions;
  std::wstring descriptionsFolder;
  std::wstring outputFolder = L".";
  bool help = false;
};

void Print(FILE* stream, const std::string& text) { fputs(text.c_str(), stream); }

int UsageError(const std::string& message) {
  Print(stderr, "msmbuild: " + message + "\n\n" + Usage);
  return 2;
}

std::wstring FileName(const std::wstring& path) {
  const size_t slash = path.find_last_of(L"\\/");
  return slash == std::wstring::npos ? path : path.substr(slash + 1);
}

bool EndsWithIgnoringCase(const std::wstring& text, const wchar_t* suffix, size_t length) {
  if (text.size() < length) return false;
  return std::equal(text.end() - static_cast<std::ptrdiff_t>(length), text.end(), suffix,
                    [](wchar_t a, wchar_t b) { return std::towlower(a) == std::towlower(b); });
}

// "<name>.msm.txt" gives "<name>.msm" ("<name>.msi.txt" "<name>.msi").
std::wstring PackageName(const std::wstring& descriptionPath) {
  const std::wstring name = FileName(descriptionPath);
  return name.substr(0, name.size() - 4);
}

std::wstring Join(const std::wstring& folder, const std::wstring& name) {
  if (folder.empty() || folder.back() == L'\\' || folder.back() == L'/') return folder + name;
  return folder + L"\\" + name;
}

std::vector<std::wstring> FilesMatching(const std::wstring& folder, const wchar_t* pattern) {
  std::vector<std::wstring> names;
  WIN32_FIND_DATAW found;
  HANDLE search = FindFirstFileW(Join(folder, pattern).c_str(), &found);
  if (search == INVALID_HANDLE_VALUE) return names;
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
  } while (FindNextFileW(search, &found));
  FindClose(search);
  std::sort(names.begin(), names.end());
  return names;
}

bool ReadCommandLine(int argc, wchar_t** argv, CommandLine& command, std::string& error) {
  bool outputGiven = false;
  for (int i = 1; i < argc; ++i) {
    const std::wstring argument = argv[i];
    if (argument == L"--help" || argument == L"-h" || argument == L"/?") {
      command.help = true;
    } else if (argument == L"-o" || argument == L"--dir") {
      if (i + 1 == argc) {
        error = msmbuild::Utf8FromWide(argument) + " needs a folder";
        return false;
      }
      (argument == L"-o" ? command.outputFolder : command.descriptionsFolder) = argv[++i];
      outputGiven |= argument == L"-o";
    } else if (argument.size() > 1 && argument[0] == L'-') {
      error = "unknown option " + msmbuild::Utf8FromWide(argument);
      return false;
    } else if (!EndsWithIgnoringCase(argument, DescriptionSuffix, DescriptionSuffixLength) &&
               !EndsWithIgnoringCase(argument, ProductDescriptionSuffix, DescriptionSuffixLength)) {
      error = msmbuild::Utf8FromWide(argument) +
              ": a description is named <package>.msm.txt (or <product>.msi.txt)";
      return false;
    } else {
      command.descriptions.push_back(argument);
    }
  }
  if (command.help) return true;
  if (!command.descriptionsFolder.empty() && !command.descriptions.empty())
    error = "give either description files or --dir, not both";
  else if (!command.descriptionsFolder.empty() && !outputGiven)
    error = "--dir needs -o <output folder>";
  else if (command.descriptionsFolder.empty() && command.descriptions.empty())
    error = "no description given";
  return error.empty();
}

// Builds each description into the output folder; reports every failure, not just the first.
int BuildAll(const std::vector<std::wstring>& descriptions, const std::wstring& outputFolder) {
  int failures = 0;
  for (const std::wstring& description : descriptions) {
    const msmbuild::BuildResult result =
        msmbuild::BuildPackageFromFile(description, Join(outputFolder, PackageName(description)));
    if (!result.ok) {
      Print(stderr, msmbuild::Utf8FromWide(description) + ": " + result.error + "\n");
      ++failures;
    }
  }
  const size_t built = descriptions.size() - static_cast<size_t>(failures);
  Print(stdout, "msmbuild: " + std::to_string(built) + " of " + std::to_string(descriptions.size()) +
                    " packages built in " + msmbuild::Utf8FromWide(outputFolder) + "\n");
  return failures == 0 ? 0 : 1;
}

// Packages left from descriptions that were removed or renamed would still be found by tests
// that scan the folder.
void RemoveUndescribedPackages(const std::vector<std::wstring>& descriptions, const std::wstring& outputFolder) {
  std::set<std::wstring> described;
  for (const std::wstring& description : descriptions) described.insert(PackageName(description));
  for (const std::wstring& package : FilesMatching(outputFolder, L"*.msm")) {
    if (described.count(package) || !EndsWithIgnoringCase(package, L".msm", 4)) continue;
    if (!DeleteFileW(Join(outputFolder, package).c_str()))
      Print(stderr, "msmbuild: cannot remove the stale package " + msmbuild::Utf8FromWide(package) + "\n");
  }
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  CommandLine command;
  std::string error;
  if (!ReadCommandLine(argc, argv, command, error)) return UsageError(error);
  if (command.help) {
    Print(stdout, Usage);
    return 0;
  }
  if (!msmbuild::CreateFolderPath(command.outputFolder)) {
    Print(stderr, "msmbuild: cannot create the folder " + msmbuild::Utf8FromWide(command.outputFolder) + "\n");
    return 1;
  }
  if (command.descriptionsFolder.empty()) return BuildAll(command.descriptions, command.outputFolder);

  std::vector<std::wstring> descriptions;
  for (const std::wstring& name : FilesMatching(command.descriptionsFolder, L"*.msm.txt"))
    if (EndsWithIgnoringCase(name, DescriptionSuffix, DescriptionSuffixLength))
      descriptions.push_back(Join(command.descriptionsFolder, name));
  if (descriptions.empty()) {
    Print(stderr, "msmbuild: no *.msm.txt in " + msmbuild::Utf8FromWide(command.descriptionsFolder) + "\n");
    return 1;
  }
  const int status = BuildAll(descriptions, command.outputFolder);
  RemoveUndescribedPackages(descriptions, command.outputFolder);
  return status;
}
