#include "ScanFixtures.h"

#include <objbase.h>

#include <fstream>
#include <stdexcept>

namespace scantest {

CallbackRecorder* CallbackRecorder::current_ = nullptr;

CallbackRecorder::CallbackRecorder()
{
    table_.OnScanStarted = &Started;
    table_.OnScanCategory = &Category;
    table_.OnScanItem = &Item;
    table_.OnScanFinished = &Finished;
    current_ = this;
    toEngineInitGetUIInterface(&table_, &engine_);
}

CallbackRecorder::~CallbackRecorder()
{
    toEngineInitGetUIInterface(nullptr, &engine_);
    current_ = nullptr;
}

std::vector<Call> CallbackRecorder::Calls() const
{
    std::lock_guard<std::mutex> lock(mutex_);
    return calls_;
}

std::vector<Call> CallbackRecorder::ItemsContaining(const std::wstring& part) const
{
    std::vector<Call> out;
    for (const Call& c : Calls())
        if (c.slot == 2 && c.text.find(part) != std::wstring::npos) out.push_back(c);
    return out;
}

void CallbackRecorder::Push(Call call)
{
    if (!current_) return;
    std::lock_guard<std::mutex> lock(current_->mutex_);
    current_->calls_.push_back(std::move(call));
}

CallbackRecorder::Inside::Inside()
{
    if (current_ && current_->running_.fetch_add(1) > 0) current_->overlaps_ += 1;
}

CallbackRecorder::Inside::~Inside()
{
    if (current_) current_->running_ -= 1;
}

void CORVEX_CALL CallbackRecorder::Started()
{
    Inside one;
    Push({0, 0, L""});
}
void CORVEX_CALL CallbackRecorder::Category(int index)
{
    Inside one;
    const PtrArray<XMLElement>* list = current_ ? current_->engine_->GetScanCategories() : nullptr;
    Push({1, index, L"", list && list->IsValidIndex(index) ? list->At(index)->scanState : -1});
}
void CORVEX_CALL CallbackRecorder::Item(const std::wstring* text, int examined)
{
    Inside one;
    // Recorded first: a hook that throws (a failing scanner) still leaves
    // its item in the log.
    Push({2, examined, *text});
    if (current_ && current_->hook_) current_->hook_(*text, examined);
}
void CORVEX_CALL CallbackRecorder::Finished(int stopped)
{
    Inside one;
    Push({3, stopped, L""});
}

std::wstring NewGuid()
{
    GUID g;
    CoCreateGuid(&g);
    wchar_t text[40] = {};
    StringFromGUID2(g, text, 40);
    return text;
}

RegFixture::~RegFixture()
{
    // Deepest first: every created key goes, with anything below it.
    for (auto it = created_.rbegin(); it != created_.rend(); ++it) {
        HKEY key = nullptr;
        if (RegOpenKeyExW(root_, it->c_str(), 0, KEY_ALL_ACCESS | view_, &key) == ERROR_SUCCESS) {
            RegDeleteTreeW(key, nullptr);
            RegCloseKey(key);
        }
        RegDeleteKeyExW(root_, it->c_str(), view_, 0);
    }
}

void RegFixture::Key(const std::wstring& path)
{
    // Component by component, so that every key this fixture made is removed.
    for (size_t end = path.find(L'\\');; end = path.find(L'\\', end + 1)) {
        std::wstring part = path.substr(0, end);
        HKEY key = nullptr;
        DWORD disposition = 0;
        if (RegCreateKeyExW(root_, part.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | view_, nullptr, &key,
                            &disposition) != ERROR_SUCCESS)
            throw std::runtime_error("cannot create fixture key");
        RegCloseKey(key);
        if (disposition == REG_CREATED_NEW_KEY) created_.push_back(part);
        if (end == std::wstring::npos) break;
    }
}

void RegFixture::String(const std::wstring& path, const std::wstring& name, const std::wstring& data, DWORD type)
{
    Raw(path, name, type, data.c_str(), static_cast<DWORD>((data.size() + 1) * sizeof(wchar_t)));
}

void RegFixture::Raw(const std::wstring& path, const std::wstring& name, DWORD type, const void* data, DWORD size)
{
    Key(path);
    HKEY key = nullptr;
    if (RegOpenKeyExW(root_, path.c_str(), 0, KEY_ALL_ACCESS | view_, &key) != ERROR_SUCCESS)
        throw std::runtime_error("cannot open fixture key");
    LONG rc = RegSetValueExW(key, name.empty() ? nullptr : name.c_str(), 0, type, static_cast<const BYTE*>(data), size);
    RegCloseKey(key);
    if (rc != ERROR_SUCCESS) throw std::runtime_error("cannot set fixture value");
}

bool KeyExists(HKEY root, const std::wstring& path, REGSAM view)
{
    HKEY key = nullptr;
    if (RegOpenKeyExW(root, path.c_str(), 0, KEY_READ | view, &key) != ERROR_SUCCESS) return false;
    RegCloseKey(key);
    return true;
}

void WriteFile(const std::wstring& path, const std::string& content)
{
    std::ofstream f(path.c_str(), std::ios::binary);
    f << content;
}

}  // namespace scantest
