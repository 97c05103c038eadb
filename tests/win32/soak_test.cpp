// A long shift in one process: 8 000 host commands, without growth of
// memory, windows or GDI and USER objects.  The fixed waits are turned off
// through the clock's test setting; every rule runs as in production.
#include "tests/win32/station_fixture.h"

#include "contracts/grabcard_sim.h"

#include <gtest/gtest.h>

using namespace testing_station;

TEST(Soak, EightThousandHostCommands) {
    SetEnvironmentVariableA("VARDEL_TEST_WAITS", "0");
    StationCopy copy;
    copy.WriteFile("Kest.INI", "[Basic]\r\nInitGrab=0\r\nMmPerPixel=0.01\r\ndShowModal=1\r\n"
                               "GrabNumber=1\r\n[Motion]\r\nPitchX=5\r\nPulseX=10000\r\n");
    // A clean picture: the grab costs a copy, the edge gauge a search.
    copy.WriteFile("Grabcard.ini", "[Scene]\r\nNoiseSigma=0\r\n");
    MessageBoxOperator answers;
    Vardel station(copy.dir());
    ASSERT_EQ(station.Open(), 0);
    ASSERT_EQ(station.Dialog(-1), 0);

    const auto run = [&](int from, int to) {
        for (int i = from; i < to; ++i) {
            const int32_t r = station.Function(i % 4 == 3 ? 2 + (i / 4) % 2 : i % 2);
            if (r == -7 || r == -6) {
                ADD_FAILURE() << "command " << i << " gave " << r;
                return;
            }
            if (i % 500 == 0)
                Pump(1);
        }
    };
    run(0, 2000); // the first commands set up what stays
    Pump(50);
    const std::size_t memory = CommittedPrivateBytes();
    const std::size_t windows = WindowCount();
    const unsigned gdi = GdiHighWater();
    const unsigned user = UserHighWater();
    const DWORD start = GetTickCount();
    run(2000, 8000);
    const DWORD took = GetTickCount() - start;
    Pump(50);
    std::printf("6000 commands in %lu ms (%.3f ms each)\n", took, took / 6000.0);
    EXPECT_EQ(WindowCount(), windows);
    EXPECT_LE(GdiHighWater(), gdi + 16);
    EXPECT_LE(UserHighWater(), user + 16);
    EXPECT_LE(CommittedPrivateBytes(), memory + 2 * 1024 * 1024);
    EXPECT_EQ(station.Close(), 0);
    EXPECT_TRUE(answers.Texts().empty());
    SetEnvironmentVariableA("VARDEL_TEST_WAITS", nullptr);
}
