// Speed over the sliding window, and the time left at that speed.
#include "queue/core/transfer_rate.h"

#include <gtest/gtest.h>

namespace {

using Clock = TransferRate::Clock;
using std::chrono::milliseconds;

struct Sample {
    int atMs;
    std::int64_t bytes;
};

struct RateCase {
    const char* what;
    std::vector<Sample> samples;  // the first one restarts the rate
    double bytesPerSecond;
    std::int64_t total;
    std::int64_t secondsLeft;
};

TEST(TransferRateTest, SpeedAndTimeLeft) {
    const RateCase cases[] = {
        {"one sample", {{0, 100}}, 0, 1000, -1},
        {"steady", {{0, 0}, {1000, 1000}, {2000, 2000}}, 1000, 10000, 8},
        {"rounds the time left up", {{0, 0}, {1000, 1000}}, 1000, 2500, 2},
        {"unknown total", {{0, 0}, {1000, 1000}}, 1000, -1, -1},
        {"finished", {{0, 0}, {1000, 1000}}, 1000, 1000, 0},
        {"stalled", {{0, 0}, {1000, 0}}, 0, 1000, -1},
        {"same instant twice", {{0, 0}, {0, 500}}, 0, 1000, -1},
        {"same instant later", {{0, 0}, {1000, 500}, {1000, 1000}}, 1000, 3000, 2},
        {"old samples leave the window",
         {{0, 0}, {3000, 100000}, {4000, 101000}, {8000, 105000}},
         1000,
         108000,
         3},
        {"a sparse sample anchors the window", {{0, 0}, {1000, 7000}, {8000, 14000}}, 1000, 15000, 1},
        {"counter fell: starts over", {{0, 0}, {1000, 5000}, {2000, 100}, {3000, 600}}, 500, 1600, 2},
        {"a stall shows within the window", {{0, 0}, {1000, 8000}, {7000, 8000}, {8000, 8000}}, 0, 9000, -1},
    };
    for (const RateCase& c : cases) {
        SCOPED_TRACE(c.what);
        const Clock::time_point start{};
        TransferRate rate;
        rate.Restart(c.samples[0].bytes, start + milliseconds(c.samples[0].atMs));
        for (std::size_t i = 1; i < c.samples.size(); ++i) {
            rate.Sample(c.samples[i].bytes, start + milliseconds(c.samples[i].atMs));
        }
        EXPECT_DOUBLE_EQ(rate.BytesPerSecond(), c.bytesPerSecond);
        EXPECT_EQ(rate.SecondsLeft(c.total), c.secondsLeft);
    }
}

TEST(TransferRateTest, NothingSampledKnowsNothing) {
    TransferRate rate;
    EXPECT_EQ(rate.BytesPerSecond(), 0);
    EXPECT_EQ(rate.SecondsLeft(100), -1);
    rate.Sample(50, Clock::time_point{});
    rate.Sample(150, Clock::time_point{} + milliseconds(500));
    EXPECT_DOUBLE_EQ(rate.BytesPerSecond(), 200);
}

}  // namespace
