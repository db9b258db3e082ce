#include "model/TwoThreads.h"

#include <exception>
#include <thread>
#include <vector>

namespace zelmar {

void forEachOnTwoThreads(size_t count, const std::function<int64_t(size_t)>& weight, int64_t threshold,
                         const std::function<void(size_t)>& work)
{
    std::vector<int64_t> weights(count);
    int64_t total = 0;
    for (size_t i = 0; i < count; ++i)
        total += weights[i] = weight(i);
    static const bool twoCores = std::thread::hardware_concurrency() > 1;
    if (count < 2 || total < threshold || !twoCores) {
        for (size_t i = 0; i < count; ++i)
            work(i);
        return;
    }
    size_t cut = 0;
    for (int64_t sum = 0; cut < count && 2 * sum < total; ++cut)
        sum += weights[cut];
    std::exception_ptr firstError;
    std::thread first([&] {
        try {
            for (size_t i = 0; i < cut; ++i)
                work(i);
        } catch (...) {
            firstError = std::current_exception();
        }
    });
    std::exception_ptr secondError;
    try {
        for (size_t i = cut; i < count; ++i)
            work(i);
    } catch (...) {
        secondError = std::current_exception();
    }
    first.join();
    if (firstError)
        std::rethrow_exception(firstError);
    if (secondError)
        std::rethrow_exception(secondError);
}

} // namespace zelmar
