#include "json.h"

#include <cstdio>

namespace qvmodcat {

namespace {

const Json& NullJson() {
  static const Json null;
  return null;
}

void AppendCodePoint(std::string& out, uint32_t point) {
  if (point < 0x80) {
    out += static_cast<char>(point);
  } else if (point < 0x800) {
    out += static_cast<char>(0xC0 | (point >> 6));
    out += static_cast<char>(0x80 | (point & 0x3F));
  } else if (point < 0x10000) {
    out += static_cast<char>(0xE0 | (point >> 12));
    out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (point & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (point >> 18));
    out += static_cast<char>(0x80 | ((point >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((point >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (point & 0x3F));
  }
}

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

std::string ToUtf8(const std::wstring& text) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size(); ++i) {
    uint32_t unit = static_cast<uint16_t>(text[i]);
    if (unit >= 0xD800 && unit < 0xDC00 && i + 1 < text.size()) {
      const uint32_t low = static_cast<uint16_t>(text[i + 1]);
      if (low >= 0xDC00 && low < 0xE000) {
        AppendCodePoint(out, 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00));
        ++i;
        continue;
      }
    }
    if (unit >= 0xD800 && unit < 0xE000) unit = 0xFFFD;
    AppendCodePoint(out, unit);
  }
  return out;
}

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

const Json& Json::operator[](const std::string& name) const {
  for (const auto& member : members_)
    if (member.first == name) return member.second;
  return NullJson();
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
    case Kind::Text: WriteString(out, ToUtf8(text_)); break;
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
