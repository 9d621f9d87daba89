#include "ui/startup.h"

#include <libgen.h>
#include <unistd.h>

#include <string>

void enterResourceDirectory(const char* programPath) {
    std::string path(programPath);  // dirname may write into its argument
    // If the program's directory cannot be entered, stay where we were started and do
    // not look for a Resources directory relative to that.
    if (chdir(dirname(path.data())) != 0) return;
    // Without a sibling Resources directory the program's own directory is used.
    if (chdir("../Resources") != 0) return;
}
