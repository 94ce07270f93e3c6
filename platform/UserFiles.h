#pragma once
// The user's data and config folders, where the files the program keeps live.
// Those files are read and replaced through platform/PosixFile.h.

#include <string>

namespace zb {

// $XDG_DATA_HOME when it is an absolute path, else $HOME/.local/share; empty
// when neither is known.
std::string UserDataHome();
// $XDG_CONFIG_HOME when it is an absolute path, else $HOME/.config; empty when
// neither is known.
std::string UserConfigHome();

}  // namespace zb
