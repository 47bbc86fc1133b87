// Text output: a console gets wide text as it is, a pipe or file gets UTF-8.
#pragma once

#include <string>

namespace qvmodcat {

void WriteOut(const std::wstring& text);
void WriteError(const std::wstring& text);
// UTF-8 text as it is (the JSON writer's output).
void WriteOutUtf8(const std::string& text);

// The system's error code of the first write to standard output that failed (a full disk, a
// closed pipe, no handle), or 0.  A run whose answer did not arrive must not end as if it had.
unsigned long LostOutputError();

}  // namespace qvmodcat
