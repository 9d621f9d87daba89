#include "ui/system.h"

#include <windows.h>
#include <shellapi.h>

// argv[0] comes in the ANSI code page, which turns every character outside it into "?":
// a folder named in another script would lead nowhere. The wide command line keeps the
// path whole, and its first argument is the same path as started. Only out of memory can
// make it fail; the editor then stays where it was started, as for a directory it cannot
// enter.
std::filesystem::path programDirectory(const char*) {
    int count = 0;
    LPWSTR* arguments = CommandLineToArgvW(GetCommandLineW(), &count);
    if (arguments == nullptr) return {};
    const std::filesystem::path program = arguments[0];
    LocalFree(arguments);
    return program.has_parent_path() ? program.parent_path() : ".";
}

// Gives up the rest of the time slice to any thread that is ready.
void yieldBetweenTicks() { Sleep(0); }
