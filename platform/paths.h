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

// The same, for a caller that wants to hear when the handler gives up (no program for the
// document, no browser, a missing file): the handler may run for as long as the document is
// shown, so the caller asks from time to time instead of waiting.
class TShellOpen {
public:
    enum TState { Running, Opened, Failed };
    // Starts the handler (Failed at once when it cannot be started).
    explicit TShellOpen(const std::string& target);
    // A handler still running is left to run and reaped in the background.
    ~TShellOpen();
    TShellOpen(const TShellOpen&) = delete;
    TShellOpen& operator=(const TShellOpen&) = delete;

    // Running until the handler ends; then Failed when it reported failure, else Opened.
    TState Poll();

private:
    int Pid = -1;
    TState State = Failed;
};

}  // namespace vx
