// Unattended: the program's start with its command line (CommandLine.h).
// With no argument it is the wizard; with /SILENT or /VERYSILENT it runs the
// installation itself, the second host of the procedure (Installation.h):
// the answers come from the switches and the answers file, the confirmation
// counts as OK, the earlier-installation question is answered by
// /OVERWRITE, the reader's failure dialog answers Abort and its password
// prompt Cancel, so nothing ever waits; the log takes the place of the
// message boxes, and a small progress window (/SILENT) or nothing
// (/VERYSILENT) that of the pages. No final page, no web address opened.
#pragma once

#include <string>
#include <vector>

#include "installation/CommandLine.h"

namespace velmorak {

// Runs the program for its arguments (the program's name left out) on the
// widget set and dialog backend in place; returns the exit code.
int RunProgram(const std::vector<std::string>& Arguments);

// The unattended installation alone, for a command line that asked for one.
int RunUnattended(const TCommandLine& CommandLine);

}  // namespace velmorak
