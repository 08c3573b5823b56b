#include "support/ScriptedFrontend.h"

namespace velmora::test {

MessageAnswer ScriptedFrontend::message(const std::wstring& text, const std::wstring& caption,
                                        MessageIcon icon, MessageButtons buttons) {
    MessageAnswer answer = MessageAnswer::Cancel;
    if (buttons == MessageButtons::Ok) answer = MessageAnswer::Ok;
    if (buttons == MessageButtons::YesNo) answer = MessageAnswer::No;
    if (!answers.empty()) {
        answer = answers.front();
        answers.pop_front();
    }
    messages.push_back({text, caption, icon, buttons, answer});
    return answer;
}

std::optional<std::wstring> ScriptedFrontend::pickFolder(const std::wstring& title,
                                                         const std::wstring& startFolder,
                                                         bool withEditBox) {
    std::optional<std::wstring> result;
    if (!folders.empty()) {
        result = folders.front();
        folders.pop_front();
    }
    picks.push_back({RecordedPick::Kind::Folder, title, startFolder, std::wstring(), withEditBox,
                     result});
    return result;
}

std::optional<std::wstring> ScriptedFrontend::pickFile(const std::wstring& title,
                                                       const std::wstring& filter,
                                                       const std::wstring& defaultExtension) {
    std::optional<std::wstring> result;
    if (!files.empty()) {
        result = files.front();
        files.pop_front();
    }
    picks.push_back({RecordedPick::Kind::File, title, filter, defaultExtension, false, result});
    return result;
}

void ScriptedFrontend::openFolder(const std::wstring& path) { openedFolders.push_back(path); }

void ScriptedFrontend::beginWork(const std::wstring& text) {
    workBegun.push_back(text);
    working = true;
}

void ScriptedFrontend::endWork() {
    ++workEnded;
    working = false;
}

bool ScriptedFrontend::cancelRequested() {
    ++polls;
    if (!working) ++pollsOutsideWork;
    return cancelAtPoll > 0 && polls >= cancelAtPoll;
}

std::vector<std::wstring> ScriptedFrontend::messageTexts() const {
    std::vector<std::wstring> texts;
    texts.reserve(messages.size());
    for (const auto& m : messages) texts.push_back(m.text);
    return texts;
}

void ScriptedFrontend::clearRecords() {
    messages.clear();
    picks.clear();
    openedFolders.clear();
    workBegun.clear();
    workEnded = 0;
    polls = 0;
    pollsOutsideWork = 0;
}

}  // namespace velmora::test
