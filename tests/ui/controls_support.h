// Observers shared by the control, container, scroll bar and layout tests.
#pragma once

#include "core/UIContainer.h"
#include "core/UIControl.h"
#include "core/UIManager.h"

#include <cstring>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace controlstest {

// A plain control that reports its destruction and the events that reach its OnEvent.
class Probe : public QxUI::CControlUI
{
public:
    explicit Probe(int* destroyed = nullptr, bool listItem = false)
        : m_destroyed(destroyed), m_listItem(listItem)
    {
    }
    ~Probe() override
    {
        if (m_destroyed)
            ++*m_destroyed;
    }
    LPVOID AsInterface(LPCWSTR name) override
    {
        if (m_listItem && wcscmp(name, L"ListItem") == 0)
            return this;
        return CControlUI::AsInterface(name);
    }
    void OnEvent(QxUI::UIEvent& event) override
    {
        events.push_back(event.Type);
        CControlUI::OnEvent(event);
    }
    // Lets a test put the probe somewhere without a parent layout.
    void Place(const RECT& rc) { m_rcItem = rc; }

    std::vector<int> events;

private:
    int* m_destroyed;
    bool m_listItem;
};

// Records every notification that the manager delivers.
class Recorder : public QxUI::INotifyUI
{
public:
    void OnUINotify(QxUI::UINotification& msg) override
    {
        types.push_back(msg.sType.GetData());
        senders.push_back(msg.pSender);
        wParams.push_back(msg.wParam);
        lParams.push_back(msg.lParam);
    }
    int Count(const std::wstring& type) const
    {
        int n = 0;
        for (const std::wstring& t : types)
            n += t == type ? 1 : 0;
        return n;
    }

    std::vector<std::wstring> types;
    std::vector<QxUI::CControlUI*> senders;
    std::vector<WPARAM> wParams;
    std::vector<LPARAM> lParams;
};

inline QxUI::UIEvent MakeEvent(int type, POINT pt = {0, 0}, WPARAM wParam = 0,
                               LPARAM lParam = 0)
{
    QxUI::UIEvent event;
    event.Type = type;
    event.ptMouse = pt;
    event.wParam = wParam;
    event.lParam = lParam;
    return event;
}

// Blocks of a freed object's size, filled with a pattern, taken right after the delete: a call
// through a stale pointer then meets the pattern rather than the old object, and crashes
// instead of passing by luck.
class FreedMemoryReuse
{
public:
    explicit FreedMemoryReuse(size_t size, int count = 16)
    {
        for (int i = 0; i < count; ++i) {
            m_blocks.emplace_back(new char[size]);
            std::memset(m_blocks.back().get(), 0xA5, size);
        }
    }

private:
    std::vector<std::unique_ptr<char[]>> m_blocks;
};

inline bool SameRect(const RECT& a, const RECT& b)
{
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

} // namespace controlstest

// gtest prints RECTs readably.
inline std::ostream& operator<<(std::ostream& os, const RECT& rc)
{
    return os << "(" << rc.left << "," << rc.top << "," << rc.right << "," << rc.bottom << ")";
}
