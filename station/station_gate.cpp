#include "station/station_gate.h"

#include <chrono>

namespace station {

StationGate::Pass::~Pass() {
    if (gate_)
        gate_->GiveBack();
}

StationGate::Pass StationGate::Enter() {
    std::lock_guard<std::mutex> g(m_);
    if (!open_)
        return Pass();
    ++inside_;
    return Pass(this);
}

void StationGate::GiveBack() {
    std::lock_guard<std::mutex> g(m_);
    if (--inside_ == 0)
        given_.notify_all();
}

void StationGate::Open() {
    std::lock_guard<std::mutex> g(m_);
    open_ = true;
}

void StationGate::Shut(const std::function<void()>& whileWaiting) {
    std::unique_lock<std::mutex> g(m_);
    open_ = false;
    while (inside_ > 0) {
        if (!whileWaiting) {
            given_.wait(g, [this] { return inside_ == 0; });
            break;
        }
        given_.wait_for(g, std::chrono::milliseconds(5), [this] { return inside_ == 0; });
        if (inside_ == 0)
            break;
        g.unlock();
        whileWaiting();
        g.lock();
    }
}

bool StationGate::IsOpen() const {
    std::lock_guard<std::mutex> g(m_);
    return open_;
}

int StationGate::Inside() const {
    std::lock_guard<std::mutex> g(m_);
    return inside_;
}

} // namespace station
