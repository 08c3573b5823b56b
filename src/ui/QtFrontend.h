#pragma once
// The front end of the dialog: Qt message boxes, file dialogs, the desktop's file
// manager and the progress window of long commands (WorkProgress), all owned by
// one window.

#include <QPointer>
#include <QStringList>
#include <QWidget>

#include "model/Frontend.h"
#include "ui/WorkProgress.h"

namespace velmora::ui {

class QtFrontend : public Frontend {
public:
    explicit QtFrontend(QWidget* owner = nullptr) : owner_(owner), progress_(owner) {}

    MessageAnswer message(const std::wstring& text, const std::wstring& caption,
                          MessageIcon icon, MessageButtons buttons) override;
    std::optional<std::wstring> pickFolder(const std::wstring& title,
                                           const std::wstring& startFolder,
                                           bool withEditBox) override;
    std::optional<std::wstring> pickFile(const std::wstring& title, const std::wstring& filter,
                                         const std::wstring& defaultExtension) override;
    void openFolder(const std::wstring& path) override;
    void beginWork(const std::wstring& text) override;
    void endWork() override;
    bool cancelRequested() override;

    // A Win32 filter ("Name|pattern|Name|pattern||") as Qt name filters. A name
    // that already ends in its pattern in parentheses is kept as it is (trimmed).
    static QStringList NameFiltersFromWin32(const QString& filter);

private:
    QPointer<QWidget> owner_;
    WorkProgress progress_;
};

}  // namespace velmora::ui
