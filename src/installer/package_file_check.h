// The checks a package path passes before the installer opens it.
//
// A package is a compound file.  The installer's reader trusts the file's allocation tables,
// and damaged packages (cut short, bits flipped) have made it read without end or crash the
// process.  So before a package is handed to the installer, its header, allocation tables,
// directory and stream chains are checked to lie inside the file and to hold no cycle, and the
// string table streams that every open reads (an open that cannot read them crashes under
// Wine) are checked to be there, readable, and to name a code page the system knows.
#pragma once

#include "common/com_exception.h"
#include "common/wide_string.h"

// True for a file that carries the compound-file signature but whose structure is unsound or
// whose string table the installer could not read.
// Any other file (missing, a folder, locked, text) is left to the installer, which refuses it
// its own way.
bool IsDamagedCompoundFile(const WideString& path);

// S_OK for a path the installer may be given; else the Win32-facility HRESULT of
// ERROR_FILENAME_EXCED_RANGE (a path of MAX_PATH characters or more, which the installer's
// buffers cannot hold) or ERROR_INSTALL_PACKAGE_INVALID (a damaged compound file).
HRESULT PackageFileProblem(const WideString& path);

// Raises com_exception with the code of PackageFileProblem when it is not S_OK.
void CheckPackageFile(const WideString& path, ErrorOrigin origin);
