// Answers to existence questions that recur within one scan: does this key
// exist in this registry view, does this file exist as this kind of program
// sees it. Many registrations name the same type library or the same DLL;
// each distinct question is asked once and its answer kept.
//
// A question is a kind (a view, a file view) and a text; texts that differ
// only in the case of ASCII letters are one question, as the registry and
// the file system treat them. The cache is bounded, so its memory is the
// same however large the registry is: answers live in two generations of
// half the capacity each. When the current one is full it becomes the
// previous one and the old previous one is dropped; an answer found in the
// previous generation moves back into the current one. So answers that
// keep being asked for stay, and the many questions asked only once (most
// class names) pass through without pushing them out.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

#include "pure/Presence.h"

namespace pure {

class ExistenceCache {
public:
    explicit ExistenceCache(size_t capacity = 4096) : generation_(capacity / 2 > 0 ? capacity / 2 : 1) {}

    // The kept answer to (kind, text), or ask()'s (a Presence). Only
    // Present and Missing are kept: a check that could not tell is asked
    // again the next time, since the system may answer then.
    template <class Ask>
    Presence Get(wchar_t kind, std::wstring_view text, Ask ask)
    {
        MakeKey(kind, text);
        if (auto found = current_.find(key_); found != current_.end()) return AsPresence(found->second);
        if (auto found = previous_.find(key_); found != previous_.end()) {
            const bool present = found->second;
            previous_.erase(found);
            Keep(present);
            return AsPresence(present);
        }
        const Presence answer = ask();
        if (answer != Presence::Unknown) Keep(answer == Presence::Present);
        return answer;
    }

    size_t Size() const { return current_.size() + previous_.size(); }
    size_t Capacity() const { return 2 * generation_; }

private:
    static Presence AsPresence(bool present) { return present ? Presence::Present : Presence::Missing; }

    void MakeKey(wchar_t kind, std::wstring_view text)
    {
        key_.assign(1, kind);
        key_.append(text);
        for (wchar_t& c : key_)
            if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    }

    void Keep(bool present)
    {
        if (current_.size() >= generation_) {
            previous_.swap(current_);
            current_.clear();
        }
        current_.emplace(key_, present);
    }

    size_t generation_;
    std::unordered_map<std::wstring, bool> current_;
    std::unordered_map<std::wstring, bool> previous_;
    std::wstring key_;  // reused: no allocation per question once it is long enough
};

}  // namespace pure
