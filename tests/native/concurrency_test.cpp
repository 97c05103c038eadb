// Host commands, button commands and the panel refresh at the same time, as
// the station runs them: commands one at a time under the station lock, the
// refresh without it.  Run under ThreadSanitizer this finds data races.
#include "station/panel_texts.h"
#include "station/station_gate.h"
#include "station/station_object.h"

#include "imaging/settings.h"

#include "fake_world.h"

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <memory>
#include <mutex>
#include <thread>

using namespace station;

namespace {

// Every search finds the tip a little further on: values keep changing.
class MovingGauge : public EdgeGaugePort {
  public:
    int32_t DetectHeight(uint8_t*, double* x1, double* y1, double* x2, double* y2) override {
        const double p = 280 + (n_++ % 40);
        *x1 = p;
        *y1 = 200;
        *x2 = p + 30;
        *y2 = 250;
        return 0;
    }

  private:
    std::atomic<int> n_{0};
};

// What the window shows, from whichever thread books it.
class SharedObserver : public StationObserver {
  public:
    std::mutex rows;
    std::vector<std::vector<std::string>> okRows, ngRows;
    void MeasuredLine(double, double, double, double) override {}
    void ViewChanged() override {}
    void Statistics(int32_t, int32_t) override {}
    void OkRow(std::vector<std::string> t) override {
        std::lock_guard<std::mutex> g(rows);
        okRows.push_back(std::move(t));
    }
    void NgRow(std::vector<std::string> t) override {
        std::lock_guard<std::mutex> g(rows);
        ngRows.push_back(std::move(t));
    }
};

// Kest.INI with its defaults: one picture per inspection.
class NoSettings : public SettingsLookup {
  public:
    std::string Get(const char*, const char*) override { return kSettingMissing; }
};

// The world a station runs on, made of fakes: a small camera.
struct FakeWorld : fakes::World<MovingGauge> {
    NoSettings settings;
    std::unique_ptr<Station> Start() {
        auto st = std::make_unique<Station>(Ports(), "C:\\Station", 0);
        EXPECT_EQ(st->StartDevice(settings), 0);
        st->params().station.EdgePosN = 300;
        st->params().station.EdgePosM = 200;
        return st;
    }
};

} // namespace

TEST(Concurrency, HostButtonsAndRefreshTogether) {
    // The station object itself, with the station lock, over fakes of the world.
    FakeWorld world;
    std::unique_ptr<Station> station = world.Start();
    Station& st = *station;
    SharedObserver shown;
    st.Observe(&shown);
    ParameterSet& params = st.params();
    params.station.MoveX = 5;
    CurrentSettings().MmPerPixel = -1;
    StationGate gate;
    std::atomic<bool> stop{false};
    std::atomic<std::size_t> refreshes{0};
    // The commands start once the refresh runs, so that the three overlap.
    const auto waitForRefresh = [&] {
        while (refreshes == 0)
            std::this_thread::yield();
    };

    std::thread host([&] {
        waitForRefresh();
        for (int i = 0; i < 400; ++i) {
            std::lock_guard<std::recursive_mutex> lock(gate.lock());
            st.Run(i % 2 ? HostCommand::InspectionB : HostCommand::InspectionA, true);
        }
    });
    std::thread buttons([&] {
        waitForRefresh();
        for (int i = 0; i < 200; ++i) {
            std::lock_guard<std::recursive_mutex> lock(gate.lock());
            st.Run(i % 2 ? HostCommand::CalibrationN : HostCommand::CalibrationM, false);
        }
    });
    std::thread refresh([&] {
        const StatusLabels labels = {"a", "b", "c", "d", "e", "f", "g"};
        while (!stop) {
            const PanelTexts p =
                FormatPanels(labels, TheLastValues(), TheCommandTexts(), params.station);
            ++refreshes;
            ASSERT_TRUE(p.showB1 == " e " || p.showB1.rfind(" e @", 0) == 0) << p.showB1;
        }
    });
    host.join();
    buttons.join();
    stop = true;
    refresh.join();
    EXPECT_GT(refreshes.load(), 1u);
    // Every B is counted, an A only when it failed.
    const int32_t total = params.material.OkCount + params.material.NgCount;
    EXPECT_GE(total, 200);
    EXPECT_LE(total, 400);
    EXPECT_LE(st.okList().rows().size(), 50u);
    EXPECT_LE(st.ngList().rows().size(), 50u);
    EXPECT_GE(st.okList().rows().size() + st.ngList().rows().size(), 50u);
    // The window was shown every booked row, in order, none lost.
    EXPECT_EQ(shown.okRows.size() + shown.ngRows.size(), static_cast<std::size_t>(total));
    if (!shown.okRows.empty()) {
        EXPECT_EQ(shown.okRows.back(), st.okList().rows().front());
    }
    st.Observe(nullptr);
    CurrentSettings() = Settings{};
}

