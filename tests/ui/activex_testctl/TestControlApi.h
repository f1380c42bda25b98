// The test ActiveX control's face to the tests: its class ids, its switches and the record
// of every call its host makes.
#pragma once

#include <windows.h>
#include <unknwn.h>

namespace activextest {

// {6F0C1E52-8B3A-4C7D-9E21-5A4B3C2D1E0F}
constexpr CLSID kTestControlClassId = {
    0x6F0C1E52, 0x8B3A, 0x4C7D, {0x9E, 0x21, 0x5A, 0x4B, 0x3C, 0x2D, 0x1E, 0x0F}};
constexpr LPCWSTR kTestControlClassIdText = L"{6F0C1E52-8B3A-4C7D-9E21-5A4B3C2D1E0F}";
constexpr LPCWSTR kTestControlProgId = L"QxTest.ActiveXControl";
constexpr LPCWSTR kTestControlModule = L"qx_activex_testctl.dll";
constexpr LPCWSTR kTestControlWindowClass = L"QxTestControlWnd";

struct TestControlOptions
{
    BOOL windowless;      // activate without a window of its own when the site allows it
    DWORD miscStatus;     // answered by GetMiscStatus
    BOOL browser;         // also answer as the browser: IWebBrowser2 and its event source
    BOOL failInitNew;     // IPersistStreamInit::InitNew fails
};

typedef void(WINAPI* TestControlConfigureFn)(const TestControlOptions* options);
// The calls recorded since the last clear, one a line.
typedef LPCWSTR(WINAPI* TestControlCallsFn)();
typedef void(WINAPI* TestControlClearFn)();
// Control objects not yet destroyed.
typedef LONG(WINAPI* TestControlLiveObjectsFn)();
// The UI handler the newest browser document holds, with a reference for the caller; null
// when it holds none.
typedef IUnknown*(WINAPI* TestControlDocumentUIHandlerFn)();

} // namespace activextest
