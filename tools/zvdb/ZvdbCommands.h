// ZvdbCommands: the zvdb tool as a function, so tests drive it without a
// process. Arguments are as on the command line after the program name.
// Returns the exit status: 0 success, 1 failure (one line on err), 2 usage.
#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace velmorak {

int RunZvdb(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

}  // namespace velmorak
