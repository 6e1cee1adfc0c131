// RAII owners for the Win32 handle kinds the engine opens. Non-copyable,
// movable, with get() and release().
#pragma once

#include <windows.h>

#include <utility>

template <class Traits>
class UniqueHandleT {
public:
    using Handle = typename Traits::Handle;
    UniqueHandleT() = default;
    explicit UniqueHandleT(Handle h) : h_(h) {}
    UniqueHandleT(const UniqueHandleT&) = delete;
    UniqueHandleT& operator=(const UniqueHandleT&) = delete;
    UniqueHandleT(UniqueHandleT&& o) noexcept : h_(o.release()) {}
    UniqueHandleT& operator=(UniqueHandleT&& o) noexcept
    {
        reset(o.release());
        return *this;
    }
    ~UniqueHandleT() { reset(); }

    Handle get() const { return h_; }
    Handle* put()
    {
        reset();
        return &h_;
    }
    Handle release() { return std::exchange(h_, Traits::Invalid()); }
    void reset(Handle h = Traits::Invalid())
    {
        if (h_ != Traits::Invalid()) Traits::Close(h_);
        h_ = h;
    }
    explicit operator bool() const { return h_ != Traits::Invalid(); }

private:
    Handle h_ = Traits::Invalid();
};

struct HKeyTraits {
    using Handle = HKEY;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { RegCloseKey(h); }
};
struct KernelHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return nullptr; }
    static void Close(Handle h) { CloseHandle(h); }
};
struct FileHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { CloseHandle(h); }
};
struct FindHandleTraits {
    using Handle = HANDLE;
    static Handle Invalid() { return INVALID_HANDLE_VALUE; }
    static void Close(Handle h) { FindClose(h); }
};

using UniqueHKey = UniqueHandleT<HKeyTraits>;
using UniqueHandle = UniqueHandleT<KernelHandleTraits>;       // threads, events, processes, tokens
using UniqueFile = UniqueHandleT<FileHandleTraits>;           // CreateFileW results
using UniqueFindHandle = UniqueHandleT<FindHandleTraits>;     // FindFirstFileW results
