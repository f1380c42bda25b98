// Observers shared by the control, container, scroll bar and layout tests.
#pragma once

#include "core/UIContainer.h"
#include "core/UIControl.h"
#include "core/UIManager.h"

#include <algorithm>
#include <functional>
#include <initializer_list>
#include <ostream>
#include <string>
#include <utility>
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

// Runs an action on every notification of one type.
class Handler : public QxUI::INotifyUI
{
public:
    Handler(std::wstring type, std::function<void(QxUI::UINotification&)> action)
        : m_type(std::move(type)), m_action(std::move(action))
    {
    }
    void OnUINotify(QxUI::UINotification& msg) override
    {
        if (m_type == msg.sType.GetData()) {
            ++runs;
            m_action(msg);
        }
    }

    int runs = 0;

private:
    std::wstring m_type;
    std::function<void(QxUI::UINotification&)> m_action;
};

// Deletes a control as a container without deferred deletion does: at once, or once the
// handler that asks for it has returned.
inline bool DeleteAtOnce(QxUI::CControlUI* control)
{
    auto* container = static_cast<QxUI::CContainerUI*>(control->GetParent()->AsInterface(L"Container"));
    container->SetDeferredDelete(false);
    return container->Remove(control);
}

// Blocks of the sizes of objects just freed, filled with a pattern: the heap most likely hands
// the freed memory back as one of them, so that a later use of a deleted object reads the
// pattern (no valid pointer) and faults, or writes over it, which Intact() finds.
class FreedMemoryReuse
{
public:
    // 0xA5 reads as pointers that fault but as negative counts, which end a walk through a
    // freed array quietly; 0x25 reads as positive counts, so that such a walk goes on and
    // faults on the array's pointer.
    enum class Fill : unsigned char
    {
        Negative = 0xA5,
        Positive = 0x25
    };

    // Room for every block up front: the list itself must not take the freed memory.
    explicit FreedMemoryReuse(Fill fill = Fill::Negative)
        : m_pattern(static_cast<unsigned char>(fill))
    {
        m_blocks.reserve(64);
    }
    explicit FreedMemoryReuse(size_t size, int count = 16) : FreedMemoryReuse()
    {
        Take({size}, count);
    }

    void Take(std::initializer_list<size_t> sizes, int each = 8)
    {
        for (size_t size : sizes) {
            for (int i = 0; i < each; ++i)
                m_blocks.emplace_back(size, m_pattern);
        }
    }

    bool Intact() const
    {
        for (const auto& block : m_blocks) {
            if (std::count(block.begin(), block.end(), m_pattern) !=
                static_cast<long>(block.size()))
                return false;
        }
        return true;
    }

private:
    unsigned char m_pattern;
    std::vector<std::vector<unsigned char>> m_blocks;
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
