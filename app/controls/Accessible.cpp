#include "controls/Accessible.h"

#include <oleacc.h>

#include <string>

#include "pure/UiTexts.h"

namespace ui {
namespace {

// oleacc.dll's entries, looked up once: its import library defines
// IID_IAccessible again, which libuuid already does.
struct Oleacc {
    using CreateStd = HRESULT(WINAPI*)(HWND, LONG, REFIID, void**);
    using FromObject = LRESULT(WINAPI*)(REFIID, WPARAM, LPUNKNOWN);
    CreateStd createStd = nullptr;
    FromObject fromObject = nullptr;
    Oleacc()
    {
        HMODULE dll = LoadLibraryW(L"oleacc.dll");
        if (!dll) return;
        createStd = reinterpret_cast<CreateStd>(reinterpret_cast<void*>(GetProcAddress(dll, "CreateStdAccessibleObject")));
        fromObject = reinterpret_cast<FromObject>(reinterpret_cast<void*>(GetProcAddress(dll, "LresultFromObject")));
    }
};

const Oleacc& Library()
{
    static const Oleacc library;
    return library;
}

bool IsSelf(const VARIANT& child) { return child.vt == VT_I4 && child.lVal == CHILDID_SELF; }

BSTR Bstr(const std::wstring& s) { return SysAllocStringLen(s.data(), static_cast<UINT>(s.size())); }

std::wstring WindowText(HWND hwnd)
{
    std::wstring text(static_cast<size_t>(GetWindowTextLengthW(hwnd)) + 1, L'\0');
    text.resize(static_cast<size_t>(GetWindowTextW(hwnd, text.data(), static_cast<int>(text.size()))));
    return text;
}

// The platform's object for the window, with what it cannot know of ours.
class ButtonObject final : public IAccessible {
public:
    ButtonObject(HWND hwnd, AccessibleKind kind, IAccessible* inner) : hwnd_(hwnd), kind_(kind), inner_(inner) {}
    ButtonObject(const ButtonObject&) = delete;
    ButtonObject& operator=(const ButtonObject&) = delete;

    // IUnknown
    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override
    {
        if (!out) return E_POINTER;
        if (IsEqualIID(iid, IID_IUnknown) || IsEqualIID(iid, IID_IDispatch) || IsEqualIID(iid, IID_IAccessible)) {
            *out = static_cast<IAccessible*>(this);
            AddRef();
            return S_OK;
        }
        *out = nullptr;
        return E_NOINTERFACE;
    }
    ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(InterlockedIncrement(&refs_)); }
    ULONG STDMETHODCALLTYPE Release() override
    {
        const LONG left = InterlockedDecrement(&refs_);
        if (left == 0) delete this;
        return static_cast<ULONG>(left);
    }

