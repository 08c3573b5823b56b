#pragma once
// Working folders: laying one out from the bundled copy, entering one, and the
// per-user folder that the desktop entry starts in.

#include <string>
#include <vector>

namespace velmora {

enum class LayOutOutcome {
    Created,        // everything copied, apart from what `kept` and `skipped` list
    Refused,        // the target holds a "default.kiv" already: nothing was written
    SourceMissing,  // the source is not a folder
    InsideSource,   // the target lies in the source: the copy would never end
    Failed,         // some folders or files could not be created (`failed`)
};

struct LayOutResult {
    LayOutOutcome outcome = LayOutOutcome::Created;
    std::vector<std::wstring> kept;     // target paths that existed and were left alone
    std::vector<std::wstring> skipped;  // source paths that are neither file nor folder
    std::vector<std::wstring> failed;   // target paths that could not be created
};

// Copies the working folder source into target, which is created (with its parents)
// when missing. Only regular files and folders are copied; an existing file is never
// replaced. "default.kiv" comes last and only when nothing failed before it, so a
// lay-out that failed or was interrupted can be run again.
LayOutResult LayOutWorkingFolder(const std::wstring& source, const std::wstring& target);

// Makes folder the current working folder; false (and nothing changed) when it is
// not a folder or cannot be entered.
bool EnterFolder(const std::wstring& folder);

// $XDG_DATA_HOME/velmora/workspace, else $HOME/.local/share/velmora/workspace; on
// Windows %LOCALAPPDATA%\Velmora\workspace. Empty when those variables are unset.
std::wstring UserWorkingFolder();

}  // namespace velmora
