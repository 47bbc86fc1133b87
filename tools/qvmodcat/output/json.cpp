#include "json.h"

#include "common/text.h"

#include <cstdio>

namespace qvmodcat {

namespace {

void WriteString(std::string& out, const std::string& utf8) {
  out += '"';
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (byte < 0x20) {
          char escaped[8];
          snprintf(escaped, sizeof escaped, "\\u%04x", byte);
          out += escaped;
        } else {
          out += c;
        }
    }
  }
  out += '"';
}

void NewLine(std::string& out, int indent) {
  out += '\n';
  out.append(static_cast<size_t>(indent) * 2, ' ');
}

}  // namespace

Json& Json::Append(Json value) {
  items_.push_back(std::move(value));
  return items_.back();
}

Json& Json::Set(const std::string& name, Json value) {
  for (auto& member : members_) {
    if (member.first == name) {
      member.second = std::move(value);
      return member.second;
    }
  }
  members_.emplace_back(name, std::move(value));
  return members_.back().second;
}

std::string Json::Write() const {
  std::string out;
  WriteTo(out, 0);
  return out;
}

void Json::WriteTo(std::string& out, int indent) const {
  switch (kind_) {
    case Kind::Null: out += "null"; break;
    case Kind::Boolean: out += integer_ ? "true" : "false"; break;
    case Kind::Integer: out += std::to_string(integer_); break;
    case Kind::Text: WriteString(out, Utf8FromWide(text_)); break;
    case Kind::Array:
      if (items_.empty()) {
        out += "[]";
        break;
      }
      out += '[';
      for (size_t i = 0; i < items_.size(); ++i) {
        if (i) out += ',';
        NewLine(out, indent + 1);
        items_[i].WriteTo(out, indent + 1);
      }
      NewLine(out, indent);
      out += ']';
      break;
    case Kind::Object:
      if (members_.empty()) {
        out += "{}";
        break;
      }
      out += '{';
      for (size_t i = 0; i < members_.size(); ++i) {
        if (i) out += ',';
        NewLine(out, indent + 1);
        WriteString(out, members_[i].first);
        out += ": ";
        members_[i].second.WriteTo(out, indent + 1);
      }
      NewLine(out, indent);
      out += '}';
      break;
  }
}

}  // namespace qvmodcat
