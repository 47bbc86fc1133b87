// Text output: a console gets wide text as it is, a pipe or file gets UTF-8.
#pragma once

#include <string>

namespace qvmodcat {

void WriteOut(const std::wstring& text);
void WriteError(const std::wstring& text);
// UTF-8 text as it is (the JSON writer's output).
void WriteOutUtf8(const std::string& text);

}  // namespace qvmodcat
