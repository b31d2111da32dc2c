// Running another program to its end under a time limit: it starts in a session of its own, so
// that stopping it stops every process it started too, and its output goes to a file.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace vx {

struct TRunResult {
    enum TOutcome {
        Exited,     // ExitCode holds its exit status
        NotStarted, // the program could not be started
        TimedOut,   // stopped after the time limit
        Stopped,    // stopped because `stop` said so
        Signalled,  // ended by a signal it did not catch
    } Outcome = NotStarted;
    int ExitCode = -1;
};

struct TRunOptions {
    // Milliseconds the program may run; 0 or less means no limit.
    int64_t TimeLimitMs = 0;
    // Asked every few milliseconds while the program runs; true stops it.
    std::function<bool()> Stop;
    // Standard output and standard error go to this file (empty: nowhere).
    std::string OutputFile;
    // Working folder of the program (empty: the caller's).
    std::string WorkDir;
};

// Runs argv[0] (looked up in PATH when it holds no '/') with the arguments and waits for it
// to end, stopping it and everything it started when the limit passes or `Stop` says so.
TRunResult RunProgram(const std::vector<std::string>& argv, const TRunOptions& options);

// The full path of an executable program: `name` itself when it holds a '/', else the first
// match in PATH. Empty when there is none.
std::string FindProgram(const std::string& name);

// A new empty folder under the system's temporary folder, named from `prefix`; empty when it
// cannot be made.
std::string MakeTempDir(const std::string& prefix);
// Removes a folder and everything in it (never following symbolic links); false on failure.
bool RemoveTree(const std::string& dir);

}  // namespace vx
