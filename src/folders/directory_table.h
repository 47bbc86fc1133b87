// Resolution of a Directory table key into a readable folder path, on a package opened through
// the installer library.
//
// The walk goes from the key up through its parents and puts each level's target long name in
// front of the path, until the first standard system folder (written "[SystemFolder]" and
// joined without separator), the source root, or a module directory under TARGETDIR.  All text
// is ANSI, read into 260-character buffers like every field read of the library layer.
#pragma once

#include <windows.h>
#include <msi.h>

#include <string>

// Result of BuildDirectoryPath when the key, or a parent on its chain, has no row (a root other
// than the source root has no parent row either).
constexpr UINT kDirectoryRowMissing = ERROR_NO_MORE_ITEMS;
// Result of BuildDirectoryPath when the chain of parents comes back to a key it has passed: the
// table is malformed and the walk would never end.
constexpr UINT kDirectoryChainCycle = ERROR_INVALID_DATA;

// True when the key has a row in the Directory table and is one of the standard system folder
// names (in any case).  The key goes into the query text unchanged, so a key with an apostrophe
// makes the installer refuse the query: com_exception ("...MsiOpenDatabaseView()").
bool IsSystemFolderDirectory(MSIHANDLE database, const std::string& key);

// True with the value when the database has a Property table (persistent or temporary) that
// holds the property and its value fits the 260-character read.  A name too long for the
// 260-character query text is answered as not found: property names are identifiers of at
// most 72 characters, so no package can hold such a property.
bool GetPropertyValue(MSIHANDLE database, const std::string& name, std::string& value);

// The folder path of a Directory key.  0 on success with the path set; otherwise the installer
// library's code (ERROR_MORE_DATA for a field longer than 259 characters, the code of a failed
// record or view creation), kDirectoryRowMissing or kDirectoryChainCycle, with the path empty.
// Failing view executions and fetches raise com_exception.
UINT BuildDirectoryPath(MSIHANDLE database, const std::string& key, std::string& path);
