#pragma once
// The headless runner's commands. Each works in the current folder exactly like
// the dialog ("./default.kiv", "ZQD", the scripts) and returns the exit code:
// 0 success; 1 invalid configuration, refused or impossible without a prompt, or
// bad usage; 2 a script error; 3 failed file operations.

#include <string>
#include <vector>

namespace velmora::cli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitRefused = 1;
inline constexpr int kExitScriptError = 2;
inline constexpr int kExitFileErrors = 3;

// Loads and positions the configuration, prints the first failing rule on standard
// output (exit 1) or nothing (exit 0). Never writes "./default.kiv".
int RunCheck();

// Validates and creates the template without asking. Never writes "./default.kiv".
int RunGenerate(bool overwrite);

// Imports the Keil project through "ldp.lua", handing it FILE's full path, then
// saves "./default.kiv" as the dialog does when it closes (also after a script
// error, with the rows added so far).
int RunImport(const std::wstring& file);

// The memory map of "./default.kiv", valid or not, without generating: options
// "--format text" (the default) or "--format html", and "-o FILE" to write it to
// FILE (UTF-8) instead of standard output. 0 when written; 1 for bad options; 3
// when FILE cannot be written. Never writes "./default.kiv".
int RunReport(const std::vector<std::wstring>& options);

// Dispatches "check", "generate [--overwrite]", "import FILE" and "report ...";
// prints the usage on standard error and returns 1 for anything else.
int RunCommandLine(const std::vector<std::wstring>& arguments);

}  // namespace velmora::cli
