#pragma once
// Where the files the program keeps in the user's data folder live. They are
// read and replaced through platform/PosixFile.h.

#include <string>

namespace zb {

// $XDG_DATA_HOME when it is an absolute path, else $HOME/.local/share; empty
// when neither is known.
std::string UserDataHome();

}  // namespace zb
