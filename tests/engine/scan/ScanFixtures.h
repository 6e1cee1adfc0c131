// Helpers of the scan tests: a recorder of the scan callbacks, registry
// fixtures in a chosen view and small file helpers.
#pragma once

#include <windows.h>

#include <atomic>
#include <mutex>
#include <string>
#include <vector>

#include "corvex/EngineTables.h"

namespace scantest {

// One callback as it arrived.
struct Call {
    int slot;  // 0 OnScanStarted, 1 OnScanCategory, 2 OnScanItem, 3 OnScanFinished
    int number;
    std::wstring text;
    int state = 0;  // OnScanCategory: the category's scan state during the call
};

// Installs a callback table for the scan slots (through the engine's export)
// and records every call; the previous table is restored at the end.
class CallbackRecorder {
public:
    CallbackRecorder();
    ~CallbackRecorder();
    CallbackRecorder(const CallbackRecorder&) = delete;
    CallbackRecorder& operator=(const CallbackRecorder&) = delete;

    EngineFunctionTable& engine() { return *engine_; }
    std::vector<Call> Calls() const;
    // OnScanItem texts other than the end-of-entry marker that contain `part`.
    std::vector<Call> ItemsContaining(const std::wstring& part) const;
    // Called from OnScanItem before it is recorded (on a scan thread).
    void OnItem(void (*hook)(const std::wstring& text, int examined)) { hook_ = hook; }
    // Calls that began while another was still running (the engine promises none).
    int Overlaps() const { return overlaps_.load(); }

private:
    static void CORVEX_CALL Started();
    static void CORVEX_CALL Category(int index);
    static void CORVEX_CALL Item(const std::wstring* text, int examined);
    static void CORVEX_CALL Finished(int stopped);
    static void Push(Call call);
    // Counts a call that begins while another runs.
    class Inside {
    public:
        Inside();
        ~Inside();
    };

    UiCallbackTable table_{};
    EngineFunctionTable* engine_ = nullptr;
    static CallbackRecorder* current_;
    mutable std::mutex mutex_;
    std::vector<Call> calls_;
    void (*hook_)(const std::wstring&, int) = nullptr;
    std::atomic<int> running_{0};
    std::atomic<int> overlaps_{0};
};

// A new GUID in registry form, "{...}".
std::wstring NewGuid();

// Keys below a root in one registry view, all deleted at the end.
class RegFixture {
public:
    explicit RegFixture(REGSAM view, HKEY root = HKEY_CLASSES_ROOT) : root_(root), view_(view) {}
    ~RegFixture();
    RegFixture(const RegFixture&) = delete;
    RegFixture& operator=(const RegFixture&) = delete;

    // Creates root\path (and remembers it for deletion).
    void Key(const std::wstring& path);
    void String(const std::wstring& path, const std::wstring& name, const std::wstring& data, DWORD type = REG_SZ);
    // Any bytes, of any type.
    void Raw(const std::wstring& path, const std::wstring& name, DWORD type, const void* data, DWORD size);

private:
    HKEY root_;
    REGSAM view_;
    std::vector<std::wstring> created_;
};

bool KeyExists(HKEY root, const std::wstring& path, REGSAM view);
void WriteFile(const std::wstring& path, const std::string& content = "x");

}  // namespace scantest
