// List benchmark: a CListUI and a native report-mode ListView, each filled with the same
// 10,000 rows of three columns, laid out and painted into a memory DC, then scrolled by 100
// wheel notches with a repaint after each. Prints a Markdown table of medians.
//   list_bench.exe [runs]

#include <windows.h>
#include <commctrl.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "controls/UIList.h"
#include "controls/UIListElement.h"
#include "core/UIManager.h"

#include "BenchTiming.h"

using namespace QxUI;

namespace {

using bench::Median;
using bench::Now;

const int kRows = 10000;
const int kColumns = 3;
const int kColumnWidth = 100;
const int kWidth = kColumns * kColumnWidth + 20;
const int kHeight = 400;
const int kScrollSteps = 100;

std::wstring Cell(int row, int column)
{
    return L"Row " + std::to_wstring(row) + L" column " + std::to_wstring(column);
}

struct Figures
{
    double fill = 0;         // ms
    double firstPaint = 0;   // ms
    double scrollStep = 0;   // ms, mean of one wheel notch and its repaint
    int scrolledTo = 0;      // how far the last step got: a check that the scrolling happened
    int darkPixels = 0;      // after the first paint: a check that text was drawn
};

// A memory DC with a 32-bit DIB selected, as wide and high as both controls.
class MemoryCanvas
{
public:
    MemoryCanvas()
    {
        BITMAPINFO info = {};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = kWidth;
        info.bmiHeader.biHeight = -kHeight;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        void* bits = nullptr;
        m_dc = ::CreateCompatibleDC(nullptr);
        m_bitmap = ::CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
        m_bits = static_cast<const DWORD*>(bits);
        m_old = ::SelectObject(m_dc, m_bitmap);
    }
    // Pixels darker than mid-grey: the drawn text, a check that the rows were painted.
    int DarkPixels() const
    {
        ::GdiFlush();
        int n = 0;
        for (int i = 0; i < kWidth * kHeight; ++i)
            n += (m_bits[i] & 0xFF) < 0x80 ? 1 : 0;
        return n;
    }
    ~MemoryCanvas()
    {
        ::SelectObject(m_dc, m_old);
        ::DeleteObject(m_bitmap);
        ::DeleteDC(m_dc);
    }
    HDC Dc() const { return m_dc; }

private:
    HDC m_dc = nullptr;
    HBITMAP m_bitmap = nullptr;
    const DWORD* m_bits = nullptr;
    HGDIOBJ m_old = nullptr;
};

Figures RunFrameworkList()
{
    Figures figures;
    MemoryCanvas canvas;
    CUIWindowManager manager;
    manager.AttachMemoryDC(canvas.Dc());
    const RECT client = {0, 0, kWidth, kHeight};

    const double start = Now();
    CListUI* list = new CListUI;
    list->SetBackColor(0xFFFFFFFF);
    list->EnableScrollBars(true, false);
    manager.AttachRootControl(list);
    for (int c = 0; c < kColumns; ++c) {
        CListHeaderItemUI* column = new CListHeaderItemUI;
        column->SetFixedWidth(kColumnWidth);
        column->SetText((L"Column " + std::to_wstring(c)).c_str());
        list->Add(column);
    }
    for (int r = 0; r < kRows; ++r) {
        CListTextElementUI* row = new CListTextElementUI;
        for (int c = 0; c < kColumns; ++c)
            row->SetColumnText(c, Cell(r, c).c_str());
        list->Add(row);
    }
    figures.fill = Now() - start;

    const double paint = Now();
    manager.PaintMemoryDC(client);
    figures.firstPaint = Now() - paint;
    figures.darkPixels = canvas.DarkPixels();

    const double scroll = Now();
    for (int i = 0; i < kScrollSteps; ++i) {
        // What the manager hands the control under the mouse for a notch towards the user.
        UIEvent event;
        event.Type = UIEventType::ScrollWheel;
        event.pSender = list;
        event.ptMouse = POINT{kWidth / 2, kHeight / 2};
        event.wParam = 1;
        event.dwTimestamp = ::GetTickCount();
        list->HandleEvent(event);
        manager.PaintMemoryDC(client);
    }
    figures.scrollStep = (Now() - scroll) / kScrollSteps;
    figures.scrolledTo = list->GetScrollPos().cy;
    return figures;
}

Figures RunNativeListView(HWND parent)
{
    Figures figures;
    MemoryCanvas canvas;

    const double start = Now();
    HWND view = ::CreateWindowExW(0, WC_LISTVIEWW, L"", WS_CHILD | WS_VISIBLE | LVS_REPORT, 0, 0,
                                  kWidth, kHeight, parent, nullptr,
                                  ::GetModuleHandleW(nullptr), nullptr);
    for (int c = 0; c < kColumns; ++c) {
        std::wstring title = L"Column " + std::to_wstring(c);
        LVCOLUMNW column = {};
        column.mask = LVCF_TEXT | LVCF_WIDTH;
        column.cx = kColumnWidth;
        column.pszText = &title[0];
        ::SendMessageW(view, LVM_INSERTCOLUMNW, c, reinterpret_cast<LPARAM>(&column));
    }
    for (int r = 0; r < kRows; ++r) {
        std::wstring text = Cell(r, 0);
        LVITEMW item = {};
        item.mask = LVIF_TEXT;
        item.iItem = r;
        item.pszText = &text[0];
        ::SendMessageW(view, LVM_INSERTITEMW, 0, reinterpret_cast<LPARAM>(&item));
        for (int c = 1; c < kColumns; ++c) {
            std::wstring sub = Cell(r, c);
            item.iSubItem = c;
            item.pszText = &sub[0];
            ::SendMessageW(view, LVM_SETITEMTEXTW, r, reinterpret_cast<LPARAM>(&item));
        }
    }
    figures.fill = Now() - start;

    const LPARAM print = PRF_CLIENT | PRF_ERASEBKGND | PRF_NONCLIENT | PRF_CHILDREN;
    const double paint = Now();
    ::SendMessageW(view, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), print);
    figures.firstPaint = Now() - paint;
    figures.darkPixels = canvas.DarkPixels();

