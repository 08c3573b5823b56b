#pragma once
// A front end for tests: records every message box, folder/file request and
// openFolder call in order, and answers from queues filled by the test.
//
//   ScriptedFrontend ui;
//   ui.queueAnswer(MessageAnswer::Yes);          // next message() returns Yes
//   ui.queueFolder(L"/tmp/x");                   // next pickFolder() returns it
//   ... run the code ...
//   ASSERT_EQ(ui.messages.size(), 1u);
//   EXPECT_EQ(ui.messages[0].text, L"...");
//
// Defaults when a queue is empty: message() returns Ok for an Ok box, No for a
// Yes/No box and Cancel for a Yes/No/Cancel box; pickFolder()/pickFile() return
// nullopt.
//
// Work: beginWork/endWork are recorded; cancelRequested() counts its polls and
// answers true from poll number cancelAtPoll on (never while it is 0).

#include <deque>
#include <optional>
#include <string>
#include <vector>

#include "model/Frontend.h"

namespace velmora::test {

struct RecordedMessage {
    std::wstring text;
    std::wstring caption;
    MessageIcon icon;
    MessageButtons buttons;
    MessageAnswer answer;  // what the scripted front end returned
};

struct RecordedPick {
    enum class Kind { Folder, File } kind;
    std::wstring title;
    std::wstring startFolderOrFilter;  // pickFolder: startFolder; pickFile: filter
    std::wstring defaultExtension;     // pickFile only
    bool withEditBox = false;          // pickFolder only
    std::optional<std::wstring> result;
};

class ScriptedFrontend : public Frontend {
public:
    MessageAnswer message(const std::wstring& text, const std::wstring& caption,
                          MessageIcon icon, MessageButtons buttons) override;
    std::optional<std::wstring> pickFolder(const std::wstring& title,
                                           const std::wstring& startFolder,
                                           bool withEditBox) override;
    std::optional<std::wstring> pickFile(const std::wstring& title,
                                         const std::wstring& filter,
                                         const std::wstring& defaultExtension) override;
    void openFolder(const std::wstring& path) override;
    void beginWork(const std::wstring& text) override;
    void endWork() override;
    bool cancelRequested() override;

    // Scripting.
    void queueAnswer(MessageAnswer answer) { answers.push_back(answer); }
    void queueFolder(std::optional<std::wstring> folder) { folders.push_back(std::move(folder)); }
    void queueFile(std::optional<std::wstring> file) { files.push_back(std::move(file)); }

    // Convenience: texts of all recorded messages, in order.
    std::vector<std::wstring> messageTexts() const;
    // Forget everything recorded (queues are kept).
    void clearRecords();

    // Queues (consumed front first).
    std::deque<MessageAnswer> answers;
    std::deque<std::optional<std::wstring>> folders;
    std::deque<std::optional<std::wstring>> files;
    int cancelAtPoll = 0;

    // Records, in call order.
    std::vector<RecordedMessage> messages;
    std::vector<RecordedPick> picks;
    std::vector<std::wstring> openedFolders;
    std::vector<std::wstring> workBegun;  // the texts of beginWork
    int workEnded = 0;
    int polls = 0;                       // cancelRequested() calls
    int pollsOutsideWork = 0;            // of them, between endWork and beginWork
    bool working = false;
};

}  // namespace velmora::test
