#pragma once
// Where the library and the main program it starts lie.

#include <string>

// The library's own full path, symbolic links resolved; empty when unknown.
std::string LibraryPath();

// The main program that the hot key and the "Zembrolt Utility..." launcher
// start: the one "Install Path" and "AppName" name when that is a program,
// else "zembrolt" beside this library (before the program's first run, or
// after it was moved).
std::string MainProgramPath();
