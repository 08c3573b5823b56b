#include "CommandLine.h"

#include <optional>

#include "CliCommands.h"
#include "Version.h"
#include "platform/Console.h"
#include "platform/WorkingFolder.h"

namespace velmora::cli {
namespace {

using Arguments = std::vector<std::wstring>;

struct Command {
    const wchar_t* name;
    const wchar_t* synopsis;  // what follows the name in the usage
    const wchar_t* help;      // lines of the help, each indented and ending in "\n"
    // Runs the command with the arguments after its name; nullopt when they do not fit.
    std::optional<int> (*run)(const Arguments& arguments);
};

std::optional<int> Check(const Arguments& arguments) {
    if (arguments.empty()) return RunCheck(CheckOutput::Text);
    if (arguments == Arguments{L"--json"}) return RunCheck(CheckOutput::Json);
    return std::nullopt;
}

std::optional<int> Generate(const Arguments& arguments) {
    if (arguments.empty()) return RunGenerate(false);
    if (arguments == Arguments{L"--overwrite"}) return RunGenerate(true);
    return std::nullopt;
}

std::optional<int> Import(const Arguments& arguments) {
    if (arguments.size() != 1) return std::nullopt;
    return RunImport(arguments[0]);
}

std::optional<int> Init(const Arguments& arguments) {
    if (arguments.size() > 1) return std::nullopt;
    return RunInit(arguments.empty() ? std::wstring() : arguments[0]);
}

std::optional<int> Report(const Arguments& arguments) {
    const std::optional<ReportOptions> report = ParseReportOptions(arguments);
    if (!report) return std::nullopt;
    return RunReport(*report);
}

// One row per command; the usage and the help are made from this table.
const Command kCommands[] = {
    {L"check", L"[--json]",
     L"  check            print the first failing rule of ./default.kiv; nothing when\n"
     L"                   the configuration passes\n"
     L"  check --json     print {\"valid\": true|false, \"message\": \"...\"} instead;\n"
     L"                   the message is the failing rule, empty when valid\n",
     Check},
    {L"generate", L"[--overwrite]",
     L"  generate         validate and write the projects into the Template Path;\n"
     L"                   a non-empty output folder needs --overwrite\n",
     Generate},
    {L"import", L"FILE",
     L"  import FILE      add the Keil project FILE to ./default.kiv through ldp.lua\n", Import},
    {L"init", L"[DIR]",
     L"  init [DIR]       lay out a working folder in DIR (default: the current one)\n"
     L"                   from the installed copy; refuses a DIR that holds a\n"
     L"                   default.kiv already and never replaces a file\n",
     Init},
    {L"report", L"[--format text|html] [-o FILE]",
     L"  report           print the memory map of ./default.kiv without generating:\n"
     L"                   regions per project, SAU regions, boot chain (text, the\n"
     L"                   default, or a self-contained html page); -o FILE writes it\n"
     L"                   to FILE; works on a configuration that does not pass\n",
     Report},
};

constexpr const wchar_t* kProgram = L"velmora-cli";

std::wstring UsageText() {
    std::wstring usage;
    for (const Command& command : kCommands) {
        usage += std::wstring(usage.empty() ? L"usage: " : L"       ") + kProgram +
                 L" [-C DIR] " + command.name + L" " + command.synopsis + L"\n";
    }
    return usage + L"       " + kProgram + L" --help | --version\n";
}

const Command* FindCommand(const std::wstring& name) {
    for (const Command& command : kCommands) {
        if (name == command.name) return &command;
    }
    return nullptr;
}

int BadUsage(const std::wstring& why) {
    if (!why.empty()) WriteStderr(std::wstring(kProgram) + L": " + why + L"\n");
    WriteStderr(UsageText());
    return kExitRefused;
}

}  // namespace

std::wstring HelpText() {
    std::wstring help = UsageText();
    help += L"\nRuns in the current folder as the dialog does: ./default.kiv, ZQD, tes.lua,\n"
            L"tens.lua, ldp.lua.\n\n"
            L"  -C DIR           run in DIR; a later -C is relative to an earlier one\n";
    for (const Command& command : kCommands) help += command.help;
    help += L"  --help           print this text\n"
            L"  --version        print the version\n"
            L"\nExit codes: 0 success; 1 invalid configuration, refused, or bad usage;\n"
            L"2 a script error; 3 failed file operations.\n";
    return help;
}

int RunCommandLine(const Arguments& arguments) {
    std::size_t next = 0;
    while (next < arguments.size()) {
        const std::wstring& option = arguments[next];
        if (option == L"--help" || option == L"-h") {
            WriteStdout(HelpText());
            return kExitSuccess;
        }
        if (option == L"--version") {
            WriteStdout(std::wstring(kProgram) + L" " + kVersionText + L"\n");
            return kExitSuccess;
        }
        if (option != L"-C") break;
        if (next + 1 == arguments.size()) return BadUsage(L"-C needs a folder");
        if (!EnterFolder(arguments[next + 1])) {
            return BadUsage(L"cannot enter the folder " + arguments[next + 1]);
        }
        next += 2;
    }
    if (next == arguments.size()) return BadUsage(L"");
    const Command* command = FindCommand(arguments[next]);
    if (command == nullptr) return BadUsage(L"unknown command " + arguments[next]);
    const Arguments rest(arguments.begin() + static_cast<std::ptrdiff_t>(next) + 1, arguments.end());
    const std::optional<int> exitCode = command->run(rest);
    return exitCode ? *exitCode : BadUsage(L"wrong arguments for " + arguments[next]);
}

}  // namespace velmora::cli
