#pragma once

#include <chrono>
#include <condition_variable>
#include <mutex>

namespace sandbox {

// Raised once at shutdown; wakes every handler that is waiting on purpose.
class StopSignal {
public:
    void raise()
    {
        {
            const std::lock_guard lock(mutex_);
            raised_ = true;
        }
        changed_.notify_all();
    }

    // Waits for the given time; false when the signal was raised first.
    bool sleepFor(std::chrono::milliseconds duration)
    {
        std::unique_lock lock(mutex_);
        return !changed_.wait_for(lock, duration, [this] { return raised_; });
    }

private:
    std::mutex mutex_;
    std::condition_variable changed_;
    bool raised_ = false;
};

}  // namespace sandbox
