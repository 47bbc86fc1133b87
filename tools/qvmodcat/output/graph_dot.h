// Requirement graphs written for Graphviz (dot): a module is a box (dashed: known only from
// its gallery descriptor), a requirement an arrow labelled with the version asked for; a
// missing module is a red ellipse, a requirement met by an older version a red arrow, an
// exclusion conflict a red dashed line.
#pragma once

#include <string>
#include <vector>

namespace qvmodcat {

struct DotNode {
  std::wstring Key;  // also its name in the graph
  std::wstring Label;
  bool Gallery = false;
  bool Missing = false;
  bool Marked = false;  // the module asked about
};

struct DotEdge {
  enum class Kind { Requires, Older, Missing, Conflict };
  std::wstring From;
  std::wstring To;
  std::wstring Label;
  Kind Type = Kind::Requires;
};

std::wstring WriteDot(const std::wstring& title, const std::vector<DotNode>& nodes,
                      const std::vector<DotEdge>& edges);

}  // namespace qvmodcat
