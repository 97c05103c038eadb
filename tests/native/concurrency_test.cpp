// Host commands, button commands and the panel refresh at the same time, as
// the station runs them: commands one at a time under the station lock, the
// refresh without it.  Run under ThreadSanitizer this finds data races.
#include "station/panel_texts.h"
#include "station/station_object.h"

#include "imaging/settings.h"

#include "fakes.h"

#include <gtest/gtest.h>

#include <atomic>
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

} // namespace

TEST(Concurrency, HostButtonsAndRefreshTogether) {
    // The station object itself, with its own lock, over fakes of the world.
    fakes::Journal journal;
    fakes::Capture capture(journal);
    capture.width = 64;
    capture.height = 48;
    fakes::Io io(journal);
    fakes::Imaging imaging(journal);
    fakes::Pages pages;
    fakes::Files disk;
    fakes::Prompts prompts;
    Cp950 cp;
    MovingGauge gauge;
    fakes::Clock clock;
    Station st({capture, io, imaging, pages, disk, prompts, cp, gauge, clock}, "C:\\Station", 0);
    NoSettings settings;
    ASSERT_EQ(st.StartDevice(settings), 0);
    SharedObserver shown;
    st.Observe(&shown);
    ParameterSet& params = st.params();
    params.station.EdgePosN = 300;
    params.station.EdgePosM = 200;
    params.station.MoveX = 5;
    CurrentSettings().MmPerPixel = -1;
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
            std::lock_guard<std::recursive_mutex> lock(st.lock());
            st.Run(i % 2 ? HostCommand::InspectionB : HostCommand::InspectionA, true);
        }
    });
    std::thread buttons([&] {
        waitForRefresh();
        for (int i = 0; i < 200; ++i) {
            std::lock_guard<std::recursive_mutex> lock(st.lock());
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
