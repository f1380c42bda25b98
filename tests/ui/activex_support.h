// The test control's DLL seen from the tests: its switches and record, its per-user COM
// registration, and a window that hosts skins with ActiveX controls.
#pragma once

#include <windows.h>
#include <ole2.h>

#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "core/UIControl.h"

#include "TestControlApi.h"
#include "Win32Handle.h"
#include "controls_support.h"
#include "manager_support.h"

namespace activextest {

class TestControlLibrary
{
public:
    TestControlLibrary() : m_module(::LoadLibraryW(kTestControlModule))
    {
        m_configure = Export<TestControlConfigureFn>("TestControlConfigure");
        m_calls = Export<TestControlCallsFn>("TestControlCalls");
        m_clear = Export<TestControlClearFn>("TestControlClear");
        m_live = Export<TestControlLiveObjectsFn>("TestControlLiveObjects");
        m_uiHandler = Export<TestControlDocumentUIHandlerFn>("TestControlDocumentUIHandler");
    }
    bool IsLoaded() const { return m_configure && m_calls && m_clear && m_live && m_uiHandler; }

    void Configure(bool windowless, DWORD miscStatus = 0, bool browser = false, bool failInitNew = false)
    {
        const TestControlOptions options = {windowless, miscStatus, browser, failInitNew};
        m_configure(&options);
        m_clear();
    }
    void Clear() { m_clear(); }
    LONG LiveObjects() const { return m_live(); }
    // The UI handler the test control's document was given, held for the caller.
    win32::ComPtr<IUnknown> DocumentUIHandler() const
    {
        win32::ComPtr<IUnknown> handler;
        handler.Attach(m_uiHandler());   // a reference of the caller's own
        return handler;
    }

    // The recorded calls that begin with one of the prefixes, in order; all of them for "".
    std::vector<std::wstring> CallsStarting(std::vector<std::wstring> prefixes) const
    {
        std::vector<std::wstring> found;
        std::wistringstream in(m_calls());
        for (std::wstring line; std::getline(in, line);)
            for (const std::wstring& prefix : prefixes)
                if (line.compare(0, prefix.size(), prefix) == 0) {
                    found.push_back(line);
                    break;
                }
        return found;
    }
    int Count(const std::wstring& prefix) const { return static_cast<int>(CallsStarting({prefix}).size()); }

private:
    template <class Fn>
    Fn Export(const char* name) { return m_module ? reinterpret_cast<Fn>(::GetProcAddress(m_module, name)) : nullptr; }

    HMODULE m_module;
    TestControlConfigureFn m_configure = nullptr;
    TestControlCallsFn m_calls = nullptr;
    TestControlClearFn m_clear = nullptr;
    TestControlLiveObjectsFn m_live = nullptr;
    TestControlDocumentUIHandlerFn m_uiHandler = nullptr;
};

// The test control under HKCU\Software\Classes by class id and programmatic id, for as long
// as the object lives. Wine reads the machine's classes only: there the same keys go under
// HKLM\Software\Classes of the test prefix as well.
class PerUserRegistration
{
public:
    PerUserRegistration()
    {
        WCHAR path[MAX_PATH] = {};
        HMODULE module = ::GetModuleHandleW(kTestControlModule);
        if (!module || !::GetModuleFileNameW(module, path, MAX_PATH))
            return;
        m_ok = Register(HKEY_CURRENT_USER, path);
        CLSID found = {};
        if (m_ok && FAILED(::CLSIDFromProgID(kTestControlProgId, &found))) {
            m_machine = true;
            m_ok = Register(HKEY_LOCAL_MACHINE, path);
        }
    }
    ~PerUserRegistration()
    {
        for (HKEY root : {HKEY_CURRENT_USER, m_machine ? HKEY_LOCAL_MACHINE : nullptr})
            for (const std::wstring& key : {kClassKey, kProgIdKey})
                if (root)
                    ::RegDeleteTreeW(root, key.c_str());
    }
    bool IsDone() const { return m_ok; }

private:
    bool Register(HKEY root, LPCWSTR path) const
    {
        const std::wstring server = kClassKey + L"\\InprocServer32", progId = kProgIdKey + L"\\CLSID";
        return Set(root, server, nullptr, path) && Set(root, server, L"ThreadingModel", L"Apartment") &&
               Set(root, progId, nullptr, kTestControlClassIdText);
    }
    static bool Set(HKEY root, const std::wstring& key, LPCWSTR name, LPCWSTR value)
    {
        const DWORD size = static_cast<DWORD>((wcslen(value) + 1) * sizeof(WCHAR));
        return ::RegSetKeyValueW(root, key.c_str(), name, REG_SZ, value, size) == ERROR_SUCCESS;
    }
    const std::wstring kClassKey = std::wstring(L"Software\\Classes\\CLSID\\") + kTestControlClassIdText;
    const std::wstring kProgIdKey = std::wstring(L"Software\\Classes\\") + kTestControlProgId;
    bool m_ok = false;
    bool m_machine = false;
};

// OLE for the test's thread and a skin window that can be closed and opened again.
class ActiveXWindow
{
public:
    ActiveXWindow() { m_ole = SUCCEEDED(::OleInitialize(nullptr)); }
    ~ActiveXWindow()
    {
        host.reset();
        if (m_ole)
            ::OleUninitialize();
    }

    // Builds the skin into a new 300 x 200 window and lays it out with a first paint.
    bool Open(LPCWSTR skin)
    {
        host.reset(new skintest::SkinWindow);
        return host->Open(skin, 300, 200);
    }
    template <class T>
    T* Find(LPCWSTR name) { return host->Find<T>(name); }
    // Opens the skin and finds the named control in it.
    template <class T>
    T* Open(const std::wstring& skin, LPCWSTR name) { return Open(skin.c_str()) ? Find<T>(name) : nullptr; }
    HWND Window() const { return host->host.GetHandle(); }

    std::unique_ptr<skintest::SkinWindow> host;

private:
    bool m_ole = false;
};

// The skin attributes that create the test control from its DLL.
inline std::wstring TestControlAttributes()
{
    return std::wstring(L"modulename=\"") + kTestControlModule + L"\" clsid=\"" + kTestControlClassIdText + L"\"";
}

inline std::wstring RectText(const RECT& rc)
{
    return std::to_wstring(rc.left) + L"," + std::to_wstring(rc.top) + L"," + std::to_wstring(rc.right) + L"," +
           std::to_wstring(rc.bottom);
}

} // namespace activextest
