// The five commands: inspections A and B, calibrations M and N, baseline.
#pragma once

#include "params/parameter_files.h"
#include "params/parameter_set.h"
#include "station/last_values.h"
#include "station/measurement.h"
#include "station/ports.h"

#include <cstdint>

namespace station {

// What a command works with.
struct CommandSetup {
    ParameterSet& params;
    ParameterFiles& files;
    PictureSource& picture;
    StationView& view;
    EdgeGaugePort& gauge;
    ClockPort& clock;
    double pulsePerMm;
    int32_t width;
    int32_t height;
    int32_t grabNumber;
};

class Commands {
  public:
    Commands(const CommandSetup& setup, LastValues& last, CommandTexts& texts)
        : s_(setup), last_(last), texts_(texts) {}

    int32_t InspectA();
    int32_t InspectB();
    int32_t CalibrateM();
    int32_t CalibrateN();
    int32_t SetBaseLine();

  private:
    Measurement Measure(int selector, int32_t cut, bool secondPass);
    double RingTarget() const;
    int32_t Fail(char letter, int32_t code);
    void Begin(char letter);
    void ReplyCount(char letter, int32_t r); // "@A0030*" or the failure reply
    void ReplyOk(char letter, int32_t r);    // "@OKBB*" or the failure reply

    CommandSetup s_;
    LastValues& last_;
    CommandTexts& texts_;
};

// v inside [nominal + low, nominal + up], compared in whole micrometres.
bool WithinTolerance(double v, double nominal, double up, double low);

} // namespace station
