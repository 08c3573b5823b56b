#pragma once
// Working folders for generation tests: a small template tree of the shape the
// generator expects, scripts that record every global they find, a trace of what
// the host set, and the names a bare Lua state already has.

#include <map>
#include <set>
#include <string>
#include <vector>

#include "generate/ScriptHost.h"
#include "support/TempDir.h"

namespace velmora::test {

// ZQD/Secure, ZQD/Nonsecure (with their tool-chain and main files), the partition
// header, the XOM function files and both workspace files, below dir. Each file
// holds "template PATH\n"; the Keil and IAR files hold <template file="PATH"/>.
void WriteTemplateTree(const TempDir& dir);

// A script that appends to "globals.log" one "run" line and then, sorted by name,
// "name\ttype\tvalue" for every global it finds (numbers printed exactly).
extern const char* const kRecordingScript;

// What one script run found in its globals, by name: {type, value}.
using FoundGlobals = std::map<std::string, std::pair<std::string, std::string>>;

// The runs recorded in dir's "globals.log", in order, without the globals that a
// bare state with the standard libraries already has.
std::vector<FoundGlobals> ReadRecordedRuns(const TempDir& dir);

// The global names of luaL_newstate + luaL_openlibs.
std::set<std::string> StandardGlobalNames();

// The host's side: every script it loaded and the globals it then set, in order.
class RecordingTrace : public ScriptTrace {
public:
    struct Run {
        std::wstring script;
        std::vector<ScriptGlobal> globals;
    };
    void scriptLoaded(const std::wstring& fileName) override { runs.push_back({fileName, {}}); }
    void globalSet(const ScriptGlobal& global) override;

    std::vector<Run> runs;
    int globalsBeforeAnyLoad = 0;
};

// Names of the run's globals in the order they were set.
std::vector<std::string> NamesInOrder(const RecordingTrace::Run& run);

// An expected global: a text, or a number (compared as the script prints it).
struct Expected {
    std::string name;
    std::string type;   // "string", "number" or "function"
    std::string value;  // UTF-8 text, or the decimal number
};
Expected Text(const std::string& name, const std::wstring& value);
Expected Number(const std::string& name, unsigned long long value);
Expected Function(const std::string& name);

// Checks both sides: the host set exactly these globals in this order, and the
// script found exactly these (type and value) besides the standard ones.
void ExpectRunGlobals(const RecordingTrace::Run& hostRun, const FoundGlobals& scriptRun,
                      const std::vector<Expected>& expected);

// The text with the platform's separator in place of each '/'.
std::wstring P(const std::wstring& slashed);

}  // namespace velmora::test
