// Json: the small JSON reader and writer of the zvdb tool — enough for
// schema files and dumps: objects (member order kept), arrays, strings with
// every escape, numbers (kept as their text so 64-bit integers survive),
// true, false and null. Text is UTF-8.
#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace velmorak::json {

struct Member;

struct Value {
  enum Kind { Null, Bool, Number, String, Array, Object } kind = Null;
  bool boolean = false;
  std::string text;  // String: the text; Number: the number as written
  std::vector<Value> items;
  std::vector<Member> members;  // a vector may name an incomplete element type; a pair may not

  // Member by name, or null.
  const Value* Find(const std::string& name) const;
  bool IsInteger() const;
};

struct Member {
  std::string name;
  Value value;
};

// Raises velmorak::Exception "JSON error at line L, column C: ...".
Value Parse(const std::string& text);

// Serialisation of a string (quotes and escapes included).
std::string Quote(const std::string& utf8);

}  // namespace velmorak::json
