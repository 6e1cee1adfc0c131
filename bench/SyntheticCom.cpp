#include "SyntheticCom.h"

#include <windows.h>

#include <cstdio>
#include <string>

namespace bench {
namespace {

constexpr int kLibraryFiles = 500;  // distinct existing files the registrations share

std::wstring Guid(unsigned kind, unsigned n)
{
    wchar_t buf[64];
    std::swprintf(buf, 64, L"{%08X-BE9C-4A11-8%03X-%012X}", 0xB3000000u + n, kind, n * 7919u);
    return buf;
}

// A .reg string literal: backslashes and quotes escaped.
std::wstring Literal(const std::wstring& s)
{
    std::wstring out = L"\"";
    for (wchar_t c : s) {
        if (c == L'\\' || c == L'"') out += L'\\';
        out += c;
    }
    return out + L"\"";
}

class RegWriter {
public:
    explicit RegWriter(SyntheticCounts& counts) : counts_(counts)
    {
        text_ = L"\xFEFFWindows Registry Editor Version 5.00\r\n";
    }
    void Key(const std::wstring& path)
    {
        text_ += L"\r\n[HKEY_LOCAL_MACHINE\\Software\\Classes\\" + path + L"]\r\n";
        ++counts_.keys;
    }
    void Value(const std::wstring& name, const std::wstring& data)
    {
        text_ += (name.empty() ? std::wstring(L"@") : Literal(name)) + L"=" + Literal(data) + L"\r\n";
        ++counts_.values;
    }
    bool Save(const std::wstring& file) const
    {
        HANDLE h = CreateFileW(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (h == INVALID_HANDLE_VALUE) return false;
        DWORD written = 0;
        BOOL ok =
            WriteFile(h, text_.data(), static_cast<DWORD>(text_.size() * sizeof(wchar_t)), &written, nullptr);
        CloseHandle(h);
        return ok && written == text_.size() * sizeof(wchar_t);
    }

private:
    SyntheticCounts& counts_;
    std::wstring text_;
};

bool Broken(int i, int percent)
{
    return percent > 0 && (i * 37) % 100 < percent;
}

}  // namespace

bool WriteSyntheticCom(const std::wstring& regFile, const std::wstring& filesDir, const SyntheticSize& size,
                       SyntheticCounts& counts)
{
    CreateDirectoryW(filesDir.c_str(), nullptr);
    for (int i = 0; i < kLibraryFiles; ++i) {
        for (const wchar_t* ext : {L".dll", L".tlb"}) {
            std::wstring f = filesDir + L"\\lib" + std::to_wstring(i) + ext;
            HANDLE h = CreateFileW(f.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
            if (h == INVALID_HANDLE_VALUE) return false;
            CloseHandle(h);
        }
    }
    std::wstring missingDir = filesDir + L"\\missing";
    RegWriter w(counts);

    for (int i = 0; i < size.classes; ++i) {
        // Every sixth class is a 32-bit registration.
        std::wstring base = (i % 6 == 5 ? L"Wow6432Node\\CLSID\\" : L"CLSID\\") + Guid(1, i);
        bool broken = Broken(i, size.brokenPercent);
        counts.broken += broken;
        std::wstring lib =
            (broken ? missingDir : filesDir) + L"\\lib" + std::to_wstring(i % kLibraryFiles) + L".dll";
        w.Key(base);
        w.Value(L"", L"Bench Class " + std::to_wstring(i));
        if (i % 10 == 0 && size.appIds > 0) w.Value(L"AppID", Guid(4, i % size.appIds));
        w.Key(base + L"\\InprocServer32");
        w.Value(L"", lib);
        w.Value(L"ThreadingModel", L"Apartment");
        w.Key(base + L"\\ProgID");
        w.Value(L"", L"Bench.Class" + std::to_wstring(i) + L".1");
        w.Key(base + L"\\VersionIndependentProgID");
        w.Value(L"", L"Bench.Class" + std::to_wstring(i));
        if (size.typeLibs > 0) {
            w.Key(base + L"\\TypeLib");
            w.Value(L"", Guid(2, i % size.typeLibs));
        }
        w.Key(base + L"\\Version");
        w.Value(L"", L"1.0");
        // The program identifiers the class names, registered as they are
        // for a real class (outside the COM roots the scan walks).
        std::wstring progIds[] = {L"Bench.Class" + std::to_wstring(i) + L".1",
                                  L"Bench.Class" + std::to_wstring(i)};
        for (const std::wstring& progId : progIds) {
            w.Key(progId);
            w.Value(L"", L"Bench Class " + std::to_wstring(i));
            w.Key(progId + L"\\CLSID");
            w.Value(L"", Guid(1, i));
        }
    }
    for (int i = 0; i < size.typeLibs; ++i) {
        std::wstring base = L"TypeLib\\" + Guid(2, i) + L"\\1.0";
        bool broken = Broken(i, size.brokenPercent);
        counts.broken += broken;
        w.Key(base);
        w.Value(L"", L"Bench Library " + std::to_wstring(i));
        w.Key(base + L"\\0\\win64");
        w.Value(L"",
                (broken ? missingDir : filesDir) + L"\\lib" + std::to_wstring(i % kLibraryFiles) + L".tlb");
        w.Key(base + L"\\0\\win32");
        w.Value(L"", filesDir + L"\\lib" + std::to_wstring(i % kLibraryFiles) + L".tlb");
        w.Key(base + L"\\FLAGS");
        w.Value(L"", L"0");
        w.Key(base + L"\\HELPDIR");
        w.Value(L"", filesDir);
    }
    for (int i = 0; i < size.interfaces; ++i) {
        std::wstring base = L"Interface\\" + Guid(3, i);
        bool broken = Broken(i, size.brokenPercent);
        counts.broken += broken;
        w.Key(base);
        w.Value(L"", L"IBench" + std::to_wstring(i));
        w.Key(base + L"\\ProxyStubClsid32");
        w.Value(L"", L"{00020424-0000-0000-C000-000000000046}");
        w.Key(base + L"\\TypeLib");
        // A broken interface names a type library that is not registered.
        w.Value(L"", broken ? Guid(9, i) : Guid(2, size.typeLibs > 0 ? i % size.typeLibs : 0));
        w.Value(L"Version", L"1.0");
    }
    for (int i = 0; i < size.appIds; ++i) {
        std::wstring base = L"AppID\\" + Guid(4, i);
        w.Key(base);
        w.Value(L"", L"Bench App " + std::to_wstring(i));
        w.Value(L"DllSurrogate", L"");
    }
    return w.Save(regFile);
}

}  // namespace bench
