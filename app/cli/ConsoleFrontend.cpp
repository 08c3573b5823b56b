#include "ConsoleFrontend.h"

#include "platform/Console.h"

namespace velmora::cli {
namespace {

bool GoesToStandardError(const std::wstring& caption, MessageIcon icon) {
    return caption == L"ERROR" || caption == L"Console" || icon == MessageIcon::Error ||
           icon == MessageIcon::Warning;
}

}  // namespace

MessageAnswer ConsoleFrontend::message(const std::wstring& text, const std::wstring& caption,
                                       MessageIcon icon, MessageButtons buttons) {
    if (buttons == MessageButtons::YesNoCancel) {
        return overwrite_ ? MessageAnswer::Yes : MessageAnswer::Cancel;
    }
    // Nobody is there to agree to give something up.
    if (buttons == MessageButtons::YesNo) return MessageAnswer::No;
    if (GoesToStandardError(caption, icon)) {
        WriteStderr(text + L"\n");
    } else {
        WriteStdout(text + L"\n");
    }
    return MessageAnswer::Ok;
}

std::optional<std::wstring> ConsoleFrontend::pickFolder(const std::wstring&, const std::wstring&,
                                                        bool) {
    return std::nullopt;
}

std::optional<std::wstring> ConsoleFrontend::pickFile(const std::wstring&, const std::wstring&,
                                                      const std::wstring&) {
    return std::nullopt;
}

void ConsoleFrontend::openFolder(const std::wstring&) {}

}  // namespace velmora::cli
