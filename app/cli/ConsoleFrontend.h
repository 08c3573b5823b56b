#pragma once
// The headless runner's front end: every message is printed, nothing is asked.
// Errors and warnings (and a script's "Console" text) go to standard error, the
// rest to standard output. The overwrite question is answered by the command
// line; pickers are never available.

#include <optional>
#include <string>

#include "model/Frontend.h"

namespace velmora::cli {

class ConsoleFrontend : public Frontend {
public:
    // overwrite answers the Yes/No/Cancel question: Yes when set, else Cancel.
    explicit ConsoleFrontend(bool overwrite = false) : overwrite_(overwrite) {}

    // Ok boxes are printed and return Ok; a question is not printed. A Yes/No
    // question is answered No.
    MessageAnswer message(const std::wstring& text, const std::wstring& caption, MessageIcon icon,
                          MessageButtons buttons) override;
    // Always nullopt: a headless run cannot pick.
    std::optional<std::wstring> pickFolder(const std::wstring& title,
                                           const std::wstring& startFolder,
                                           bool withEditBox) override;
    std::optional<std::wstring> pickFile(const std::wstring& title, const std::wstring& filter,
                                         const std::wstring& defaultExtension) override;
    // Does nothing: no file manager is started.
    void openFolder(const std::wstring& path) override;

private:
    bool overwrite_;
};

}  // namespace velmora::cli
