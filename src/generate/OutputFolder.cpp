#include "generate/OutputFolder.h"

#include "platform/FileSystem.h"

namespace velmora {
namespace {

bool Exists(const std::wstring& path) { return fs::Exists(fs::ToPath(path)); }

void CreateIfMissing(const std::wstring& path) {
    if (!path.empty() && !Exists(path)) fs::CreateOneDirectory(fs::ToPath(path));
}

// Missing and named: created without a question. Missing and unnamed: only a
// picked folder can help. Present and not empty: the user decides.
MessageAnswer AnswerFor(const std::wstring& path, Frontend& frontend) {
    if (!Exists(path)) {
        if (path.empty()) return MessageAnswer::No;
        fs::CreateOneDirectory(fs::ToPath(path));
        return MessageAnswer::Yes;
    }
    return frontend.message(OverwriteQuestion(path), L"Warning", MessageIcon::Warning,
                            MessageButtons::YesNoCancel);
}

// Generating into a folder that is not there would fail file by file and still end
// in a success message; say so once instead.
OutputFolderOutcome AcceptIfUsable(const std::wstring& path, Frontend& frontend) {
    CreateIfMissing(path);
    if (fs::IsDirectory(fs::ToPath(path))) return OutputFolderOutcome::Accepted;
    frontend.message(L"Unable to create the output folder:\n\n  " + path, L"ERROR",
                     MessageIcon::Error, MessageButtons::Ok);
    return OutputFolderOutcome::Unavailable;
}

}  // namespace

std::wstring OverwriteQuestion(const std::wstring& folder) {
    return L"Directory:\n\n  " + folder + L"\n\nExisted.\nDo you want to overwrite it?";
}

OutputFolderOutcome ResolveOutputFolder(std::wstring& templatePath, Frontend& frontend) {
    for (;;) {
        if (fs::IsDirectoryEmpty(fs::ToPath(templatePath))) return OutputFolderOutcome::Accepted;
        const MessageAnswer answer = AnswerFor(templatePath, frontend);
        if (answer == MessageAnswer::Yes) return AcceptIfUsable(templatePath, frontend);
        if (answer != MessageAnswer::No) return OutputFolderOutcome::CancelledPrompt;
        const auto picked = frontend.pickFolder(L"Please select a folder", templatePath, true);
        if (!picked) return OutputFolderOutcome::CancelledPicker;
        templatePath = *picked;
    }
}

}  // namespace velmora
