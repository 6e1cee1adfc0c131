// A UiCallbackTable that records every defragmentation callback, for tests
// that drive the workers through the engine table.
#pragma once

#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "corvex/EngineTables.h"

struct DefragEvent {
    std::string kind;   // Phase Item Detail Draw Clear Status Finished Busy Idle
    std::wstring text;  // Status
    std::vector<uint64_t> n;
};

class DefragRecorder {
public:
    DefragRecorder();
    ~DefragRecorder();
    DefragRecorder(const DefragRecorder&) = delete;
    DefragRecorder& operator=(const DefragRecorder&) = delete;

    EngineFunctionTable& engine() { return *engine_; }

    // Waits until OnDefragFinished (or OnDefragIdle) has been raised `count` times in all.
    bool WaitFinished(int count = 1, int timeoutMs = 20000);
    bool WaitIdle(int count = 1, int timeoutMs = 20000);

    std::vector<DefragEvent> Events() const;
    void Clear();
    // Every event but draws, as "Kind args" lines; status texts as "Status <text>".
    std::vector<std::wstring> Sequence() const;
    std::vector<std::wstring> Statuses() const;
    std::vector<DefragEvent> Draws() const;

    // Runs inside every callback after it was recorded (on the worker thread).
    std::function<void(const DefragEvent&)> onEvent;

    static DefragRecorder* current;
    void Add(DefragEvent e);

private:
    mutable std::mutex mutex_;
    std::condition_variable changed_;
    std::vector<DefragEvent> events_;
    int finished_ = 0;
    int idle_ = 0;
    UiCallbackTable table_{};
    EngineFunctionTable* engine_ = nullptr;
};
