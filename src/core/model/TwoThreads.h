#pragma once
// Splitting a long run of independent items over the machine's two cores.
#include <cstddef>
#include <cstdint>
#include <functional>

namespace zelmar {

// Runs work(i) for every i in [0, count). When the items' total weight reaches `threshold` (and the
// machine has a second core), the items are cut into two runs of about equal weight and the first
// runs on a second thread; otherwise all run here, in order. An exception from either run is
// rethrown here once both have stopped.
void forEachOnTwoThreads(size_t count, const std::function<int64_t(size_t)>& weight, int64_t threshold,
                         const std::function<void(size_t)>& work);

} // namespace zelmar
