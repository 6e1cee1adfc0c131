// Answers to yes-or-no questions that recur within one scan: does this key
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

namespace pure {

class ExistenceCache {
public:
    explicit ExistenceCache(size_t capacity = 4096) : generation_(capacity / 2 > 0 ? capacity / 2 : 1) {}

    // What asking the system gave: a failure other than "not there" is
    // Unsure, answered as no and asked again the next time.
    enum class Answer { No, Yes, Unsure };

    // The kept answer to (kind, text), or ask()'s, kept unless Unsure.
    template <class Ask>
    bool Get(wchar_t kind, std::wstring_view text, Ask ask)
    {
        MakeKey(kind, text);
        if (auto found = current_.find(key_); found != current_.end()) return found->second;
        if (auto found = previous_.find(key_); found != previous_.end()) {
            const bool answer = found->second;
            previous_.erase(found);
            Keep(answer);
            return answer;
        }
        const Answer answer = ask();
        if (answer == Answer::Unsure) return false;
        Keep(answer == Answer::Yes);
        return answer == Answer::Yes;
    }

    size_t Size() const { return current_.size() + previous_.size(); }
    size_t Capacity() const { return 2 * generation_; }

private:
    void MakeKey(wchar_t kind, std::wstring_view text)
    {
        key_.assign(1, kind);
        key_.append(text);
        for (wchar_t& c : key_)
            if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    }

    void Keep(bool answer)
    {
        if (current_.size() >= generation_) {
            previous_.swap(current_);
            current_.clear();
        }
        current_.emplace(key_, answer);
    }

    size_t generation_;
    std::unordered_map<std::wstring, bool> current_;
    std::unordered_map<std::wstring, bool> previous_;
    std::wstring key_;  // reused: no allocation per question once it is long enough
};

}  // namespace pure
