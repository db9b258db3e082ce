#include "model/TwoThreads.h"

#include <gtest/gtest.h>

#include <atomic>
#include <stdexcept>
#include <vector>

using namespace zelmar;

TEST(TwoThreads, EveryItemRunsOnceWhateverTheSplit)
{
    for (int64_t threshold : {0, 1000000000}) {
        std::vector<std::atomic<int>> runs(37);
        forEachOnTwoThreads(runs.size(), [](size_t i) { return int64_t(i * i); }, threshold,
                            [&](size_t i) { ++runs[i]; });
        for (size_t i = 0; i < runs.size(); ++i)
            EXPECT_EQ(runs[i].load(), 1) << i << " at threshold " << threshold;
    }
    int none = 0;
    forEachOnTwoThreads(0, [](size_t) { return int64_t(1); }, 0, [&](size_t) { ++none; });
    EXPECT_EQ(none, 0);
}

TEST(TwoThreads, AFailureInEitherHalfReachesTheCaller)
{
    // Equal weights: the first half runs on the second thread, the last item here.
    for (size_t failing : {size_t(0), size_t(9)}) {
        std::atomic<int> ran{0};
        EXPECT_THROW(forEachOnTwoThreads(10, [](size_t) { return int64_t(1); }, 0,
                                         [&](size_t i) {
                                             ++ran;
                                             if (i == failing)
                                                 throw std::runtime_error("no");
                                         }),
                     std::runtime_error);
        EXPECT_GE(ran.load(), 1);
    }
}
