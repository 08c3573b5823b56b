// velmora-cli: the headless runner. It works in the current folder like the dialog.

#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "platform/TextCodec.h"

int main(int argc, char** argv) {
    velmora::UseUserLocale();
    std::vector<std::wstring> arguments;
    for (int i = 1; i < argc; ++i) arguments.push_back(velmora::ToWide(argv[i]));
    return velmora::cli::RunCommandLine(arguments);
}
