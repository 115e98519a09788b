// ZAStrFunc: the name and path helpers of the archive reader. Stored names
// use "/" (the catalogue turns stored backslashes into it); destination
// paths use the platform's delimiter; the helpers that split a name treat
// both "/" and "\" as delimiters so they work on either form.
#pragma once

#include <string>
#include <string_view>

namespace velmorak {

// Everything up to and including the last delimiter ("bin/" of "bin/a.exe").
std::string ZAExtractFilePath(std::string_view name);
// Everything after the last delimiter ("a.exe").
std::string ZAExtractFileName(std::string_view name);
// path with one delimiter at its end (none added to an empty path).
std::string ZAIncludeTrailingDelimiter(std::string_view path, char delimiter);
// name with every "/" and "\" turned into delimiter.
std::string ZAToDelimiter(std::string_view name, char delimiter);
// Removes one trailing "/" or "\".
std::string_view ZAExcludeTrailingDelimiter(std::string_view name);

// Whether an item name, joined to a destination folder, stays inside it:
// false for a name that is absolute (a leading "/" or "\", a drive letter or
// any ":", a "\\server" path or a doubled delimiter) and for a name whose
// ".." components climb above the folder ("a/../../x"). "." components and
// ".." that stay inside ("a/../x") are allowed.
bool ZAIsNameInsideBase(std::string_view name);

}  // namespace velmorak
