#pragma once
// The standard-library calls that would end the host or block it for good. In a
// fresh state they raise an error that names them and ends only the script:
//   os.exit                          ends the program, and the dialog with it;
//   debug.debug                      reads commands from standard input;
//   io.read, io.lines without a file name, while the default input is standard
//   input, and io.stdin:read, io.stdin:lines: wait for input nobody types;
//   debug.sethook                    would remove the hook that stops a script
//                                    running too long or cancelled.
// The rest of io, os and debug is left alone, but the calls that see files
// (io.open, io.lines, loadfile, os.remove and os.rename for the files they name;
// io.popen and os.execute for all) first put on the disk what a generation holds
// in memory for them, so they see every file it has written.

#include <lua.hpp>

namespace velmora {

// Replaces the calls above in a state with the standard libraries open.
void GuardStandardLibrary(lua_State* state);

}  // namespace velmora
