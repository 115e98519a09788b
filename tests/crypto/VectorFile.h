// VectorFile: reads the reference vector files of tests/data/crypto/. A file
// is a run of sections ("[SHA-0]") holding records of "Name = value" lines;
// a blank line ends a record, and lines starting with '#' are comments.
// Values are hexadecimal unless a test reads them as text or numbers.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace velmorak::test {

using Bytes = std::vector<std::uint8_t>;

struct VectorRecord {
  std::string section;  // the "[...]" above the record
  int line = 0;         // where the record starts, for failure messages
  std::map<std::string, std::string> fields;

  bool Has(const std::string& name) const { return fields.count(name) != 0; }
  // The field as text; fails the test (throws) when it is missing.
  const std::string& Text(const std::string& name) const;
  Bytes Hex(const std::string& name) const;
  long Number(const std::string& name) const;
  // "file:line [section]" for SCOPED_TRACE.
  std::string Where() const;
  std::string file;
};

// Reads VELMORAK_TEST_DATA/crypto/<name>; throws std::runtime_error when the
// file cannot be read or a line is malformed.
std::vector<VectorRecord> ReadVectorFile(const std::string& name);

// The records of one section, in file order.
std::vector<VectorRecord> SectionOf(const std::vector<VectorRecord>& all, const std::string& section);

Bytes FromHex(const std::string& hex);
std::string ToHex(const std::uint8_t* data, std::size_t size);
inline std::string ToHex(const Bytes& b) {
  return ToHex(b.data(), b.size());
}

}  // namespace velmorak::test
