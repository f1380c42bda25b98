#include "core/UIDelegate.h"

#include <gtest/gtest.h>

#include <string>

using namespace QxUI;

namespace {

class Recorder
{
public:
    bool First(void* param) { return Note("first", param, true); }
    bool Second(void* param) { return Note("second", param, m_secondAnswer); }
    bool Third(void* param) { return Note("third", param, true); }

    std::string m_calls;
    bool m_secondAnswer = true;
    void* m_lastParam = nullptr;

private:
    bool Note(const char* what, void* param, bool answer)
    {
        m_calls += m_calls.empty() ? what : std::string(",") + what;
        m_lastParam = param;
        return answer;
    }
};

// A receiver whose observing part is not its first base, so the receiver pointer is adjusted.
class Padding
{
public:
    virtual ~Padding() = default;
    int m_padding[4] = {};
};

class Observer
{
public:
    virtual ~Observer() = default;
    virtual bool OnEvent(void*) { m_seen = m_value; return true; }
    int m_value = 42;
    int m_seen = 0;
};

class Widget : public Padding, public Observer
{
public:
    bool OnEvent(void*) override { m_seen = m_value + 1; return true; }
};

// Counts the copies alive, to see that a source frees what it owns.
class CountingDelegate : public CDelegateBase
{
public:
    explicit CountingDelegate(void* object) : CDelegateBase(object, 7) { ++s_alive; }
    CountingDelegate(const CountingDelegate& other) : CDelegateBase(other) { ++s_alive; }
    ~CountingDelegate() override { --s_alive; }
    CDelegateBase* Copy() const override { return new CountingDelegate(*this); }
    static int s_alive;

protected:
    bool Invoke(void*) override { return true; }
};
int CountingDelegate::s_alive = 0;

} // namespace

TEST(EventSource, KeepsDistinctFunctionsOnceEach)
{
    Recorder recorder;
    CUIEventSource source;
    EXPECT_FALSE(source.HasHandlers());
    source.Add(CDelegate<Recorder>(&recorder, &Recorder::First));
    source.Add(CDelegate<Recorder>(&recorder, &Recorder::Second));
    source.Add(CDelegate<Recorder>(&recorder, &Recorder::First));
    Recorder other;
    source.Add(CDelegate<Recorder>(&other, &Recorder::First));
    EXPECT_TRUE(source.HasHandlers());

    int param = 0;
    EXPECT_TRUE(source.Invoke(&param));
    EXPECT_EQ("first,second", recorder.m_calls);
    EXPECT_EQ(&param, recorder.m_lastParam);
    EXPECT_EQ("first", other.m_calls);
}

TEST(EventSource, FalseAnswerStopsTheWalk)
{
    Recorder recorder;
    recorder.m_secondAnswer = false;
    CUIEventSource source;
    source.Add(CDelegate<Recorder>(&recorder, &Recorder::First));
    source.Add(CDelegate<Recorder>(&recorder, &Recorder::Second));
    source.Add(CDelegate<Recorder>(&recorder, &Recorder::Third));
    EXPECT_FALSE(source.Invoke(nullptr));
    EXPECT_EQ("first,second", recorder.m_calls);

    CUIEventSource empty;
    EXPECT_TRUE(empty.Invoke(nullptr));
}

TEST(EventSource, VirtualFunctionsAndAdjustedReceivers)
{
    Widget widget;
    CUIEventSource source;
    source.Add(CDelegate<Observer>(&widget, &Observer::OnEvent));
    EXPECT_TRUE(source.Invoke(nullptr));
    EXPECT_EQ(43, widget.m_seen);
}

TEST(EventSource, OwnsItsCopiesOnly)
{
    int receiver = 0;
    {
        CountingDelegate mine(&receiver);
        {
            CUIEventSource source;
            source.Add(mine);
            source.Add(mine);
            EXPECT_EQ(2, CountingDelegate::s_alive);
            EXPECT_TRUE(source.Invoke(nullptr));
        }
        EXPECT_EQ(1, CountingDelegate::s_alive);
    }
    EXPECT_EQ(0, CountingDelegate::s_alive);
}
