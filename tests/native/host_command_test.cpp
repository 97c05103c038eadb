#include "station/host_command.h"

#include <gtest/gtest.h>

#include <limits>

using station::HostCommand;
using station::HostCommandFor;

TEST(HostCommand, NumbersMapToCommands) {
    EXPECT_EQ(HostCommandFor(1), HostCommand::InspectionB);
    EXPECT_EQ(HostCommandFor(2), HostCommand::CalibrationM);
    EXPECT_EQ(HostCommandFor(3), HostCommand::CalibrationN);
    for (int32_t other : {0, 4, 7, -1, -5, std::numeric_limits<int32_t>::min(),
                          std::numeric_limits<int32_t>::max()})
        EXPECT_EQ(HostCommandFor(other), HostCommand::InspectionA) << other;
}

TEST(HostCommand, OnlyInspectionsAreBooked) {
    EXPECT_EQ(station::BookingMode(HostCommand::InspectionA), 1);
    EXPECT_EQ(station::BookingMode(HostCommand::InspectionB), 2);
    EXPECT_EQ(station::BookingMode(HostCommand::CalibrationM), 0);
    EXPECT_EQ(station::BookingMode(HostCommand::CalibrationN), 0);
}
