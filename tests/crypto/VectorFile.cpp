// VectorFile: the reader of our "Name = value" vector files.
#include "tests/crypto/VectorFile.h"

#include <fstream>
#include <stdexcept>

namespace velmorak::test {

namespace {

std::string Trim(const std::string& s) {
  const auto b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return std::string();
  const auto e = s.find_last_not_of(" \t\r");
  return s.substr(b, e - b + 1);
}

}  // namespace

const std::string& VectorRecord::Text(const std::string& name) const {
  auto it = fields.find(name);
  if (it == fields.end()) throw std::runtime_error(Where() + ": no field " + name);
  return it->second;
}

Bytes VectorRecord::Hex(const std::string& name) const {
  return FromHex(Text(name));
}

long VectorRecord::Number(const std::string& name) const {
  return std::stol(Text(name));
}

std::string VectorRecord::Where() const {
  return file + ":" + std::to_string(line) + " [" + section + "]";
}

Bytes FromHex(const std::string& hex) {
  if (hex.size() % 2 != 0) throw std::runtime_error("odd-length hexadecimal: " + hex);
  auto nibble = [&](char c) -> int {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    throw std::runtime_error("not hexadecimal: " + hex);
  };
  Bytes out(hex.size() / 2);
  for (std::size_t i = 0; i < out.size(); ++i) {
    out[i] = static_cast<std::uint8_t>(nibble(hex[2 * i]) * 16 + nibble(hex[2 * i + 1]));
  }
  return out;
}

std::string ToHex(const std::uint8_t* data, std::size_t size) {
  static const char kDigits[] = "0123456789ABCDEF";
  std::string s;
  s.reserve(size * 2);
  for (std::size_t i = 0; i < size; ++i) {
    s += kDigits[data[i] >> 4];
    s += kDigits[data[i] & 15];
  }
  return s;
}

std::vector<VectorRecord> ReadVectorFile(const std::string& name) {
  const std::string path = std::string(VELMORAK_TEST_DATA) + "/crypto/" + name;
  std::ifstream in(path);
  if (!in) throw std::runtime_error("cannot read " + path);
  std::vector<VectorRecord> records;
  std::string section, raw;
  VectorRecord current;
  int lineNo = 0;
  auto flush = [&] {
    if (!current.fields.empty()) records.push_back(current);
    current = VectorRecord();
  };
  while (std::getline(in, raw)) {
    ++lineNo;
    const std::string line = Trim(raw);
    if (line.empty()) {
      flush();
      continue;
    }
    if (line[0] == '#') continue;
    if (line.front() == '[') {
      flush();
      if (line.back() != ']') throw std::runtime_error(path + ":" + std::to_string(lineNo) + ": bad section");
      section = line.substr(1, line.size() - 2);
      continue;
    }
    const auto eq = line.find('=');
    if (eq == std::string::npos) throw std::runtime_error(path + ":" + std::to_string(lineNo) + ": no '='");
    if (current.fields.empty()) {
      current.section = section;
      current.line = lineNo;
      current.file = name;
    }
    current.fields[Trim(line.substr(0, eq))] = Trim(line.substr(eq + 1));
  }
  flush();
  return records;
}

std::vector<VectorRecord> SectionOf(const std::vector<VectorRecord>& all, const std::string& section) {
  std::vector<VectorRecord> out;
  for (const auto& r : all) {
    if (r.section == section) out.push_back(r);
  }
  return out;
}

}  // namespace velmorak::test
