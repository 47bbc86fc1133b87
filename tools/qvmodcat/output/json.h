// A small JSON value for the --json output: null, booleans, integers, texts, arrays and
// objects whose members keep their insertion order.  Texts are wide inside and written as
// UTF-8.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace qvmodcat {

class Json {
 public:
  enum class Kind { Null, Boolean, Integer, Text, Array, Object };

  Json() noexcept = default;  // null
  Json(std::nullptr_t) noexcept {}  // NOLINT: implicit, like a null pointer
  Json(bool value) : kind_(Kind::Boolean), integer_(value ? 1 : 0) {}  // NOLINT
  Json(int value) : kind_(Kind::Integer), integer_(value) {}  // NOLINT
  Json(long value) : kind_(Kind::Integer), integer_(value) {}  // NOLINT
  Json(long long value) : kind_(Kind::Integer), integer_(value) {}  // NOLINT
  Json(unsigned long value) : kind_(Kind::Integer), integer_(static_cast<int64_t>(value)) {}  // NOLINT
  Json(std::wstring value) : kind_(Kind::Text), text_(std::move(value)) {}  // NOLINT
  Json(const wchar_t* value) : kind_(Kind::Text), text_(value) {}  // NOLINT

  static Json Array() { return Json(Kind::Array); }
  static Json Object() { return Json(Kind::Object); }

  // Arrays.
  Json& Append(Json value);
  const std::vector<Json>& Items() const noexcept { return items_; }
  // Objects: sets a member (replacing one of the same name in its place).
  Json& Set(const std::string& name, Json value);

  // Indented JSON, UTF-8, ending without a line break.
  std::string Write() const;

 private:
  explicit Json(Kind kind) : kind_(kind) {}
  void WriteTo(std::string& out, int indent) const;

  Kind kind_ = Kind::Null;
  int64_t integer_ = 0;
  std::wstring text_;
  std::vector<Json> items_;
  std::vector<std::pair<std::string, Json>> members_;
};

}  // namespace qvmodcat
