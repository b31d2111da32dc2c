// Work shared out among a few threads for the length of one call: the calling thread does the
// first part and waits for the others.
#pragma once

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <thread>

namespace vx {

// Runs part(p) for every p below `parts`, the calling thread taking p = 0 and a thread of its
// own each other part; true when every part returned true. A part that throws counts as
// false, and the first exception is raised again once every part has ended.
bool RunParts(size_t parts, const std::function<bool(size_t part)>& part);

// Pieces of work that threads prepare at once but finish strictly in order: the thread with
// piece k waits for its turn, finishes the piece and passes the turn on. Stop ends every turn
// still to come, for good.
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
    void Pass(int64_t piece) {
        Done.compare_exchange_strong(piece, piece + 1, std::memory_order_release);  // not after a stop
        Done.notify_all();
    }
    void Stop() {
        Done.store(-1, std::memory_order_release);
        Done.notify_all();
    }

private:
    std::atomic<int64_t> Done{0};  // the pieces finished; -1 once stopped
};

// The threads RunInOrder takes for this many pieces: two where there are a few, else one.
inline size_t InOrderThreads(int64_t pieces) {
    return pieces >= 4 ? std::clamp<size_t>(std::thread::hardware_concurrency(), 1, 2) : 1;
}

// Runs prepare(piece, thread) for the pieces 0..pieces-1 on `threads` threads, thread t taking
// every threads-th piece from t, and finish(piece, thread) for each strictly in order, one at a
// time: while one thread finishes a piece the other prepares its next. What a thread keeps for
// its piece lasts until that piece is finished. finish returns false to stop the pieces after
// it; an exception from either stops them too and is raised again once every thread has ended.
template <class Prepare, class Finish>
void RunInOrder(int64_t pieces, size_t threads, Prepare prepare, Finish finish) {
    TTurns turns;
    RunParts(threads, [&](size_t t) {
        for (int64_t k = int64_t(t); k < pieces; k += int64_t(threads)) {
            try {
                prepare(k, t);
                if (!turns.Wait(k)) return true;
                if (!finish(k, t)) {
                    turns.Stop();
                    return true;
                }
            } catch (...) {
                turns.Stop();
                throw;
            }
            turns.Pass(k);
        }
        return true;
    });
}

}  // namespace vx
