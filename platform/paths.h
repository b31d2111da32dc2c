// Where the program lives and where it may keep its files, and opening a document with the
// desktop's default handler.
#pragma once

#include <string>

namespace vx {

// Folder of the running executable, with a trailing '/'.
std::string ProgramDir();
// The user's configuration folder for this program ($XDG_CONFIG_HOME/vellibrox or
// ~/.config/vellibrox), with a trailing '/'. Not created here.
std::string UserConfigDir();
// True when a file can be created in `dir`.
bool DirWritable(const std::string& dir);
// Creates `dir` and its parents; true when it exists afterwards.
bool MakeDirs(const std::string& dir);
// Opens a document or address with the desktop's handler without waiting; false when no
// handler could be started.
bool ShellOpen(const std::string& target);

}  // namespace vx
