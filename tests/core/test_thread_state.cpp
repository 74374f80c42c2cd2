// A worker thread's conversions keep their state without thread_local
// objects that have destructors: glibc records such a destructor in memory
// it allocates on first use, and ends the process when that fails, as it did
// under an address-space limit. This binary counts the records made.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <atomic>
#include <thread>

#include "core/NumberText.h"
#include "core/Pipeline.h"
#include "store/ParamDb.h"

namespace {
std::atomic<int> recorded{0};
thread_local bool counting = false;
}  // namespace

// Every thread_local destructor compiled into this binary is recorded
// through here; the count is taken on the threads under test only.
extern "C" int __cxa_thread_atexit(void (*destructor)(void*), void* object, void* dso) noexcept {
    using Real = int (*)(void (*)(void*), void*, void*);
    static const auto real = reinterpret_cast<Real>(::dlsym(RTLD_NEXT, "__cxa_thread_atexit"));
    if (counting) ++recorded;
    return real(destructor, object, dso);
}

namespace {

TEST(ThreadState, AWorkerConvertsWithoutRecordingThreadExitDestructors) {
    store::SetParamDbPath(TRAVENA_PARAM_DB);
    std::string outX, outY;
    std::int16_t outZone = 0;
    const auto convert = [&] {
        std::string inDatum, x = "150000", y = "170000", outDatum;
        std::int16_t zone = 0;
        core::ConvertRecord(inDatum, "BE LB72", x, y, zone, outDatum, "WGS84 UTM", outX, outY, outZone, 3);
    };
    std::thread worker([&] {
        counting = true;
        convert();
    });
    worker.join();
    EXPECT_EQ(recorded.load(), 0);
    EXPECT_EQ(outZone, 31);
    // The same point on the main thread, whose state lives elsewhere.
    const std::string workerX = outX, workerY = outY;
    convert();
    EXPECT_EQ(outX + " " + outY, workerX + " " + workerY);
}

}  // namespace
