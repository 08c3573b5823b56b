#pragma once
// The headless runner's commands. Each works in the current folder exactly like
// the dialog ("./default.kiv", "ZQD", the scripts) and returns the exit code:
// 0 success; 1 invalid configuration, refused or impossible without a prompt, or
// bad usage; 2 a script error; 3 failed file operations. The command line itself is
// read by CommandLine.h.

#include <optional>
#include <string>
#include <vector>

namespace velmora::cli {

inline constexpr int kExitSuccess = 0;
inline constexpr int kExitRefused = 1;
inline constexpr int kExitScriptError = 2;
inline constexpr int kExitFileErrors = 3;

enum class CheckOutput { Text, Json };

// Loads and positions the configuration, prints the first failing rule on standard
// output (exit 1) or nothing (exit 0). Never writes "./default.kiv". As Json it
// prints one line either way: {"valid": true|false, "message": "<the rule or empty>"}.
int RunCheck(CheckOutput output = CheckOutput::Text);

// Validates and creates the template without asking. Never writes "./default.kiv".
int RunGenerate(bool overwrite);

// Imports the Keil project through "ldp.lua", handing it FILE's full path, then
// saves "./default.kiv" as the dialog does when it closes (also after a script
// error, with the rows added so far).
int RunImport(const std::wstring& file);

struct ReportOptions {
    bool html = false;
    std::wstring file;  // empty: standard output
};
// "--format text|html" and "-o FILE", each at most once, in any order; nullopt for
// anything else.
std::optional<ReportOptions> ParseReportOptions(const std::vector<std::wstring>& options);

// The memory map of "./default.kiv", valid or not, without generating: text (the
// default) or html, to FILE (UTF-8) or standard output. 0 when written; 3 when FILE
// cannot be written. Never writes "./default.kiv".
int RunReport(const ReportOptions& report);

// Lays out a working folder in folder (the current one when empty) from the bundled
// copy (InstallLocation.h) and prints "Working folder created: <full path>". Exit 1
// when folder holds a "default.kiv" already (nothing is written) or lies inside the
// bundled copy; 3 when the bundled copy is not found or a file or folder could not
// be created. Existing files are kept, and named on standard error.
int RunInit(const std::wstring& folder);

}  // namespace velmora::cli
