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

std::unique_lock<std::recursive_mutex> StationGate::LockForHost() {
    {
        std::unique_lock<std::mutex> g(m_);
        // The operator's own thread (a host call from within its waiting)
        // does not wait for itself.
        operatorDone_.wait(g, [this] {
            return operatorWaiting_ == 0 || operatorThread_ == std::this_thread::get_id();
        });
    }
    return std::unique_lock<std::recursive_mutex>(lock_);
}

std::unique_lock<std::recursive_mutex>
StationGate::LockForOperator(const std::function<void()>& whileWaiting) {
    std::unique_lock<std::recursive_mutex> l(lock_, std::try_to_lock);
    if (l.owns_lock())
        return l;
    {
        std::lock_guard<std::mutex> g(m_);
        ++operatorWaiting_;
        operatorThread_ = std::this_thread::get_id();
    }
    while (!l.try_lock())
        if (whileWaiting)
            whileWaiting();
        else
            std::this_thread::yield();
    {
        std::lock_guard<std::mutex> g(m_);
        if (--operatorWaiting_ == 0)
            operatorThread_ = std::thread::id();
    }
    operatorDone_.notify_all();
    return l;
}

} // namespace station
