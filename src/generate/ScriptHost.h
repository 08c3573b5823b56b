#pragma once
// Runs one Lua 5.1 script in a fresh state: Open, LoadScript, the Set/Register
// calls, Run, Close. Every chunk runs under a protected call, so a script error
// never ends the process: it is shown in an "ERROR" box (the error text) and a
// "Console" box (the script's printResult), and the caller abandons its command.
// A state has the standard libraries less the calls that would end or block the
// host (ScriptLibraryGuards.h); what the script prints is kept (ScriptOutput.h).
// A run is stopped when it passes its instruction limit (a script error) or when
// the front end's cancelRequested() answers true (no box at all).

#include <cstddef>
#include <cstdint>
#include <string>

#include <lua.hpp>

#include "generate/ScriptArena.h"
#include "generate/ScriptOutput.h"
#include "model/Frontend.h"

namespace velmora {

// Instructions one state may run: over thirty times what the shipped import needs
// for 40,000 targets (about 580,000,000); a tight endless loop reaches it after a
// minute or so, one that calls library functions after several.
inline constexpr std::uint64_t kDefaultScriptInstructionLimit = 20'000'000'000ULL;
// Instructions between two looks at the limit and at the front end's Cancel.
inline constexpr int kScriptPollInstructions = 10'000;
// The garbage collector of a state waits until the state holds this much, then
// runs as usual.
inline constexpr std::size_t kScriptCollectorWaitBytes = std::size_t{32} << 20;

// One global as the host handed it to a script.
struct ScriptGlobal {
    enum class Kind { Text, Number, Function };
    std::string name;
    Kind kind = Kind::Text;
    std::wstring text;         // Text only
    std::uint32_t number = 0;  // Number only
};

// Watches what a host hands to its scripts; tests use it to see the exact globals
// and their order.
class ScriptTrace {
public:
    virtual ~ScriptTrace() = default;
    virtual void scriptLoaded(const std::wstring& fileName) = 0;
    virtual void globalSet(const ScriptGlobal& global) = 0;
    // The state of a run is closed; it ran about that many instructions.
    virtual void scriptClosed(std::uint64_t /*instructions*/) {}
};

class ScriptHost {
public:
    explicit ScriptHost(Frontend& frontend, ScriptTrace* trace = nullptr);
    ~ScriptHost();
    ScriptHost(const ScriptHost&) = delete;
    ScriptHost& operator=(const ScriptHost&) = delete;

    // A fresh state with the standard libraries (a state still open is closed
    // first); false when no state could be created.
    bool Open();

    // The limit of the states opened from now on, counted in steps of
    // kScriptPollInstructions; a run that passes it fails with a script error.
    void SetInstructionLimit(std::uint64_t limit) { instructionLimit_ = limit; }

    // Compiles the file (name used unchanged, relative to the working folder).
    // False on failure, after the "ERROR" box "cannot run configuration file: "
    // with Lua's message, and the "Console" box.
    bool LoadScript(const std::wstring& fileName);

    // Globals on the table of globals. Text goes through the narrow code page whole;
    // a number arrives as the exactly equal double (0xFFFFFFFF as 4294967295).
    void SetString(const std::string& name, const std::wstring& text);
    void SetNumber(const std::string& name, std::uint32_t value);
    // A host function; context reaches it as lua_touserdata(L, lua_upvalueindex(1)).
    void Register(const std::string& name, lua_CFunction function, void* context = nullptr);

    // Calls the loaded chunk with no arguments and no results. False on a run-time
    // error, after the "ERROR" and "Console" boxes; false without a box when the
    // front end asked to cancel (then cancelled() is true).
    bool Run();
    bool cancelled() const { return stop_ == Stop::Cancelled; }

    void Close();

    // The stack traceback of the last run-time error, or empty.
    const std::wstring& lastTraceback() const { return lastTraceback_; }

    // What the script of the current or last state printed, or empty.
    std::wstring printedText() const { return output_.Text(); }

    // Shows the two error boxes for the error text; used for every script error.
    void ReportError(const std::wstring& errorText);

private:
    enum class Stop { None, Cancelled, LimitPassed };

    static int OpenLibraries(lua_State* state);
    static int MessageHandler(lua_State* state);
    static int PanicHandler(lua_State* state);
    static void CountHook(lua_State* state, lua_Debug* where);
    static void* Allocate(void* host, void* block, std::size_t oldSize, std::size_t newSize);
    bool ShouldStop(lua_State* state);
    void KeepStopping(lua_State* state);
    std::wstring PrintResultText() const;
    bool Ready() const { return state_ != nullptr && chunkLoaded_; }

    friend int ScriptDbg(lua_State* state);

    Frontend& frontend_;
    ScriptTrace* trace_;
    lua_State* state_ = nullptr;
    bool chunkLoaded_ = false;
    std::wstring lastTraceback_;
    ScriptOutput output_;
    std::uint64_t instructionLimit_ = kDefaultScriptInstructionLimit;
    std::uint64_t instructionsRun_ = 0;
    Stop stop_ = Stop::None;
    bool collectorWaiting_ = false;
    ScriptArena arena_;
    std::string stopText_;
};

// The host function dbg: writes its arguments to standard output, a tab between
// two, a newline after the last, and keeps them with the script's output.
// Returns no results.
int ScriptDbg(lua_State* state);

}  // namespace velmora
