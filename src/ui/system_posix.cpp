#include "ui/system.h"

#include <libgen.h>
#include <unistd.h>

#include <string>

std::filesystem::path programDirectory(const char* programPath) {
    std::string path(programPath);  // dirname may write into its argument
    return dirname(path.data());
}

// Zero seconds enters the kernel and returns within microseconds.
void yieldBetweenTicks() { sleep(0); }
