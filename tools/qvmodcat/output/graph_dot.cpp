#include "graph_dot.h"

namespace qvmodcat {

namespace {

std::wstring Quoted(const std::wstring& text) {
  std::wstring out = L"\"";
  for (const wchar_t c : text) {
    if (c == L'"' || c == L'\\') out += L'\\';
    if (c == L'\n') {
      out += L"\\n";
      continue;
    }
    out += c;
  }
  return out + L"\"";
}

}  // namespace

std::wstring WriteDot(const std::wstring& title, const std::vector<DotNode>& nodes,
                      const std::vector<DotEdge>& edges) {
  std::wstring out = L"digraph " + Quoted(title) + L" {\n"
                     L"  rankdir=LR;\n"
                     L"  node [shape=box, fontname=\"Helvetica\", fontsize=10];\n"
                     L"  edge [fontname=\"Helvetica\", fontsize=9];\n";
  for (const DotNode& node : nodes) {
    out += L"  " + Quoted(node.Key) + L" [label=" + Quoted(node.Label);
    if (node.Missing) out += L", shape=ellipse, color=red, fontcolor=red";
    if (node.Gallery) out += L", style=dashed";
    if (node.Marked) out += L", penwidth=2";
    out += L"];\n";
  }
  for (const DotEdge& edge : edges) {
    out += L"  " + Quoted(edge.From) + L" -> " + Quoted(edge.To);
    std::wstring attributes;
    if (!edge.Label.empty()) attributes += L"label=" + Quoted(edge.Label);
    switch (edge.Type) {
      case DotEdge::Kind::Requires: break;
      case DotEdge::Kind::Older: attributes += L", color=red, fontcolor=red"; break;
      case DotEdge::Kind::Missing: attributes += L", color=red, style=dashed"; break;
      case DotEdge::Kind::Conflict:
        attributes += L", color=red, fontcolor=red, style=dashed, arrowhead=tee, constraint=false";
        break;
    }
    if (!attributes.empty()) {
      if (attributes.compare(0, 2, L", ") == 0) attributes.erase(0, 2);
      out += L" [" + attributes + L"]";
    }
    out += L";\n";
  }
  return out + L"}\n";
}

}  // namespace qvmodcat
