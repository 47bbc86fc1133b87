// How the catalog reads numbers, versions and module keys: one copy for the component and the
// inspector, so both answer alike.
#pragma once

#include "common/wide_string.h"

#include <windows.h>

// Reads a number the way profile values and version pieces are read: the text in the ANSI
// code page, leading white space skipped, an optional sign, decimal digits up to the first
// other character; no digits give 0.  Only the first 19 bytes of the ANSI form count, so
// "00000000000000000000005" is 0.
long ParseLeadingInteger(const WideString& text);

// The four dot-separated pieces of a version (missing ones 0, later ones ignored), each read
// with ParseLeadingInteger and cut to its low 16 bits, as two words: pieces 1-2 and 3-4.
struct PackedVersion {
  ULONG High = 0;
  ULONG Low = 0;
};
PackedVersion PackVersion(const WideString& version);

// 1 when a is newer, -1 when b is newer, 0 when equal, by the packed words (unsigned).
int CompareVersions(const WideString& a, const WideString& b);

// "%s:%d" of an identifier and a language: module keys, dependency and exclusion keys.
WideString MakeModuleKey(const WideString& id, long language);
