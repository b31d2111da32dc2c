// A seam for tests of two processes on one table: the engine passes a few points where the work
// of another process must be locked out, and a test may stop a process there.
#pragma once

namespace vx {

// Called with the point's name: "open" (Open, under the table's lock, between taking the
// file's size and reading its header) and "memo-block" (a memo written to new blocks, under
// the memo file's lock, between reading the next free block and writing the memo). Null in
// the program.
extern void (*RacePoint)(const char* point);

inline void AtRacePoint(const char* point) {
    if (RacePoint) RacePoint(point);
}

}  // namespace vx
