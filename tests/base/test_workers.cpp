// The worker pool when it has fewer threads than parts (threads that could
// not be created) and when a part throws (memory running out mid-round).

#include <gtest/gtest.h>

#include <atomic>
#include <new>
#include <stdexcept>
#include <vector>

#include "base/Workers.h"

namespace {

TEST(Workers, PartsBeyondThePoolRunOnTheCaller) {
    for (int threads : {1, 2, 3}) {
        base::Workers workers(threads);
        std::vector<int> ran(5, 0);
        workers.Run(5, [&](int k) { ++ran[std::size_t(k)]; });
        EXPECT_EQ(ran, std::vector<int>(5, 1)) << threads << " threads";
    }
}

TEST(Workers, APartThatThrowsIsThrownByRunAfterTheOthersEnd) {
    base::Workers workers(3);
    for (int thrower : {0, 1, 2, 4}) {
        std::atomic<int> finished{0};
        EXPECT_THROW(workers.Run(5,
                                 [&](int k) {
                                     if (k == thrower) throw std::bad_alloc();
                                     ++finished;
                                 }),
                     std::bad_alloc)
            << "part " << thrower;
        EXPECT_EQ(finished.load(), 4) << "part " << thrower;
    }
    // The pool still serves the next round.
    std::atomic<int> ran{0};
    workers.Run(3, [&](int) { ++ran; });
    EXPECT_EQ(ran.load(), 3);
}

}  // namespace
