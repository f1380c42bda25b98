// Tree benchmark: a tree view in a window manager (painting into a memory DC) filled with N
// nodes three ways: N top-level nodes, one node built with N children and then added, and N
// children added one by one to a node already in the tree. Prints a Markdown table of medians.
//   tree_bench.exe [runs] [N...]

#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "controls/UITreeView.h"
#include "core/UIManager.h"

#include "BenchTiming.h"

using namespace QxUI;

namespace {

using bench::Median;
using bench::Now;

// The fill's time in ms; rows: how many rows the tree had after it, a check that it happened.
double Fill(const std::function<void(CTreeViewUI*)>& fill, int& rows)
{
    HDC dc = ::CreateCompatibleDC(nullptr);
    double elapsed = 0;
    {
        CUIWindowManager manager;
        manager.AttachMemoryDC(dc);
        CTreeViewUI* tree = new CTreeViewUI;
        manager.AttachRootControl(tree);
        const double start = Now();
        fill(tree);
        elapsed = Now() - start;
        rows = tree->GetCount();
    }
    ::DeleteDC(dc);
    return elapsed;
}

} // namespace

int main(int argc, char** argv)
{
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 5;
    std::vector<int> sizes;
    for (int i = 2; i < argc; ++i)
        sizes.push_back(std::max(1, atoi(argv[i])));
    if (sizes.empty())
        sizes = {10000, 20000, 40000, 80000};
    CUIWindowManager::SetModuleInstance(::GetModuleHandleW(nullptr));

    std::printf("| N | N top-level nodes (ms) | one node with N children (ms) | ratio | N children "
                "added to a listed node (ms) | ratio |\n");
    std::printf("|---|---|---|---|---|---|\n");
    for (int n : sizes) {
        const std::function<void(CTreeViewUI*)> fills[] = {
            [n](CTreeViewUI* tree) {
                for (int i = 0; i < n; ++i)
                    tree->AddNode(new CTreeNodeUI);
            },
            [n](CTreeViewUI* tree) {
                CTreeNodeUI* node = new CTreeNodeUI;
                for (int i = 0; i < n; ++i)
                    node->Add(new CTreeNodeUI);
                tree->AddNode(node);
            },
            [n](CTreeViewUI* tree) {
                CTreeNodeUI* node = new CTreeNodeUI;
                tree->AddNode(node);
                for (int i = 0; i < n; ++i)
                    node->Add(new CTreeNodeUI);
            },
        };
        std::vector<double> times[3];
        for (int run = 0; run < runs; ++run) {
            int rows[3];
            for (int f = 0; f < 3; ++f)
                times[f].push_back(Fill(fills[f], rows[f]));
            std::fprintf(stderr, "N %d run %d: rows %d, %d, %d\n", n, run + 1, rows[0], rows[1],
                         rows[2]);
        }
        const double top = Median(times[0]);
        std::printf("| %d | %.1f | %.1f | %.2f | %.1f | %.2f |\n", n, top, Median(times[1]),
                    Median(times[1]) / top, Median(times[2]), Median(times[2]) / top);
        std::fflush(stdout);
    }
    return 0;
}