    // IDispatch
    HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* n) override { return inner_->GetTypeInfoCount(n); }
    HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT i, LCID lcid, ITypeInfo** info) override
    {
        return inner_->GetTypeInfo(i, lcid, info);
    }
    HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID iid, LPOLESTR* names, UINT n, LCID lcid, DISPID* ids) override
    {
        return inner_->GetIDsOfNames(iid, names, n, lcid, ids);
    }
    HRESULT STDMETHODCALLTYPE Invoke(DISPID id, REFIID iid, LCID lcid, WORD flags, DISPPARAMS* params,
                                     VARIANT* result, EXCEPINFO* info, UINT* arg) override
    {
        return inner_->Invoke(id, iid, lcid, flags, params, result, info, arg);
    }

    // IAccessible: ours
    HRESULT STDMETHODCALLTYPE get_accName(VARIANT child, BSTR* name) override
    {
        if (!IsSelf(child)) return inner_->get_accName(child, name);
        if (!name) return E_POINTER;
        *name = Bstr(uitext::WithoutAccelerator(WindowText(hwnd_)));
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accRole(VARIANT child, VARIANT* role) override
    {
        if (!IsSelf(child)) return inner_->get_accRole(child, role);
        if (!role) return E_POINTER;
        role->vt = VT_I4;
        role->lVal = kind_ == AccessibleKind::CheckBox ? ROLE_SYSTEM_CHECKBUTTON : ROLE_SYSTEM_PUSHBUTTON;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accState(VARIANT child, VARIANT* state) override
    {
        HRESULT hr = inner_->get_accState(child, state);
        if (FAILED(hr) || !IsSelf(child) || state->vt != VT_I4) return hr;
        if (!IsWindowEnabled(hwnd_)) state->lVal |= STATE_SYSTEM_UNAVAILABLE;
        if (GetFocus() == hwnd_) state->lVal |= STATE_SYSTEM_FOCUSED;
        state->lVal |= STATE_SYSTEM_FOCUSABLE;
        if (kind_ == AccessibleKind::CheckBox && SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED)
            state->lVal |= STATE_SYSTEM_CHECKED;
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE get_accKeyboardShortcut(VARIANT child, BSTR* keys) override
    {
        if (!IsSelf(child)) return inner_->get_accKeyboardShortcut(child, keys);
        if (!keys) return E_POINTER;
        const wchar_t letter = uitext::AcceleratorOf(WindowText(hwnd_));
        *keys = letter ? Bstr(std::wstring(L"Alt+") + letter) : nullptr;
        return letter ? S_OK : S_FALSE;
    }
    HRESULT STDMETHODCALLTYPE get_accDefaultAction(VARIANT child, BSTR* action) override
    {
        if (!IsSelf(child)) return inner_->get_accDefaultAction(child, action);
        if (!action) return E_POINTER;
        const bool checked = SendMessageW(hwnd_, BM_GETCHECK, 0, 0) == BST_CHECKED;
        *action = Bstr(kind_ == AccessibleKind::PushButton ? L"Press" : checked ? L"Uncheck" : L"Check");
        return S_OK;
    }
    HRESULT STDMETHODCALLTYPE accDoDefaultAction(VARIANT child) override
    {
        if (!IsSelf(child)) return inner_->accDoDefaultAction(child);
        if (!IsWindowEnabled(hwnd_)) return E_FAIL;
        PostMessageW(hwnd_, BM_CLICK, 0, 0);
        return S_OK;
    }

    // IAccessible: the platform's
    HRESULT STDMETHODCALLTYPE get_accParent(IDispatch** parent) override { return inner_->get_accParent(parent); }
    HRESULT STDMETHODCALLTYPE get_accChildCount(LONG* n) override { return inner_->get_accChildCount(n); }
    HRESULT STDMETHODCALLTYPE get_accChild(VARIANT child, IDispatch** out) override
    {
        return inner_->get_accChild(child, out);
    }
    HRESULT STDMETHODCALLTYPE get_accValue(VARIANT child, BSTR* value) override
    {
        return inner_->get_accValue(child, value);
    }
    HRESULT STDMETHODCALLTYPE get_accDescription(VARIANT child, BSTR* text) override
    {
        return inner_->get_accDescription(child, text);
    }
    HRESULT STDMETHODCALLTYPE get_accHelp(VARIANT child, BSTR* help) override { return inner_->get_accHelp(child, help); }
    HRESULT STDMETHODCALLTYPE get_accHelpTopic(BSTR* file, VARIANT child, LONG* topic) override
    {
        return inner_->get_accHelpTopic(file, child, topic);
    }
    HRESULT STDMETHODCALLTYPE get_accFocus(VARIANT* child) override { return inner_->get_accFocus(child); }
    HRESULT STDMETHODCALLTYPE get_accSelection(VARIANT* children) override { return inner_->get_accSelection(children); }
    HRESULT STDMETHODCALLTYPE accSelect(LONG flags, VARIANT child) override { return inner_->accSelect(flags, child); }
    HRESULT STDMETHODCALLTYPE accLocation(LONG* x, LONG* y, LONG* w, LONG* h, VARIANT child) override
    {
        return inner_->accLocation(x, y, w, h, child);
    }
    HRESULT STDMETHODCALLTYPE accNavigate(LONG dir, VARIANT start, VARIANT* end) override
    {
        return inner_->accNavigate(dir, start, end);
    }
    HRESULT STDMETHODCALLTYPE accHitTest(LONG x, LONG y, VARIANT* child) override
    {
        return inner_->accHitTest(x, y, child);
    }
    HRESULT STDMETHODCALLTYPE put_accName(VARIANT child, BSTR name) override { return inner_->put_accName(child, name); }
    HRESULT STDMETHODCALLTYPE put_accValue(VARIANT child, BSTR value) override
    {
        return inner_->put_accValue(child, value);
    }

private:
    ~ButtonObject() { inner_->Release(); }

    LONG refs_ = 1;
    HWND hwnd_;
    AccessibleKind kind_;
    IAccessible* inner_;  // owned
};

}  // namespace

LRESULT AnswerGetObject(HWND hwnd, WPARAM wp, LPARAM lp, AccessibleKind kind)
{
    if (static_cast<LONG>(lp) != static_cast<LONG>(OBJID_CLIENT)) return 0;
    const Oleacc& oleacc = Library();
    if (!oleacc.createStd || !oleacc.fromObject) return 0;
    IAccessible* inner = nullptr;
    if (FAILED(oleacc.createStd(hwnd, OBJID_CLIENT, IID_IAccessible, reinterpret_cast<void**>(&inner))) || !inner)
        return 0;
    auto* object = new ButtonObject(hwnd, kind, inner);
    const LRESULT r = oleacc.fromObject(IID_IAccessible, wp, static_cast<IAccessible*>(object));
    object->Release();
    return r;
}

}  // namespace ui
