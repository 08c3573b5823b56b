#include "ui/CKIVApp.h"

#include <QMessageBox>

#include "platform/Console.h"
#include "platform/FileSystem.h"
#include "platform/InstallLocation.h"
#include "platform/WorkingFolder.h"
#include "ui/AppIcon.h"
#include "ui/CKIVDlg.h"

namespace velmora::ui {
namespace {

using Kind = CKIVApp::StartRequest::Kind;

constexpr const wchar_t* kUsage =
    L"usage: velmora [DIR]\n"
    L"       velmora --user-workspace\n"
    L"       velmora --help | --version\n";

constexpr const wchar_t* kHelp =
    L"\nStarts the dialog in DIR, by default in the current folder: ./default.kiv, ZQD,\n"
    L"tes.lua, tens.lua, ldp.lua. --user-workspace starts it in the per-user working\n"
    L"folder (~/.local/share/velmora/workspace), laid out from the installed copy when\n"
    L"it holds no default.kiv yet; the desktop entry uses it.\n";

bool Refuse(const std::wstring& text) {
    WriteStderr(L"velmora: " + text + L"\n");
    return false;
}

// The desktop entry has no terminal to show the reason in.
bool RefuseInBox(const std::wstring& text) {
    QMessageBox::critical(nullptr, QString::fromWCharArray(kApplicationName),
                          QString::fromStdWString(text));
    return Refuse(text);
}

bool EnterUserWorkingFolder() {
    const std::wstring folder = UserWorkingFolder();
    if (folder.empty()) return RefuseInBox(L"HOME is not set; there is no per-user working folder.");
    if (!fs::Exists(fs::ToPath(folder) / "default.kiv")) {
        const std::wstring bundled = FindBundledWorkspace();
        if (bundled.empty()) {
            return RefuseInBox(L"the installed working folder was not found beside " +
                               ExecutablePath() + L".");
        }
        if (LayOutWorkingFolder(bundled, folder).outcome != LayOutOutcome::Created) {
            return RefuseInBox(L"the working folder " + folder + L" could not be laid out.");
        }
        WriteStdout(L"Working folder created: " + folder + L"\n");
    }
    if (!EnterFolder(folder)) return RefuseInBox(L"cannot enter the folder " + folder + L".");
    return true;
}

bool EnterStartFolder(const CKIVApp::StartRequest& request) {
    switch (request.kind) {
        case Kind::GivenFolder:
            if (EnterFolder(request.folder.toStdWString())) return true;
            return Refuse(L"cannot enter the folder " + request.folder.toStdWString() + L".");
        case Kind::UserFolder: return EnterUserWorkingFolder();
        default: return true;
    }
}

}  // namespace

CKIVApp::StartRequest CKIVApp::ParseArguments(const QStringList& arguments) {
    if (arguments.isEmpty()) return {Kind::CurrentFolder, {}};
    if (arguments.size() > 1) return {Kind::BadUsage, {}};
    const QString& argument = arguments.first();
    if (argument == QLatin1String("--help") || argument == QLatin1String("-h")) {
        return {Kind::Help, {}};
    }
    if (argument == QLatin1String("--version")) return {Kind::Version, {}};
    if (argument == QLatin1String("--user-workspace")) return {Kind::UserFolder, {}};
    // A folder whose name starts with '-' is given as ./-name.
    if (argument.startsWith(QLatin1Char('-')) || argument.isEmpty()) return {Kind::BadUsage, {}};
    return {Kind::GivenFolder, argument};
}

std::optional<int> CKIVApp::AnswerWithoutWindow(const QStringList& arguments) {
    switch (ParseArguments(arguments).kind) {
        case Kind::Help: WriteStdout(std::wstring(kUsage) + kHelp); return 0;
        case Kind::Version:
            WriteStdout(std::wstring(L"velmora ") + CKIVDlg::kVersionText + L"\n");
            return 0;
        default: return std::nullopt;
    }
}

CKIVApp::CKIVApp(int& argc, char** argv) : QApplication(argc, argv) {
    setApplicationName(QStringLiteral("Velmora"));
    setApplicationVersion(QString::fromWCharArray(CKIVDlg::kVersionText));
    setWindowIcon(VelmoraIcon());
}

int CKIVApp::InitInstance() {
    const QStringList given = arguments().mid(1);
    if (const std::optional<int> answered = AnswerWithoutWindow(given)) return *answered;
    const StartRequest request = ParseArguments(given);
    if (request.kind == Kind::BadUsage) {
        WriteStderr(kUsage);
        return 1;
    }
    if (!EnterStartFolder(request)) return 1;
    CKIVDlg dialog;
    dialog.exec();
    // No message loop follows the dialog.
    return 0;
}

}  // namespace velmora::ui
