// The number of engine workers the program started and that have not made
// their final callback yet. Closing waits for it to reach zero, so nothing a
// worker still uses is freed.
#pragma once

#include <atomic>

namespace ui {

class WorkerCount {
public:
    void Started() { ++running_; }
    // Called from a worker's final callback; never goes below zero.
    void Finished()
    {
        int n = running_.load();
        while (n > 0 && !running_.compare_exchange_weak(n, n - 1)) {
        }
    }
    int Running() const { return running_.load(); }

private:
    std::atomic<int> running_{0};
};

}  // namespace ui
