#pragma once
// Runs independent pieces of work on the machine's cores: `work(i)` for every i below `count`,
// in contiguous slices, one per thread. Each `work(i)` must touch only what belongs to i.

#include <algorithm>
#include <cstddef>
#include <thread>
#include <vector>

namespace mw {

template <typename Work>
void parallelFor(std::size_t count, Work&& work)
{
    constexpr std::size_t kSmallest = 512;  // below this a thread costs more than it saves
    const std::size_t threads =
        std::min<std::size_t>({std::max(1u, std::thread::hardware_concurrency()), 8, (count + kSmallest - 1) / kSmallest});
    if (threads <= 1) {
        for (std::size_t i = 0; i < count; ++i)
            work(i);
        return;
    }
    std::vector<std::jthread> pool;
    const std::size_t slice = (count + threads - 1) / threads;
    for (std::size_t t = 1; t < threads; ++t)
        pool.emplace_back([&work, t, slice, count] {
            for (std::size_t i = t * slice; i < std::min(count, (t + 1) * slice); ++i)
                work(i);
        });
    for (std::size_t i = 0; i < std::min(count, slice); ++i)
        work(i);
}

}  // namespace mw
