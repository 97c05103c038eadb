#include "station/booking.h"

#include <cinttypes>
#include <cstdio>
#include <limits>

namespace station {
namespace {

std::string Format(const char* format, double v) {
    char text[64];
    std::snprintf(text, sizeof text, format, v);
    return text;
}

// Two counters at their limit add up beyond 32 bits.
std::string Serial(const MaterialRecord& m) {
    char text[32];
    std::snprintf(text, sizeof text, "%06" PRId64, BookedTotal(m));
    return text;
}

// One more, but never past the largest value (a counter stays there).
void CountOne(int32_t& counter) {
    if (counter < std::numeric_limits<int32_t>::max())
        ++counter;
}

std::string Crlf(std::string s) {
    std::string out;
    for (char c : s) {
        if (c == '\n')
            out += '\r';
        out += c;
    }
    return out;
}

} // namespace

void UpdateStatistics(MaterialRecord& m, int32_t r, int kind) {
    switch (kind) {
    case 0:
        m.OkCount = 0;
        m.NgCount = 0;
        break;
    case 1:
        if (r < 0)
            CountOne(m.NgCount);
        break;
    case 2:
        CountOne(r >= 0 ? m.OkCount : m.NgCount);
        break;
    default:
        break;
    }
}

void ResultList::Insert(std::vector<std::string> row) {
    rows_.push_front(std::move(row));
    if (rows_.size() > kListRows)
        rows_.pop_back();
}

std::string NgLogPath(const ClockPort::LocalTime& t) {
    char path[64];
    std::snprintf(path, sizeof path, "C:\\Debug\\NG-%04u%02u%02u.txt", t.year, t.month, t.day);
    return path;
}

std::string NgLogHeader() {
    // Big5 bytes, whatever the system's code page.
    return Crlf("  RetCode = -7  \xB5\x4C\xB0\x54\xB8\xB9(No Signal) \n"
                "  RetCode = -1  \xBC\x76\xB9\xB3\xA4\xC0\xAA\x52\xA5\xA2\xB1\xD1(Image Error) \n"
                "  RetCode = -2  \xBD\x54\xBB\x7B\xA4\x57\xC0\xF4\xA6\xEC\xB8\x6D\xBF\xF9\xBB\x7E"
                "(Offset Error) \n"
                "  RetCode = -3  \xC6\x70\xB0\x77\xAA\xF8\xAB\xD7\xBF\xF9\xBB\x7E(Length Error) \n"
                "  RetCode = -4  \xC6\x70\xB0\x77\xAA\xBD\xAE\x7C\xBF\xF9\xBB\x7E"
                "(Diameter Error) \n"
                "\n"
                "<\xA4\xE9\xB4\xC1>      <\xAE\xC9\xB6\xA1>    <\xA9\x52\xA5\x4F>    "
                "<\xA6\x5E\xB6\xC7\xBD\x58>  <\xB8\xC9\xC0\x76\xB6\x5A\xC2\xF7> "
                "<\xC6\x70\xB0\x77\xA5\xFE\xAA\xF8> <\xC6\x70\xB0\x77\xAA\xBD\xAE\x7C> \n"
                "<Date>      <Time>    <Command> <RetCode> <Offset>   <Length>   <Diameter> \n" +
                std::string(75, '-') + " \n");
}

std::string NgLogRow(const ClockPort::LocalTime& t, const char* command, int32_t r, double offset,
                     double length, double diameter) {
    char date[32], time[32], row[256];
    std::snprintf(date, sizeof date, "%04u/%02u/%02u", t.year, t.month, t.day);
    std::snprintf(time, sizeof time, "%02u:%02u:%02u", t.hour, t.minute, t.second);
    std::snprintf(row, sizeof row, " %s  %s  %s      %d        %+08.3f   %+08.3f   %+08.3f \n",
                  date, time, command, static_cast<int>(r), offset, length, diameter);
    return Crlf(row);
}

void BookResult(const BookingSetup& s, const LastValues& last, int32_t r, int mode) {
    UpdateStatistics(s.material, r, mode);
    s.view.RefreshStatistics();
    const double offset = last.offset, length = last.length, diameter = last.diameter;
    if (r >= 0) {
        if (mode == 2) {
            std::vector<std::string> row = {Serial(s.material), Format("%+08.3f", offset),
                                            Format("%+08.3f", length), Format("%+08.3f", diameter)};
            s.okList.Insert(row);
            s.view.InsertOkRow(row);
        }
        return;
    }
    const char* command = mode == 1 ? "@A*" : "@B*";
    const ClockPort::LocalTime now = s.clock.Now();
    const std::string path = NgLogPath(now);
    if (!s.files.Exists(path)) {
        if (!s.files.Append(path, NgLogHeader()))
            s.prompts.Message(kOpenError, "vardel", PromptsPort::Kind::Information);
    }
    if (!s.files.Append(path, NgLogRow(now, command, r, offset, length, diameter)))
        s.prompts.Message(kOpenError, "vardel", PromptsPort::Kind::Information);
    std::vector<std::string> row = {Serial(s.material),        command,
                                    std::to_string(r),         Format("%+08.3f", offset),
                                    Format("%+08.3f", length), Format("%+08.3f", diameter)};
    s.ngList.Insert(row);
    s.view.InsertNgRow(row);
}

} // namespace station
