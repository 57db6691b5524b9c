#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <stdexcept>
#include <thread>
#include <vector>

#include "core/singleton.h"

namespace tavelo {
namespace {

struct Counted : Singleton<Counted> {
    static inline std::atomic<int> constructed{0};
    static inline std::atomic<int> destroyed{0};
    static inline std::atomic<int> failuresToCome{0};
    static inline std::atomic<int> dwellMilliseconds{0};
    Counted() {
        std::this_thread::sleep_for(std::chrono::milliseconds(dwellMilliseconds.load()));
        if (failuresToCome > 0) {
            --failuresToCome;
            throw std::runtime_error("constructor failed");
        }
        ++constructed;
    }
    ~Counted() override { ++destroyed; }
};

class SingletonTest : public ::testing::Test {
protected:
    void SetUp() override {
        Singleton<Counted>::releaseInstance();
        Counted::constructed = 0;
        Counted::destroyed = 0;
        Counted::failuresToCome = 0;
        Counted::dwellMilliseconds = 0;
    }
    void TearDown() override { Singleton<Counted>::releaseInstance(); }
};

TEST_F(SingletonTest, ConstructsOnceForConcurrentFirstUses) {
    // A slow constructor: the other threads pass the unlocked test and queue at the lock meanwhile.
    Counted::dwellMilliseconds = 50;
    std::atomic<bool> go{false};
    std::vector<std::thread> threads;
    std::vector<Counted*> seen(8);
    for (size_t i = 0; i < seen.size(); ++i) {
        threads.emplace_back([&, i] {
            while (!go) {
                std::this_thread::yield();
            }
            seen[i] = Singleton<Counted>::getInstance();
        });
    }
    go = true;
    for (auto& thread : threads) {
        thread.join();
    }
    EXPECT_EQ(Counted::constructed, 1);
    for (Counted* instance : seen) {
        EXPECT_EQ(instance, seen[0]);
    }
}

TEST_F(SingletonTest, ThrowingConstructorLeavesItEmptyAndTheLockFree) {
    Counted::failuresToCome = 1;
    EXPECT_THROW(Singleton<Counted>::getInstance(), std::runtime_error);
    EXPECT_EQ(Counted::constructed, 0);
    EXPECT_NE(Singleton<Counted>::getInstance(), nullptr);
    EXPECT_EQ(Counted::constructed, 1);
}

TEST_F(SingletonTest, ReleaseDestroysAndALaterUseRecreates) {
    Singleton<Counted>::releaseInstance();  // nothing to release yet
    EXPECT_EQ(Counted::destroyed, 0);

    Singleton<Counted>::getInstance();
    Singleton<Counted>::releaseInstance();
    EXPECT_EQ(Counted::destroyed, 1);

    Singleton<Counted>::getInstance();
    EXPECT_EQ(Counted::constructed, 2);
}

}  // namespace
}  // namespace tavelo
