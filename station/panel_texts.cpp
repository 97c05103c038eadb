#include "station/panel_texts.h"

#include <atomic>
#include <cstdio>

namespace station {
namespace {

std::string Value(const char* format, const std::string& label, double v) {
    char text[160];
    std::snprintf(text, sizeof text, format, label.c_str(), v);
    return text;
}

std::string Labelled(const std::string& label, const std::string& value) {
    return " " + label + " " + value;
}

} // namespace

PanelTexts FormatPanels(const StatusLabels& labels, const LastValues& last,
                        const CommandTexts& texts, StationBlock& station) {
    const auto scale = [](double& v) { return std::atomic_ref<double>(v).load(); };
    PanelTexts p;
    const std::string command = texts.command.Get();
    const std::string& offsetLabel = command == "@B*" ? labels[6] : labels[0];
    p.showA = Value(" %s %.3f", offsetLabel, last.offset);
    p.showB = Value(" %s %.3f", labels[1], last.diameter);
    p.showC = Value(" %s %.3f", labels[2], last.length);
    p.showA1 = Value(" %s %.6f", labels[3], scale(station.CalMmPerPixel));
    char hint[256];
    auto& d = station.DiameterMmPerPixel;
    std::snprintf(hint, sizeof hint, " %s %.6f : %.6f : %.6f : %.6f", labels[3].c_str(),
                  scale(d[0]), scale(d[1]), scale(d[2]), scale(d[3]));
    p.showA1Hint = hint;
    p.showB1 = Labelled(labels[4], command);
    p.showC1 = Labelled(labels[5], texts.reply.Get());
    return p;
}

} // namespace station
