// Captures the engine's message boxes for the lifetime of the object.
#pragma once

#include <mutex>
#include <string>
#include <vector>

#include "core/ReportBox.h"

struct RecordedReport {
    std::wstring text;
    std::wstring caption;
    unsigned flags;
};

class ReportRecorder {
public:
    ReportRecorder() { previous_ = report::SetSink(&Record); Reports().clear(); }
    ~ReportRecorder() { report::SetSink(previous_); }
    ReportRecorder(const ReportRecorder&) = delete;
    ReportRecorder& operator=(const ReportRecorder&) = delete;

    std::vector<RecordedReport> Take()
    {
        std::lock_guard<std::mutex> lock(Mutex());
        std::vector<RecordedReport> out;
        out.swap(Reports());
        return out;
    }

private:
    static int Record(const std::wstring& text, const std::wstring& caption, UINT flags)
    {
        std::lock_guard<std::mutex> lock(Mutex());
        Reports().push_back({text, caption, flags});
        return IDOK;
    }
    static std::mutex& Mutex()
    {
        static std::mutex m;
        return m;
    }
    static std::vector<RecordedReport>& Reports()
    {
        static std::vector<RecordedReport> r;
        return r;
    }
    report::Sink previous_;
};
