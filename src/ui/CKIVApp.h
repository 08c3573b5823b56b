#pragma once
// The application: starts Qt, runs the main dialog modally and ends with it.
//
//   velmora [DIR]              the dialog in DIR (default: the current folder)
//   velmora --user-workspace   the dialog in the per-user working folder, laid out
//                              from the installed copy on first use (the desktop entry)
//   velmora --help | --version

#include <optional>

#include <QApplication>
#include <QString>
#include <QStringList>

namespace velmora::ui {

class CKIVApp : public QApplication {
    Q_OBJECT

public:
    // What the command line asks for.
    struct StartRequest {
        enum class Kind { CurrentFolder, GivenFolder, UserFolder, Help, Version, BadUsage };
        Kind kind = Kind::CurrentFolder;
        QString folder;  // GivenFolder only
    };

    // Reads the arguments after the program name (Qt's own options removed already).
    static StartRequest ParseArguments(const QStringList& arguments);

    // --help and --version, which need no display: prints the answer and returns 0.
    // nullopt for every other command line.
    static std::optional<int> AnswerWithoutWindow(const QStringList& arguments);

    CKIVApp(int& argc, char** argv);

    // Enters the folder the command line names and shows the main dialog there.
    // Returns 0 when the dialog closes and after --help or --version; 1 when the
    // command line is wrong or the folder cannot be laid out or entered (the reason
    // on standard error, for --user-workspace in a message box as well).
    int InitInstance();
};

}  // namespace velmora::ui
