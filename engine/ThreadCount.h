// ThreadCount: how many threads a run's "threads" setting asks for.
#pragma once

#include <algorithm>
#include <thread>

namespace lathwell {

// threads, or the processor's cores when it is 0 or below (at least 1).
inline int ThreadCount(int threads) {
    return threads > 0 ? threads : static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

}  // namespace lathwell
