// Answers to yes-or-no questions that recur within one scan: does this key
// exist in this registry view, does this file exist as this kind of program
// sees it. Many registrations name the same type library or the same DLL;
// each distinct question is asked once and its answer kept.
//
// A question is a kind (a view, a file view) and a text; texts that differ
// only in the case of ASCII letters are one question, as the registry and
// the file system treat them. The cache is bounded: when it holds kCapacity
// answers it starts afresh, so its memory is the same however large the
// registry is.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>

namespace pure {

class ExistenceCache {
public:
    static constexpr size_t kCapacity = 4096;

    // What asking the system gave: a failure other than "not there" is
    // Unsure, answered as no and asked again the next time.
    enum class Answer { No, Yes, Unsure };

    // The kept answer to (kind, text), or ask()'s, kept unless Unsure.
    template <class Ask>
    bool Get(wchar_t kind, std::wstring_view text, Ask ask)
    {
        MakeKey(kind, text);
        if (auto found = answers_.find(key_); found != answers_.end()) return found->second;
        const Answer answer = ask();
        if (answer == Answer::Unsure) return false;
        if (answers_.size() >= kCapacity) answers_.clear();
        answers_.emplace(key_, answer == Answer::Yes);
        return answer == Answer::Yes;
    }

    size_t Size() const { return answers_.size(); }

private:
    void MakeKey(wchar_t kind, std::wstring_view text)
    {
        key_.assign(1, kind);
        key_.append(text);
        for (wchar_t& c : key_)
            if (c >= L'a' && c <= L'z') c = static_cast<wchar_t>(c - L'a' + L'A');
    }

    std::unordered_map<std::wstring, bool> answers_;
    std::wstring key_;  // reused: no allocation per question once it is long enough
};

}  // namespace pure
