// A COM interface pointer that releases on scope exit, and COM
// initialisation that is undone only when it succeeded.
#pragma once

#include <objbase.h>

#include <utility>

template <class T>
class ComPtr {
public:
    ComPtr() = default;
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;
    ComPtr(ComPtr&& o) noexcept : p_(std::exchange(o.p_, nullptr)) {}
    ComPtr& operator=(ComPtr&& o) noexcept
    {
        reset(std::exchange(o.p_, nullptr));
        return *this;
    }
    ~ComPtr() { reset(); }

    T* get() const { return p_; }
    T* operator->() const { return p_; }
    explicit operator bool() const { return p_ != nullptr; }
    T** put()
    {
        reset();
        return &p_;
    }
    void** put_void() { return reinterpret_cast<void**>(put()); }
    void reset(T* p = nullptr)
    {
        if (p_) p_->Release();
        p_ = p;
    }

    template <class U>
    HRESULT As(const IID& iid, ComPtr<U>& out) const
    {
        if (!p_) return E_POINTER;
        return p_->QueryInterface(iid, out.put_void());
    }

private:
    T* p_ = nullptr;
};

class ScopedCoInit {
public:
    ScopedCoInit() : hr_(CoInitialize(nullptr)) {}
    ScopedCoInit(const ScopedCoInit&) = delete;
    ScopedCoInit& operator=(const ScopedCoInit&) = delete;
    ~ScopedCoInit()
    {
        if (SUCCEEDED(hr_)) CoUninitialize();
    }
    bool ok() const { return SUCCEEDED(hr_); }

private:
    HRESULT hr_;
};

// A BSTR owned for the scope.
class ScopedBstr {
public:
    ScopedBstr() = default;
    explicit ScopedBstr(const wchar_t* s) : b_(SysAllocString(s)) {}
    ScopedBstr(const ScopedBstr&) = delete;
    ScopedBstr& operator=(const ScopedBstr&) = delete;
    ~ScopedBstr() { SysFreeString(b_); }
    BSTR get() const { return b_; }
    BSTR* put()
    {
        SysFreeString(b_);
        b_ = nullptr;
        return &b_;
    }

private:
    BSTR b_ = nullptr;
};

// A VARIANT cleared on scope exit.
class ScopedVariant {
public:
    ScopedVariant() { VariantInit(&v_); }
    explicit ScopedVariant(const wchar_t* s)
    {
        VariantInit(&v_);
        v_.vt = VT_BSTR;
        v_.bstrVal = SysAllocString(s);
    }
    ScopedVariant(const ScopedVariant&) = delete;
    ScopedVariant& operator=(const ScopedVariant&) = delete;
    ~ScopedVariant() { VariantClear(&v_); }
    VARIANT& get() { return v_; }
    VARIANT* put()
    {
        VariantClear(&v_);
        return &v_;
    }

private:
    VARIANT v_;
};