    POINT centre = {kWidth / 2, kHeight / 2};
    ::ClientToScreen(view, &centre);
    const double scroll = Now();
    for (int i = 0; i < kScrollSteps; ++i) {
        ::SendMessageW(view, WM_MOUSEWHEEL, MAKEWPARAM(0, -WHEEL_DELTA),
                       MAKELPARAM(centre.x, centre.y));
        ::SendMessageW(view, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(canvas.Dc()), print);
    }
    figures.scrollStep = (Now() - scroll) / kScrollSteps;
    figures.scrolledTo = static_cast<int>(::SendMessageW(view, LVM_GETTOPINDEX, 0, 0));
    ::DestroyWindow(view);
    return figures;
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    CUIWindowManager::SetModuleInstance(::GetModuleHandleW(nullptr));
    INITCOMMONCONTROLSEX icc = {sizeof(icc), ICC_LISTVIEW_CLASSES};
    ::InitCommonControlsEx(&icc);
    // A hidden parent: nothing is shown, both controls paint only into memory.
    HWND parent = ::CreateWindowExW(0, L"STATIC", L"", WS_POPUP, 0, 0, kWidth, kHeight, nullptr,
                                    nullptr, ::GetModuleHandleW(nullptr), nullptr);

    std::vector<double> ours[3];
    std::vector<double> native[3];
    for (int run = 0; run < runs; ++run) {
        const Figures a = RunFrameworkList();
        const Figures b = RunNativeListView(parent);
        std::fprintf(stderr,
                     "run %d: CListUI %d dark pixels, scrolled to %d px; ListView %d dark "
                     "pixels, scrolled to row %d\n",
                     run + 1, a.darkPixels, a.scrolledTo, b.darkPixels, b.scrolledTo);
        ours[0].push_back(a.fill);
        ours[1].push_back(a.firstPaint);
        ours[2].push_back(a.scrollStep);
        native[0].push_back(b.fill);
        native[1].push_back(b.firstPaint);
        native[2].push_back(b.scrollStep);
    }
    ::DestroyWindow(parent);

    std::printf("| control | fill (ms) | first paint (ms) | mean repaint per scroll step (ms) |\n");
    std::printf("|---|---|---|---|\n");
    std::printf("| CListUI | %.1f | %.1f | %.2f |\n", Median(ours[0]), Median(ours[1]),
                Median(ours[2]));
    std::printf("| ListView (report) | %.1f | %.1f | %.2f |\n", Median(native[0]),
                Median(native[1]), Median(native[2]));
    std::printf("| ratio | %.2f | %.2f | %.2f |\n", Median(ours[0]) / Median(native[0]),
                Median(ours[1]) / Median(native[1]), Median(ours[2]) / Median(native[2]));
    return 0;
}
