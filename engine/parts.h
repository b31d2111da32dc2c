// Work shared out among a few threads for the length of one call: the calling thread does the
// first part and waits for the others.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>

namespace vx {

// Runs part(p) for every p below `parts`, the calling thread taking p = 0 and a thread of its
// own each other part; true when every part returned true. A part that throws counts as
// false, and the first exception is raised again once every part has ended.
bool RunParts(size_t parts, const std::function<bool(size_t part)>& part);

// Pieces of work that threads prepare at once but finish strictly in order: the thread with
// piece k waits for its turn, finishes the piece and passes the turn on. Stop ends every turn
// still to come.
class TTurns {
public:
    // Waits until the pieces before `piece` are finished; false once the turns were stopped.
    bool Wait(int64_t piece) {
        for (int64_t done; (done = Done.load(std::memory_order_acquire)) != piece;) {
            if (done < 0) return false;
            Done.wait(done, std::memory_order_acquire);
        }
        return true;
    }
    void Pass(int64_t piece) { Set(piece + 1); }
    void Stop() { Set(-1); }

private:
    void Set(int64_t done) {
        Done.store(done, std::memory_order_release);
        Done.notify_all();
    }
    std::atomic<int64_t> Done{0};  // the pieces finished; -1 once stopped
};

}  // namespace vx
