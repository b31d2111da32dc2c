#include "engine/parts.h"

#include <algorithm>
#include <exception>
#include <thread>
#include <vector>

namespace vx {

bool RunParts(size_t parts, const std::function<bool(size_t part)>& part) {
    std::vector<char> ok(parts, 0);
    std::vector<std::exception_ptr> failures(parts);
    auto run = [&](size_t p) {
        try {
            ok[p] = part(p);
        } catch (...) {
            failures[p] = std::current_exception();
        }
    };
    std::vector<std::thread> threads;
    for (size_t p = 1; p < parts; ++p) threads.emplace_back(run, p);
    if (parts) run(0);
    for (std::thread& t : threads) t.join();
    for (const std::exception_ptr& f : failures)
        if (f) std::rethrow_exception(f);
    return std::all_of(ok.begin(), ok.end(), [](char c) { return c != 0; });
}

}  // namespace vx
