#pragma once

// What the front end asks of the operating system, written once per system
// (system_posix.cpp, system_windows.cpp), so that the start-up rules read the same on every
// system.

#include <filesystem>

// The directory part of the path the program was started by, `programPath` (argv[0]), as
// POSIX dirname gives it: "." for a bare name.
std::filesystem::path programDirectory(const char* programPath);

// Lets the window system and the GL driver's threads in after a step that kept the
// processor busy: a yield, not a delay.
void yieldBetweenTicks();
