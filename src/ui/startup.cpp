#include "ui/startup.h"

#include "ui/system.h"

#include <filesystem>
#include <system_error>

void enterResourceDirectory(const char* programPath) {
    std::error_code failed;
    // If the program's directory cannot be entered, stay where we were started and do
    // not look for a Resources directory relative to that.
    std::filesystem::current_path(programDirectory(programPath), failed);
    if (failed) return;
    // Without a sibling Resources directory the program's own directory is used.
    std::filesystem::current_path("../Resources", failed);
}
