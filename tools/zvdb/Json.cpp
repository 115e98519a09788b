// Json: a recursive-descent reader; see the header.
#include "tools/zvdb/Json.h"

#include <cctype>
#include <stdexcept>

#include "platform/classes/SysUtils.h"

namespace velmorak::json {

const Value* Value::Find(const std::string& name) const {
  for (const auto& [k, v] : members)
    if (k == name) return &v;
  return nullptr;
}

bool Value::IsInteger() const {
  return kind == Number && text.find_first_of(".eE") == std::string::npos;
}

namespace {

class Parser {
 public:
  explicit Parser(const std::string& s) : s_(s) {}

  Value Document() {
    Value v = Parse(0);
    Space();
    if (p_ != s_.size()) Fail("text after the end of the document");
    return v;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    int line = 1, col = 1;
    for (std::size_t i = 0; i < p_ && i < s_.size(); ++i) {
      if (s_[i] == '\n')
        ++line, col = 1;
      else
        ++col;
    }
    throw Exception(Format("JSON error at line %d, column %d: %s", line, col, what.c_str()));
  }
  void Space() {
    while (p_ < s_.size() && (s_[p_] == ' ' || s_[p_] == '\t' || s_[p_] == '\n' || s_[p_] == '\r')) ++p_;
  }
  bool Take(char c) {
    Space();
    if (p_ < s_.size() && s_[p_] == c) {
      ++p_;
      return true;
    }
    return false;
  }
  void Expect(char c) {
    if (!Take(c)) Fail(std::string("'") + c + "' expected");
  }
  bool Word(const char* w) {
    const std::size_t n = std::char_traits<char>::length(w);
    if (s_.compare(p_, n, w) == 0) {
      p_ += n;
      return true;
    }
    return false;
  }

  Value Parse(int depth) {
    if (depth > 200) Fail("nesting too deep");
    Space();
    if (p_ >= s_.size()) Fail("value expected");
    Value v;
    const char c = s_[p_];
    if (c == '{') {
      ++p_;
      v.kind = Value::Object;
      if (Take('}')) return v;
      do {
        Space();
        if (p_ >= s_.size() || s_[p_] != '"') Fail("member name expected");
        std::string name = String();
        Expect(':');
        v.members.push_back({std::move(name), Parse(depth + 1)});
      } while (Take(','));
      Expect('}');
    } else if (c == '[') {
      ++p_;
      v.kind = Value::Array;
      if (Take(']')) return v;
      do v.items.push_back(Parse(depth + 1));
      while (Take(','));
      Expect(']');
    } else if (c == '"') {
      v.kind = Value::String;
      v.text = String();
    } else if (Word("true")) {
      v.kind = Value::Bool;
      v.boolean = true;
    } else if (Word("false")) {
      v.kind = Value::Bool;
    } else if (Word("null")) {
      v.kind = Value::Null;
    } else if (c == '-' || std::isdigit(static_cast<unsigned char>(c))) {
      const std::size_t start = p_;
      if (s_[p_] == '-') ++p_;
      while (p_ < s_.size() && (std::isdigit(static_cast<unsigned char>(s_[p_])) || s_[p_] == '.' ||
                                s_[p_] == 'e' || s_[p_] == 'E' || s_[p_] == '+' || s_[p_] == '-'))
        ++p_;
      v.kind = Value::Number;
      v.text = s_.substr(start, p_ - start);
      try {
        std::size_t used = 0;
        std::stod(v.text, &used);
        if (used != v.text.size()) Fail("bad number");
      } catch (const std::logic_error&) {
        Fail("bad number");
      }
    } else {
      Fail("value expected");
    }
    return v;
  }

  static void Utf8(std::string& out, std::uint32_t cp) {
    if (cp < 0x80) {
      out += static_cast<char>(cp);
    } else if (cp < 0x800) {
      out += static_cast<char>(0xC0 | cp >> 6);
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
      out += static_cast<char>(0xE0 | cp >> 12);
      out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | cp >> 18);
      out += static_cast<char>(0x80 | (cp >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (cp >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (cp & 0x3F));
    }
  }
  std::uint32_t Hex4() {
    if (p_ + 4 > s_.size()) Fail("bad \\u escape");
    std::uint32_t v = 0;
    for (int i = 0; i < 4; ++i) {
      const char h = s_[p_++];
      v <<= 4;
      if (h >= '0' && h <= '9')
        v |= static_cast<std::uint32_t>(h - '0');
      else if (h >= 'a' && h <= 'f')
        v |= static_cast<std::uint32_t>(h - 'a' + 10);
      else if (h >= 'A' && h <= 'F')
        v |= static_cast<std::uint32_t>(h - 'A' + 10);
      else
        Fail("bad \\u escape");
    }
    return v;
  }
  std::string String() {
    ++p_;  // the opening quote
    std::string out;
    for (;;) {
      if (p_ >= s_.size()) Fail("unterminated string");
      const char c = s_[p_++];
      if (c == '"') return out;
      if (static_cast<unsigned char>(c) < 0x20) Fail("control character in a string");
      if (c != '\\') {
        out += c;
        continue;
      }
      if (p_ >= s_.size()) Fail("unterminated string");
      switch (const char e = s_[p_++]) {
        case '"':
          out += '"';
          break;
        case '\\':
          out += '\\';
          break;
        case '/':
          out += '/';
          break;
        case 'b':
          out += '\b';
          break;
        case 'f':
          out += '\f';
          break;
        case 'n':
          out += '\n';
          break;
        case 'r':
          out += '\r';
          break;
        case 't':
          out += '\t';
          break;
        case 'u': {
          std::uint32_t cp = Hex4();
          if (cp >= 0xD800 && cp < 0xDC00 && p_ + 1 < s_.size() && s_[p_] == '\\' && s_[p_ + 1] == 'u') {
            p_ += 2;
            const std::uint32_t lo = Hex4();
            if (lo < 0xDC00 || lo > 0xDFFF) Fail("bad surrogate pair");
            cp = 0x10000 + ((cp - 0xD800) << 10) + (lo - 0xDC00);
          }
          Utf8(out, cp);
          break;
        }
        default:
          Fail(std::string("bad escape \\") + e);
      }
    }
  }

  const std::string& s_;
  std::size_t p_ = 0;
};

}  // namespace

Value Parse(const std::string& text) {
  return Parser(text).Document();
}

std::string Quote(const std::string& utf8) {
  std::string out = "\"";
  for (const char c : utf8) {
    switch (c) {
      case '"':
        out += "\\\"";
        break;
      case '\\':
        out += "\\\\";
        break;
      case '\n':
        out += "\\n";
        break;
      case '\r':
        out += "\\r";
        break;
      case '\t':
        out += "\\t";
        break;
      default:
        if (static_cast<unsigned char>(c) < 0x20)
          out += Format("\\u%04x", static_cast<unsigned>(static_cast<unsigned char>(c)));
        else
          out += c;
    }
  }
  return out + "\"";
}

}  // namespace velmorak::json
