#include "common/path.h"

WideString JoinPath(const WideString& left, const WideString& right) {
  const bool leftEnds = left.LastChar() == L'\\';
  const bool rightStarts = !right.IsEmpty() && right[0] == L'\\';
  WideString joined(left);
  if (leftEnds && rightStarts) {
    joined.Append(right.c_str() + 1, right.Length() - 1);
  } else {
    if (!leftEnds && !rightStarts && !right.IsEmpty()) joined.Append(L'\\');
    joined.Append(right);
  }
  return joined;
}

WideString ParentFolder(const WideString& path) {
  const size_t slash = path.FindLast(L'\\');
  return slash == WideString::npos ? WideString() : path.Substring(0, slash);
}

bool PathExists(const WideString& path) {
  return GetFileAttributesA(path.Ansi()) != INVALID_FILE_ATTRIBUTES;
}
