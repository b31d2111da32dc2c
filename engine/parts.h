// Work shared out among a few threads for the length of one call: the calling thread does the
// first part and waits for the others.
#pragma once

#include <cstddef>
#include <functional>

namespace vx {

// Runs part(p) for every p below `parts`, the calling thread taking p = 0 and a thread of its
// own each other part; true when every part returned true. A part that throws counts as
// false, and the first exception is raised again once every part has ended.
bool RunParts(size_t parts, const std::function<bool(size_t part)>& part);

}  // namespace vx
