// The command line on SHELL32, in a file of its own: only the recorder asks
// for its arguments, and the windowed program imports nothing from SHELL32.

#include "platform/platform.h"
#include "platform/win32/win32_platform.h"

#include <shellapi.h>

std::vector<std::string> programArguments(int argc, char** argv) {
    // The C runtime's argv has been through the ANSI code page, which holds
    // only some of the characters a path may have; the wide command line
    // holds them all.
    int count = 0;
    LPWSTR* wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (wide == nullptr) {
        return std::vector<std::string>(argv, argv + argc);
    }
    std::vector<std::string> arguments;
    for (int i = 0; i < count; ++i) {
        arguments.push_back(toUtf8(wide[i]));
    }
    LocalFree(wide);
    return arguments;
}
