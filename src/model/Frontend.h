#pragma once
// The one way the core talks to the person at the screen. The core decides every
// text, caption, icon and button set; a front end (the Qt dialog, the console
// runner, a scripted fake in tests) only shows them and returns the answer.

#include <optional>
#include <string>

namespace velmora {

enum class MessageIcon { None, Warning, Error, Information };
enum class MessageButtons { Ok, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Yes, No, Cancel };

// Caption of boxes that the system titles with the application's own name.
inline constexpr const wchar_t* kApplicationName = L"Velmora";

class Frontend {
public:
    virtual ~Frontend() = default;

    // Shows a modal message box; returns the button the user chose (Ok for an
    // Ok box; No when a Yes/No box and Cancel when a Yes/No/Cancel box is closed
    // without a choice).
    virtual MessageAnswer message(const std::wstring& text, const std::wstring& caption,
                                  MessageIcon icon, MessageButtons buttons) = 0;

    // Asks for a folder, starting at startFolder; nullopt when cancelled.
    virtual std::optional<std::wstring> pickFolder(const std::wstring& title,
                                                   const std::wstring& startFolder,
                                                   bool withEditBox) = 0;

    // Asks for an existing file; nullopt when cancelled.
    virtual std::optional<std::wstring> pickFile(const std::wstring& title,
                                                 const std::wstring& filter,
                                                 const std::wstring& defaultExtension) = 0;

    // Opens the folder in the platform's file manager.
    virtual void openFolder(const std::wstring& path) = 0;

    // A command that may run long (a generation, an import) starts and ends; text
    // says what it does. Between the two the core polls cancelRequested() from the
    // running script and between its steps, so a front end can keep its window
    // alive, show the progress and offer to stop. A message box in between is the
    // command's own and may come at any time.
    virtual void beginWork(const std::wstring& /*text*/) {}
    virtual void endWork() {}

    // True once the person asked to stop the command begun by beginWork. The
    // default front end has no way to ask: never.
    virtual bool cancelRequested() { return false; }
};

// beginWork on construction, endWork on destruction: every way out of a command
// ends its work.
class FrontendWork {
public:
    FrontendWork(Frontend& frontend, const std::wstring& text) : frontend_(frontend) {
        frontend_.beginWork(text);
    }
    ~FrontendWork() { frontend_.endWork(); }
    FrontendWork(const FrontendWork&) = delete;
    FrontendWork& operator=(const FrontendWork&) = delete;

private:
    Frontend& frontend_;
};

}  // namespace velmora
