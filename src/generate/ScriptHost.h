#pragma once
// Runs one Lua 5.1 script in a fresh state: Open, LoadScript, the Set/Register
// calls, Run, Close. Every chunk runs under a protected call, so a script error
// never ends the process: it is shown in an "ERROR" box (the error text) and a
// "Console" box (the script's printResult), and the caller abandons its command.

#include <cstdint>
#include <string>

#include <lua.hpp>

#include "model/Frontend.h"

namespace velmora {

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
    // error, after the "ERROR" and "Console" boxes.
    bool Run();

    void Close();

    // The stack traceback of the last run-time error, or empty.
    const std::wstring& lastTraceback() const { return lastTraceback_; }

    // Shows the two error boxes for the error text; used for every script error.
    void ReportError(const std::wstring& errorText);

private:
    static int MessageHandler(lua_State* state);
    static int PanicHandler(lua_State* state);
    std::wstring ErrorTextAtTop() const;
    std::wstring PrintResultText() const;
    bool Ready() const { return state_ != nullptr && chunkLoaded_; }

    Frontend& frontend_;
    ScriptTrace* trace_;
    lua_State* state_ = nullptr;
    bool chunkLoaded_ = false;
    std::wstring lastTraceback_;
};

// The host function dbg: writes its arguments to standard output, a tab between
// two, a newline after the last. Returns no results.
int ScriptDbg(lua_State* state);

}  // namespace velmora
