// Text output: a console gets wide text as it is, a pipe or file gets UTF-8.
#pragma once

#include <string>

namespace qvmodcat {

// Each of these first ends the run's progress line (see progress.h): an answer never shares
// a line with it.
void WriteOut(const std::wstring& text);
void WriteError(const std::wstring& text);
// UTF-8 text as it is (the JSON writer's output).
void WriteOutUtf8(const std::string& text);

// Standard error as it is, the progress line left alone: for that line itself and for the
// interrupt's last word.
void WriteStatus(const std::wstring& text);
// What the writers above call first (the progress line's end); null: nothing.
void SetBeforeOutput(void (*hook)());

// The system's error code of the first write to standard output that failed (a full disk, a
// closed pipe, no handle), or 0.  A run whose answer did not arrive must not end as if it had.
unsigned long LostOutputError();

}  // namespace qvmodcat
