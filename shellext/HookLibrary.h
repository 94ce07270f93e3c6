#pragma once
// What the library's two halves share.

#include "platform/WinTypes.h"

// Starts the main program (MainProgramPath) without arguments, in a session
// of its own.
void LaunchMainProgram();

// Sets this process's hot-key letter from "Hot Key" (its low byte; 'F' when
// the key or value is missing). 1 when both keys could be opened, else 0.
BOOL LoadHotKeySetting();
