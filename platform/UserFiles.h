#pragma once
// The files the program keeps in the user's data folder: where that folder is,
// and how a file there is replaced without ever leaving a half-written one.

#include <cstddef>
#include <string>

namespace zb {

// $XDG_DATA_HOME when it is an absolute path, else $HOME/.local/share; empty
// when neither is known.
std::string UserDataHome();
// $XDG_CONFIG_HOME when it is an absolute path, else $HOME/.config; empty when
// neither is known.
std::string UserConfigHome();

// Creates `folder` and every missing parent (each with `mode`); true when the
// folder exists afterwards.
bool CreateFolders(const std::string& folder, unsigned mode);

// Replaces the file at `path` with `size` bytes: writes a temporary file in
// the same folder, syncs it, gives it `mode` and renames it over `path`. On
// any failure the temporary file is removed, the old file stays as it was and
// the result is false.
bool WriteFileAtomically(const std::string& path, const void* data, std::size_t size,
                         unsigned mode);

// Reads a whole regular file of at most `maxBytes` bytes into `bytes`. False
// (with `bytes` empty) when the file is missing, is no regular file, is larger
// or cannot be read completely.
bool ReadWholeFile(const std::string& path, std::size_t maxBytes, std::string& bytes);

}  // namespace zb
