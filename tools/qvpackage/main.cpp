// qvpackage: the merge module of QvModCat2 (see README.md).
//
//   qvpackage describe <QvModCat2.dll> -o <folder>
//   qvpackage validate <package>
#include "component_file.h"
#include "common/text.h"
#include "module_description.h"
#include "package_validation.h"

#include <windows.h>
#include <objbase.h>

#include <cstdio>
#include <exception>
#include <memory>
#include <stdexcept>
#include <string>

namespace {

constexpr char Usage[] =
    "usage: qvpackage describe <QvModCat2.dll> -o <folder>\n"
    "       qvpackage validate <package>\n"
    "\n"
    "describe writes <folder>\\QvModCat2.msm.txt, the merge module's description for msmbuild,\n"
    "and <folder>\\cabinet\\<file key>, the library under the name the module's cabinet gives\n"
    "it.  Pack that folder into <folder>\\QvModCat2.cab (gcab) before msmbuild builds the module.\n"
    "validate has msi.dll check every row of a package against its _Validation table: exit code\n"
    "0 valid, 1 invalid rows, 3 when this msi.dll does not validate records.\n";

constexpr wchar_t kDescriptionName[] = L"QvModCat2.msm.txt";
constexpr char kCabinetName[] = "QvModCat2.cab";

int Fail(const std::string& message, int code = 1) {
  fprintf(stderr, "qvpackage: %s\n", message.c_str());
  return code;
}

void WriteFile(const std::wstring& path, const std::string& bytes) {
  std::unique_ptr<FILE, int (*)(FILE*)> file(_wfopen(path.c_str(), L"wb"), fclose);
  if (!file || fwrite(bytes.data(), 1, bytes.size(), file.get()) != bytes.size() ||
      fclose(file.release()) != 0)
    throw std::runtime_error("cannot write " + Utf8FromWide(path));
}

void CreateFolder(const std::wstring& folder) {
  if (!CreateDirectoryW(folder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
    throw std::runtime_error("cannot create the folder " + Utf8FromWide(folder));
}

int Describe(const std::wstring& library, const std::wstring& folder) {
  const qvpackage::ComponentFile file = qvpackage::ReadComponentFile(library);
  const std::string description = qvpackage::DescribeModule(file, kCabinetName);
  const qvpackage::ModuleKeys keys(qvpackage::ThisArchitecture());
  CreateFolder(folder);
  CreateFolder(folder + L"\\cabinet");
  const std::wstring member = folder + L"\\cabinet\\" + std::wstring(keys.File.begin(), keys.File.end());
  if (!CopyFileW(library.c_str(), member.c_str(), FALSE))
    throw std::runtime_error("cannot copy the library to " + Utf8FromWide(member));
  WriteFile(folder + L"\\" + kDescriptionName, description);
  printf("qvpackage: %s %s described in %s\n", keys.ModuleId.c_str(), file.Version.c_str(),
         Utf8FromWide(folder).c_str());
  return 0;
}

int Validate(const std::wstring& package) {
  const qvpackage::ValidationReport report = qvpackage::ValidatePackage(package);
  if (!report.Available) {
    printf("qvpackage: not validated: this msi.dll does not validate records (MSIMODIFY_VALIDATE)\n");
    return 3;
  }
  for (const std::string& error : report.Errors) printf("invalid: %s\n", error.c_str());
  printf("qvpackage: %d rows validated, %zu errors\n", report.RowsChecked, report.Errors.size());
  return report.Errors.empty() ? 0 : 1;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
  const std::wstring command = argc > 1 ? argv[1] : L"";
  try {
    if (command == L"describe" && argc == 5 && std::wstring(argv[3]) == L"-o") {
      // The type library is read through OLE automation.
      CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
      return Describe(argv[2], argv[4]);
    }
    if (command == L"validate" && argc == 3) return Validate(argv[2]);
  } catch (const std::exception& error) {
    return Fail(error.what(), 2);
  }
  if (command == L"--help" || command == L"-h") {
    fputs(Usage, stdout);
    return 0;
  }
  fputs(Usage, stderr);
  return 2;
}
