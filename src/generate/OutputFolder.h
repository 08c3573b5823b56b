#pragma once
// Choosing the output folder of a generation: an empty folder is taken, a missing
// one is created, an existing non-empty one needs the user's consent, and "No"
// lets the user pick another folder.

#include <string>

#include "model/Frontend.h"

namespace velmora {

enum class OutputFolderOutcome {
    Accepted,         // templatePath names a folder to generate into
    CancelledPrompt,  // Cancel at the overwrite question
    CancelledPicker,  // the folder picker was cancelled
    Unavailable,      // the folder could not be created; the error box has been shown
};

// Resolves templatePath in place: a picked folder replaces it (whole) even when a
// later step cancels. Nothing in an existing folder is deleted.
OutputFolderOutcome ResolveOutputFolder(std::wstring& templatePath, Frontend& frontend);

// "Directory:\n\n  %s\n\nExisted.\nDo you want to overwrite it?"
std::wstring OverwriteQuestion(const std::wstring& folder);

}  // namespace velmora
