// Booking the results of the host's inspections: counters, OK and NG list
// rows, and the daily NG log in C:\Debug.
#pragma once

#include "params/parameter_set.h"
#include "station/last_values.h"
#include "station/ports.h"

#include <deque>
#include <string>
#include <vector>

namespace station {

constexpr const char* kOpenError = ">>> Open Error <<<";
constexpr std::size_t kListRows = 50;

// Counters by kind: 0 resets, 1 counts an NG of inspection A, 2 counts OK or
// NG of inspection B, anything else changes nothing.  A counter at the
// largest 32-bit value stays there.
void UpdateStatistics(MaterialRecord& m, int32_t r, int kind);

// OkCount + NgCount without overflow: the serial number of the last booked
// result, and the total of the statistics panel.
inline int64_t BookedTotal(const MaterialRecord& m) {
    return static_cast<int64_t>(m.OkCount) + m.NgCount;
}

// The rows of one result list, newest first, at most 50.
class ResultList {
  public:
    void Insert(std::vector<std::string> row);
    const std::deque<std::vector<std::string>>& rows() const { return rows_; }
    void Clear() { rows_.clear(); }

  private:
    std::deque<std::vector<std::string>> rows_;
};

// "C:\Debug\NG-YYYYMMDD.txt" of the given day.
std::string NgLogPath(const ClockPort::LocalTime& t);
// The nine header lines, Big5 bytes, CRLF line ends.
std::string NgLogHeader();
std::string NgLogRow(const ClockPort::LocalTime& t, const char* command, int32_t r, double offset,
                     double length, double diameter);

struct BookingSetup {
    MaterialRecord& material;
    StationView& view;
    FileStore& files;
    PromptsPort& prompts;
    ClockPort& clock;
    ResultList& okList;
    ResultList& ngList;
};

// After inspection A (mode 1) or B (mode 2) of the host.
void BookResult(const BookingSetup& s, const LastValues& last, int32_t r, int mode);

} // namespace station
