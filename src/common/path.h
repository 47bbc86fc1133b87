// Path helpers shared by the loader, the catalog and the descriptor reader.
#pragma once

#include "common/wide_string.h"

// Appends `right` to `left` with exactly one backslash between them: one of two backslashes
// is dropped, and one is inserted when neither side has one and `right` is not empty (also
// when `left` is empty).
WideString JoinPath(const WideString& left, const WideString& right);

// The path without its last element ("C:\a\b.dll" gives "C:\a"); empty when there is no
// backslash.
WideString ParentFolder(const WideString& path);

// True when a file or folder exists at the path (its attributes can be read).
bool PathExists(const WideString& path);
