#pragma once
// velmora-cli's command line:
//
//   velmora-cli [-C DIR]... COMMAND [ARGUMENTS]
//   velmora-cli --help | --version
//
// Each -C enters DIR (relative to the folder entered before it) ahead of the command,
// as make and git do; the process stays in the last folder entered. The commands are
// those of CliCommands.h.

#include <string>
#include <vector>

namespace velmora::cli {

// Runs the command line (without the program name) and returns the exit code of
// CliCommands.h. --help prints the help on standard output and --version
// "velmora-cli <version>", both exit 0; a folder of -C that cannot be entered, an
// unknown command or arguments that do not fit it print a message and the usage on
// standard error and exit 1.
int RunCommandLine(const std::vector<std::wstring>& arguments);

// The text --help prints: the usage, every option and command, the exit codes.
std::wstring HelpText();

}  // namespace velmora::cli
