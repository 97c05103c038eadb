// Host commands, button commands and the panel refresh at the same time, as
// the station runs them: commands one at a time under the station lock, the
// refresh without it.  Run under ThreadSanitizer this finds data races.
#include "station/booking.h"
#include "station/commands.h"
#include "station/panel_texts.h"

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

// A window whose image memory each command grabs into.
class SharedView : public fakes::View {
  public:
    SharedView() : View(64, 48) {}
    std::mutex rows;
    void InsertOkRow(const std::vector<std::string>& t) override {
        std::lock_guard<std::mutex> g(rows);
        okRows.push_back(t);
    }
    void InsertNgRow(const std::vector<std::string>& t) override {
        std::lock_guard<std::mutex> g(rows);
        ngRows.push_back(t);
    }
};

} // namespace

TEST(Concurrency, HostButtonsAndRefreshTogether) {
    ParameterSet params;
    params.SetDefaults(0);
    params.station.EdgePosN = 300;
    params.station.EdgePosM = 200;
    params.station.MoveX = 5;
    PublishParameters(&params);
    CurrentSettings().MmPerPixel = -1;
    StationPaths paths("C:\\Station");
    fakes::Files disk;
    fakes::Prompts prompts;
    Cp950 cp;
    ParameterFiles files(params, paths, disk, prompts, cp);
    SharedView view;
    MovingGauge gauge;
    fakes::Clock clock;
    ResultList ok, ng;
    std::mutex stationLock;
    const CommandSetup setup{params, files, view, view, gauge, clock, 100.0, 64, 48, 2};
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
            std::lock_guard<std::mutex> lock(stationLock);
            Commands c(setup, TheLastValues(), TheCommandTexts());
            const int32_t r = i % 2 ? c.InspectB() : c.InspectA();
            BookResult({params.material, view, disk, prompts, clock, ok, ng}, TheLastValues(), r,
                       i % 2 ? 2 : 1);
        }
    });
    std::thread buttons([&] {
        waitForRefresh();
        for (int i = 0; i < 200; ++i) {
            std::lock_guard<std::mutex> lock(stationLock);
            Commands c(setup, TheLastValues(), TheCommandTexts());
            i % 2 ? c.CalibrateN() : c.CalibrateM();
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
    EXPECT_LE(ok.rows().size(), 50u);
    EXPECT_LE(ng.rows().size(), 50u);
    EXPECT_GE(ok.rows().size() + ng.rows().size(), 50u);
    PublishParameters(nullptr);
    CurrentSettings() = Settings{};
}
