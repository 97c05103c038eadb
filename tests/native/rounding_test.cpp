#include "station/rounding.h"

#include <gtest/gtest.h>

#include <limits>

using station::RoundHalfAway;

TEST(RoundHalfAway, HalvesGoAwayFromZeroOnTheFirstDecimal) {
    EXPECT_EQ(RoundHalfAway(2.5), 3);
    EXPECT_EQ(RoundHalfAway(2.46), 2);
    EXPECT_EQ(RoundHalfAway(-2.5), -3);
    EXPECT_EQ(RoundHalfAway(-2.4), -2);
    EXPECT_EQ(RoundHalfAway(1.5), 2);
    EXPECT_EQ(RoundHalfAway(1.49), 1);
    EXPECT_EQ(RoundHalfAway(-1.5), -2);
    EXPECT_EQ(RoundHalfAway(-0.5), -1);
    EXPECT_EQ(RoundHalfAway(0.4), 0);
    EXPECT_EQ(RoundHalfAway(0.0), 0);
    // Only the tenths digit counts: 0.49 stays 0 although it is close to a half.
    EXPECT_EQ(RoundHalfAway(0.49), 0);
    EXPECT_EQ(RoundHalfAway(2499.5), 2500);
}

TEST(RoundHalfAway, PulsesOfTheInitialPush) {
    // InitMoveX times pulses per millimetre, as vardelGetParametr answers.
    EXPECT_EQ(RoundHalfAway(2.5 * 1000), 2500);
    EXPECT_EQ(RoundHalfAway(0.75 * 2), 2);
    EXPECT_EQ(RoundHalfAway(0.625 * 2), 1);
    EXPECT_EQ(RoundHalfAway(-0.75 * 2), -2);
}

TEST(RoundHalfAway, EveryDoubleHasAnAnswer) {
    constexpr double inf = std::numeric_limits<double>::infinity();
    EXPECT_EQ(RoundHalfAway(std::numeric_limits<double>::quiet_NaN()), 0);
    EXPECT_EQ(RoundHalfAway(inf), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(RoundHalfAway(-inf), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(RoundHalfAway(3e9), std::numeric_limits<int32_t>::max());
    EXPECT_EQ(RoundHalfAway(-3e9), std::numeric_limits<int32_t>::min());
    EXPECT_EQ(RoundHalfAway(2147483646.5), 2147483647);
    EXPECT_EQ(RoundHalfAway(214748364.5), 214748365);
}
