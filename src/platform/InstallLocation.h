#pragma once
// Where a program finds the working folder it ships with (default.kiv, ZQD, the
// scripts, the stand-in BSP): relative to its own executable, so that an unpacked
// package works from any prefix. Two layouts are known:
//   the Debian package  PREFIX/bin/velmora-cli   beside PREFIX/share/velmora/workspace
//   the Windows zip     FOLDER/velmora-cli.exe   beside FOLDER/workspace
// A program that runs from inside the build folder it was built in uses the source
// tree's workspace/ instead, so that tests and scripts/run.sh need no install step.

#include <string>

namespace velmora {

// The running program's full path; empty when the system does not tell it.
std::wstring ExecutablePath();

// The bundled working folder of a program at executablePath, as a full path: the
// first layout above that is a folder holding a "default.kiv"; empty when none is
// (or the path is empty).
std::wstring FindBundledWorkspace(const std::wstring& executablePath);

// FindBundledWorkspace(ExecutablePath()).
std::wstring FindBundledWorkspace();

}  // namespace velmora