// The host's calls against a close and a new open, as the exports make them:
// a call passes the gate and holds its pass while it uses the station; the
// close shuts the gate, waits for the call inside, and only then destroys
// the station.  A call that finds the gate shut answers "not open" and
// touches nothing (AddressSanitizer and ThreadSanitizer see any use of a
// station that is gone).
TEST(Concurrency, HostCallsMeetAShutGateNeverAStationThatIsGone) {
    FakeWorld world;
    StationGate gate;
    std::unique_ptr<Station> station; // what the exports' state holds
    std::atomic<Station*> published{nullptr};
    std::atomic<bool> stop{false};
    std::atomic<int> ran{0}, refused{0}, wrongAnswers{0};
    constexpr int kCycles = 300;

    // One host thread asks for inspection A and the push distance in a loop.
    std::thread host([&] {
        while (!stop) {
            {
                StationGate::Pass pass = gate.Enter();
                if (!pass) {
                    ++refused;
                    continue;
                }
                std::lock_guard<std::recursive_mutex> lock(gate.lock());
                Station* st = published.load();
                if (!st) {
                    ++wrongAnswers; // a pass with no station behind it
                    continue;
                }
                st->Run(HostCommand::InspectionA, true);
                (void)st->params().station.InitMoveX;
                ++ran;
            }
        }
    });
    // The opening thread closes and opens again, a few hundred times.
    for (int i = 0; i < kCycles; ++i) {
        station = world.Start();
        published = station.get();
        gate.Open();
        // Let the host in at least once before the next close (bounded).
        const int before = ran.load();
        for (int spin = 0; spin < 200000 && ran.load() == before; ++spin)
            std::this_thread::yield();
        gate.Shut();
        EXPECT_EQ(gate.Inside(), 0);
        published = nullptr;
        station.reset();
    }
    stop = true;
    host.join();
    EXPECT_EQ(wrongAnswers.load(), 0);
    EXPECT_GE(ran.load(), kCycles / 2) << "the host hardly ever got in";
    EXPECT_GT(refused.load(), 0) << "no call ever met the shut gate";
    CurrentSettings() = Settings{};
}

// The close waits for the call inside, and its waiting step runs meanwhile
// (the window's thread answers what is sent to it there).
TEST(Concurrency, AShutWaitsForTheCallInsideAndAnswersMeanwhile) {
    StationGate gate;
    gate.Open();
    std::atomic<bool> inside{false}, release{false}, finished{false};
    std::thread host([&] {
        StationGate::Pass pass = gate.Enter();
        ASSERT_TRUE(pass);
        inside = true;
        while (!release)
            std::this_thread::yield();
        finished = true;
    });
    while (!inside)
        std::this_thread::yield();
    int answered = 0;
    gate.Shut([&] {
        // The call inside needs this thread's answer before it can finish.
        if (++answered == 3)
            release = true;
    });
    EXPECT_TRUE(finished.load());
    EXPECT_GE(answered, 3);
    EXPECT_FALSE(gate.IsOpen());
    EXPECT_FALSE(gate.Enter());
    host.join();
    gate.Open();
    EXPECT_TRUE(gate.Enter());
}

// An operator's step that waits for the lock is not starved by a host that
// inspects without pause, and a host call on the operator's own thread (from
// within its waiting) does not wait for itself.
TEST(Concurrency, AWaitingOperatorGoesBeforeTheNextHostCommand) {
    StationGate gate;
    std::atomic<bool> stop{false};
    std::atomic<int> hostCommands{0};
    std::thread host([&] {
        while (!stop) {
            const auto lock = gate.LockForHost();
            ++hostCommands;
            std::this_thread::sleep_for(std::chrono::milliseconds(1)); // a command's work
        }
    });
    while (hostCommands < 3)
        std::this_thread::yield();
    for (int step = 0; step < 50; ++step) {
        const int before = hostCommands.load();
        int nestedHostCalls = 0;
        const auto lock = gate.LockForOperator([&] {
            if (nestedHostCalls++ == 0) {
                const auto inner = gate.LockForHost(); // own thread: no wait for itself
            }
            // As the window's thread does: answer messages for a while.
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        });
        // At most the command running when the operator came, and the one
        // that had passed the operator's turn before it was announced.
        EXPECT_LE(hostCommands.load() - before, 2) << step;
    }
    stop = true;
    host.join();
}
