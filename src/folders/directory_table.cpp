#include "folders/directory_table.h"

#include "common/text.h"
#include "folders/directory_names.h"
#include "installer/msi_check.h"

#include <cstdio>
#include <set>
#include <utility>

namespace {

const char kParentQuery[] = "SELECT `Directory_Parent` FROM `Directory` WHERE `Directory` = '%s'";
const char kPropertyQuery[] = "SELECT * FROM `Property` WHERE `Property` = '%s'";
// The property query is built in a buffer of this size, terminator included.
constexpr size_t kPropertyQuerySize = 260;
const char kWalkQuery[] =
    "SELECT `Directory_Parent`,`DefaultDir`, `Directory` FROM `Directory` WHERE "
    "`Directory`.`Directory`=?";

enum WalkField : UINT { kParentField = 1, kDefaultDirField = 2, kDirectoryField = 3 };

bool EqualsIgnoringCaseAnsi(const std::string& text, const char* other) {
  return UpperAnsi(text) == UpperAnsi(other);
}

bool BeginsWithDot(const std::string& name) { return !name.empty() && name[0] == '.'; }

// The property of the key's name when there is one, else the key itself.
std::string KeyOrItsProperty(MSIHANDLE database, const std::string& key) {
  std::string value;
  return GetPropertyValue(database, key, value) ? value : key;
}

// Whether the walk can go on to `parent`: a root (null parent) matches no row, and a parent
// already passed would repeat the same levels forever.
UINT CheckParentRow(const std::string& parent, const std::set<std::string>& passed) {
  if (parent.empty()) return kDirectoryRowMissing;
  if (passed.count(parent) != 0) return kDirectoryChainCycle;
  return ERROR_SUCCESS;
}

}  // namespace

bool IsSystemFolderDirectory(MSIHANDLE database, const std::string& key) {
  // Unchanged on purpose: apostrophes are not doubled, the installer refuses such a query.
  std::string query(kParentQuery);
  query.replace(query.find("%s"), 2, key);
  MsiHandle view;
  MsiHandle row;
  if (OpenViewExecuteAndFetch(view, database, query.c_str(), row) != ERROR_SUCCESS) return false;
  std::string parent;
  if (ReadRecordField(row.Get(), 1, parent) != ERROR_SUCCESS) return false;
  return IsSystemFolderName(key);
}

bool GetPropertyValue(MSIHANDLE database, const std::string& name, std::string& value) {
  const MSICONDITION table = Msi().DatabaseIsTablePersistentA(database, "Property");
  if (table != MSICONDITION_TRUE && table != MSICONDITION_FALSE) return false;

  char query[kPropertyQuerySize];
  const int length = snprintf(query, sizeof query, kPropertyQuery, name.c_str());
  if (length < 0 || static_cast<size_t>(length) >= sizeof query) return false;

  MsiHandle view;
  MsiHandle row;
  if (OpenViewExecuteAndFetch(view, database, query, row) != ERROR_SUCCESS) return false;
  std::string read;
  if (ReadRecordField(row.Get(), 2, read) != ERROR_SUCCESS) return false;
  value = std::move(read);
  return true;
}

UINT BuildDirectoryPath(MSIHANDLE database, const std::string& key, std::string& path) {
  path.clear();
  MsiHandle parameters(Msi().CreateRecord(1));
  if (!parameters) return ERROR_NOT_ENOUGH_MEMORY;
  UINT code = Msi().RecordSetStringA(parameters.Get(), 1, key.c_str());
  if (code != ERROR_SUCCESS) return code;
  MsiHandle view;
  code = Msi().DatabaseOpenViewA(database, kWalkQuery, view.Put());
  if (code != ERROR_SUCCESS) return code;

  std::string built;
  std::set<std::string> passed;  // raw keys of the levels walked, to stop at a cycle
  // Set by a source root that a property names: from there on the walk ends at the first level
  // that adds a name (a property value beginning with "." adds none).
  bool endedByProperty = false;
  for (bool first = true;; first = false) {
    // A view whose rows were not all fetched has to be closed before it runs again.
    if (!first) Msi().ViewClose(view.Get());
    ExecuteView(view.Get(), parameters.Get());
    MsiHandle row;
    if (FetchRecord(view.Get(), row) != ERROR_SUCCESS) return kDirectoryRowMissing;

    std::string defaultDir;
    std::string directory;
    if ((code = ReadRecordField(row.Get(), kDefaultDirField, defaultDir)) != ERROR_SUCCESS) {
      return code;
    }
    if ((code = ReadRecordField(row.Get(), kDirectoryField, directory)) != ERROR_SUCCESS) {
      return code;
    }
    passed.insert(directory);
    const std::string levelKey = RemoveModuleSuffix(directory);

    const bool systemFolder = IsSystemFolderDirectory(database, levelKey);
    std::string name;
    std::string parent;
    if (systemFolder) {
      name = "[" + levelKey + "]";
    } else {
      name = SplitDefaultDir(defaultDir);
      if (EqualsIgnoringCaseAnsi(name, "SOURCEDIR")) {
        std::string value;
        if (!GetPropertyValue(database, levelKey, value)) {
          path = built;  // the source root adds no name of its own
          return ERROR_SUCCESS;
        }
        name = std::move(value);
        endedByProperty = true;
      }
      if ((code = ReadRecordField(row.Get(), kParentField, parent)) != ERROR_SUCCESS) return code;
      if (BeginsWithDot(name)) {
        if (EqualsIgnoringCaseAnsi(parent, "TARGETDIR")) {
          // A module's own directory: its key (or property) replaces whatever was built.
          path = KeyOrItsProperty(database, levelKey);
          return ERROR_SUCCESS;
        }
        // Adds nothing; the walk goes on with the parent.
        if ((code = CheckParentRow(parent, passed)) != ERROR_SUCCESS) return code;
        parameters = std::move(row);
        continue;
      }
    }

    if (built.empty() || systemFolder) {
      built = name + built;  // "[SystemFolder]" stands for a folder ending in a separator
    } else {
      built = name + "\\" + built;
    }
    if (systemFolder || endedByProperty) {
      path = built;
      return ERROR_SUCCESS;
    }
    if ((code = CheckParentRow(parent, passed)) != ERROR_SUCCESS) return code;
    parameters = std::move(row);  // its first field selects the parent's row next
  }
}
