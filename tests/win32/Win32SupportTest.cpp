#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <utility>

#include "TextConvert.h"
#include "Win32Handle.h"

namespace {

bool HandleOpen(HANDLE handle)
{
    DWORD flags = 0;
    return GetHandleInformation(handle, &flags) != FALSE;
}

} // namespace

TEST(TextConvert, ConvertsExactlyTheGivenLength)
{
    struct Case {
        UINT codePage;
        std::string bytes;
        std::wstring wide;
    };
    const Case cases[] = {
        {CP_UTF8, "caf\xC3\xA9", L"caf\u00E9"},
        {936, "\xD6\xD0\xCE\xC4", L"\u4E2D\u6587"},
        {CP_UTF8, std::string("a\0b", 3), std::wstring(L"a\0b", 3)},  // a NUL inside is text
        {CP_UTF8, "", L""},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(win32::ToWide(c.codePage, c.bytes), c.wide) << c.bytes;
        EXPECT_EQ(win32::ToNarrow(c.codePage, c.wide), c.bytes) << c.bytes;
    }
    EXPECT_EQ(win32::ToNarrow(CP_ACP, L"caf\u00E9"), "caf\xE9");
    EXPECT_EQ(win32::ToWide(CP_UTF8, nullptr, 3), L"");
    EXPECT_EQ(win32::ToNarrow(CP_UTF8, nullptr, 3), "");
}

TEST(TextConvert, TextCutInsideASequenceReadsNothingBeyondItsLength)
{
    // No terminator after the cut sequence: what follows must not be read.
    const char cuts[][8] = {{'a', 'b', 'c', '\xC3', 'X', 'Y', 'Z', 'W'},
                            {'a', 'b', 'c', '\xE4', '\xB8', 'X', 'Y', 'Z'},
                            {'a', 'b', 'c', '\xF0', '\x9F', '\x98', 'X', 'Y'}};
    const size_t lengths[] = {4, 5, 6};
    for (size_t i = 0; i < 3; ++i) {
        std::wstring wide = win32::ToWide(CP_UTF8, cuts[i], lengths[i]);
        ASSERT_GE(wide.size(), 4u) << i;
        EXPECT_EQ(wide.substr(0, 3), L"abc") << i;
        EXPECT_EQ(wide.find_first_not_of(L'\uFFFD', 3), std::wstring::npos) << i;
        EXPECT_EQ(wide.find(L'X'), std::wstring::npos) << i;
    }
}

TEST(Win32Handle, ClosesOnceWhateverWayTheHandleLeaves)
{
    HANDLE raw = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    {
        win32::UniqueHandle first(raw);
        win32::UniqueHandle second(std::move(first));
        EXPECT_FALSE(first.Valid());
        EXPECT_EQ(second.Get(), raw);
        EXPECT_TRUE(HandleOpen(raw));
    }
    EXPECT_FALSE(HandleOpen(raw));

    raw = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    win32::UniqueHandle kept(raw);
    EXPECT_EQ(kept.Release(), raw);
    kept.Reset();
    EXPECT_TRUE(HandleOpen(raw));  // released: no longer ours to close
    kept.Reset(raw);
    kept.Reset(CreateEventW(nullptr, TRUE, FALSE, nullptr));
    EXPECT_FALSE(HandleOpen(raw));

    // Both failure values of Win32 mean "none".
    EXPECT_FALSE(win32::UniqueHandle(INVALID_HANDLE_VALUE).Valid());
    WIN32_FIND_DATAW entry;
    win32::FindHandle search(FindFirstFileW(L"C:\\qix_no_such_folder\\*", &entry));
    EXPECT_FALSE(search.Valid());
}

namespace {

// Wraps a new object of one kind and checks that the wrapper's going closes it.
template <class Wrapper, class Make, class Alive>
void ExpectClosedWhenTheWrapperGoes(const char* kind, Make make, Alive alive)
{
    SCOPED_TRACE(kind);
    const auto object = make();
    ASSERT_TRUE(alive(object));
    { Wrapper held(object); }
    EXPECT_FALSE(alive(object));
}

} // namespace

TEST(Win32Handle, EachKindIsClosedByItsOwnCall)
{
    ExpectClosedWhenTheWrapperGoes<win32::UniquePen>(
        "pen", [] { return CreatePen(PS_SOLID, 1, RGB(1, 2, 3)); },
        [](HPEN pen) { return GetObjectType(pen) != 0; });
    ExpectClosedWhenTheWrapperGoes<win32::UniqueMemoryDC>(
        "memory DC", [] { return CreateCompatibleDC(nullptr); },
        [](HDC dc) { return GetObjectType(dc) == OBJ_MEMDC; });
    ExpectClosedWhenTheWrapperGoes<win32::UniqueAccelerator>(
        "accelerator table",
        [] {
            ACCEL entry = {FVIRTKEY, 'A', 1};
            return CreateAcceleratorTableW(&entry, 1);
        },
        [](HACCEL table) { return CopyAcceleratorTableW(table, nullptr, 0) == 1; });
}

TEST(Win32Handle, AWindowDCGoesBackOnceToTheWindowThatLentIt)
{
    // A class without CS_OWNDC, CS_CLASSDC or CS_PARENTDC: its windows lend DCs from the common
    // cache, and ReleaseDC answers 0 for one that is no longer lent out.
    WNDCLASSW wc = {};
    wc.lpfnWndProc = DefWindowProcW;
    wc.hInstance = GetModuleHandleW(nullptr);
    wc.lpszClassName = L"QixPlainWindow";
    RegisterClassW(&wc);
    const HWND window = CreateWindowExW(0, wc.lpszClassName, L"", WS_POPUP, 0, 0, 20, 20, nullptr,
                                        nullptr, wc.hInstance, nullptr);
    ASSERT_NE(nullptr, window);
    HDC dc = nullptr;
    {
        win32::WindowDC lent(window);
        ASSERT_TRUE(lent);
        dc = lent.Get();
    }
    EXPECT_EQ(0, ReleaseDC(window, dc)) << "given back when the wrapper went";
    {
        win32::WindowDC lent(window);
        dc = lent.Release();
    }
    EXPECT_EQ(1, ReleaseDC(window, dc)) << "handed out: the taker gives it back";
    dc = GetDC(window);
    {
        win32::WindowDC takenBack(window, dc);
        win32::WindowDC moved(std::move(takenBack));
    }
    EXPECT_EQ(0, ReleaseDC(window, dc)) << "taken back raw, moved, given back once";
    DestroyWindow(window);
}

TEST(Win32Handle, ASelectionScopePutsBackWhatItReplaced)
{
    const win32::UniqueMemoryDC dc(CreateCompatibleDC(nullptr));
    ASSERT_TRUE(dc);
    const win32::UniquePen pen(CreatePen(PS_SOLID, 1, RGB(1, 2, 3)));
    const HGDIOBJ firstPen = GetCurrentObject(dc.Get(), OBJ_PEN);
    {
        win32::SelectScope select(dc.Get(), pen.Get());
        EXPECT_EQ(pen.Get(), GetCurrentObject(dc.Get(), OBJ_PEN));
    }
    EXPECT_EQ(firstPen, GetCurrentObject(dc.Get(), OBJ_PEN));
}
