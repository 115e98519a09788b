// ZAStrFunc: path helpers; all of them treat "/" and "\" alike.
#include "archive/ZAStrFunc.h"

namespace velmorak {

namespace {
bool IsDelim(char c) {
  return c == '/' || c == '\\';
}

// Windows drops trailing dots and spaces from a path component, so "..." and
// ".. " name the parent folder there too; count them as "..".
bool IsParentComponent(std::string_view part) {
  int dots = 0;
  for (char c : part) {
    if (c == '.')
      ++dots;
    else if (c != ' ')
      return false;
  }
  return dots >= 2;
}
bool IsSelfComponent(std::string_view part) {
  return !part.empty() && part.front() == '.' && part.find_first_not_of(" ", 1) == std::string_view::npos;
}
std::size_t LastDelim(std::string_view s) {
  return s.find_last_of("/\\");
}
}  // namespace

std::string ZAExtractFilePath(std::string_view name) {
  const std::size_t p = LastDelim(name);
  return p == std::string_view::npos ? std::string() : std::string(name.substr(0, p + 1));
}

std::string ZAExtractFileName(std::string_view name) {
  const std::size_t p = LastDelim(name);
  return std::string(p == std::string_view::npos ? name : name.substr(p + 1));
}

std::string ZAIncludeTrailingDelimiter(std::string_view path, char delimiter) {
  std::string out(path);
  if (!out.empty() && !IsDelim(out.back())) out += delimiter;
  return out;
}

std::string ZAToDelimiter(std::string_view name, char delimiter) {
  std::string out(name);
  for (char& c : out)
    if (IsDelim(c)) c = delimiter;
  return out;
}

std::string_view ZAExcludeTrailingDelimiter(std::string_view name) {
  if (!name.empty() && IsDelim(name.back())) name.remove_suffix(1);
  return name;
}

bool ZAIsNameInsideBase(std::string_view name) {
  if (name.empty()) return true;
  if (IsDelim(name.front())) return false;
  if (name.find(':') != std::string_view::npos) return false;
  int depth = 0;
  std::size_t start = 0;
  while (start <= name.size()) {
    std::size_t end = start;
    while (end < name.size() && !IsDelim(name[end])) ++end;
    const std::string_view part = name.substr(start, end - start);
    // An empty component between two delimiters is the doubled delimiter of
    // a network path; one at the very end is a folder's trailing delimiter.
    if (part.empty() && end < name.size()) return false;
    if (IsParentComponent(part)) {
      if (--depth < 0) return false;
    } else if (!part.empty() && !IsSelfComponent(part)) {
      ++depth;
    }
    start = end + 1;
  }
  return true;
}

}  // namespace velmorak
