#pragma once
// What a script prints: print, io.write while the default output is standard
// output or error, the write method on io.stdout and io.stderr, and the host's
// dbg. It still reaches the process's output as before; the host also keeps it
// for a front end that has no console to show it.

#include <cstddef>
#include <string>

#include <lua.hpp>

namespace velmora {

class ScriptOutput {
public:
    // Bytes in the narrow code page, as the script wrote them. Beyond kKeptBytes
    // nothing more is kept, and the text ends with a line that says so.
    void Append(const char* bytes, std::size_t length);
    void Clear();

    // Everything kept, as wide text; empty when the script printed nothing.
    std::wstring Text() const;

    static constexpr std::size_t kKeptBytes = std::size_t{1} << 20;

private:
    std::string kept_;
    bool truncated_ = false;
};

// In a fresh state with the standard libraries: replaces print, io.write and the
// files' write method by ones that do the same and also append to output, which
// must outlive the state. Raises a Lua error when the io library is missing.
void CaptureScriptOutput(lua_State* state, ScriptOutput& output);

}  // namespace velmora
