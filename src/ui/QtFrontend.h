#pragma once
// The front end of the dialog: Qt message boxes, file dialogs, the desktop's file
// manager and the progress window of long commands (WorkProgress), all owned by
// one window. Paths it returns use the platform's separator (NativePath).

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include "model/Frontend.h"
#include "ui/LocalPathOpener.h"
#include "ui/WorkProgress.h"

namespace velmora::ui {

class QtFrontend : public Frontend {
public:
    // opener receives every folder to open (tests record the URLs it is given).
    explicit QtFrontend(QWidget* owner = nullptr, LocalPathOpener opener = LocalPathOpener())
        : owner_(owner), opener_(std::move(opener)), progress_(owner) {}

    MessageAnswer message(const std::wstring& text, const std::wstring& caption,
                          MessageIcon icon, MessageButtons buttons) override;
    std::optional<std::wstring> pickFolder(const std::wstring& title,
                                           const std::wstring& startFolder,
                                           bool withEditBox) override;
    // A typed name of a file that does not exist yet is taken when its folder exists.
    std::optional<std::wstring> pickFile(const std::wstring& title, const std::wstring& filter,
                                         const std::wstring& defaultExtension) override;
    // A relative path is opened from the current working folder.
    void openFolder(const std::wstring& path) override;
    void beginWork(const std::wstring& text) override;
    void endWork() override;
    bool cancelRequested() override;

    // Which files a pattern shows: on Windows "*.*" shows every file; elsewhere it
    // shows only names with a dot, and "*" shows every file.
    enum class PatternRules { Windows, Posix };
#ifdef Q_OS_WIN
    static constexpr PatternRules kPlatformPatternRules = PatternRules::Windows;
#else
    static constexpr PatternRules kPlatformPatternRules = PatternRules::Posix;
#endif

    // A Win32 filter ("Name|pattern|Name|pattern||") as Qt name filters. A name
    // that already ends in its pattern in parentheses is kept as it is (trimmed).
    // Under Posix rules a "*.*" choice becomes "*", its name ending in " (*)".
    static QStringList NameFiltersFromWin32(const QString& filter,
                                            PatternRules rules = kPlatformPatternRules);

private:
    QPointer<QWidget> owner_;
    LocalPathOpener opener_;
    WorkProgress progress_;
};

}  // namespace velmora::ui
