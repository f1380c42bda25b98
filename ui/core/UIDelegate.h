// Delegates and event sources: an object and one of its member functions, called with one
// pointer argument, so that controls can be observed without subclassing.
#pragma once

#include "core/UIPtrArray.h"

#include <cstring>
#include <new>

namespace QxUI {

class CDelegateBase
{
public:
    CDelegateBase(void* object, UINT_PTR function) : m_pObject(object), m_pFunction(function) {}
    CDelegateBase(const CDelegateBase& other) = default;
    CDelegateBase& operator=(const CDelegateBase&) = delete;
    virtual ~CDelegateBase() = default;

    // A heap copy of the concrete delegate, or null when it cannot be made.
    virtual CDelegateBase* Copy() const = 0;

    bool Equals(const CDelegateBase& other) const
    {
        return m_pObject == other.m_pObject && m_pFunction == other.m_pFunction;
    }
    bool CallInvoke(void* param) { return Invoke(param); }

protected:
    virtual bool Invoke(void* param) = 0;
    void* GetReceiver() const { return m_pObject; }

private:
    void* m_pObject;
    UINT_PTR m_pFunction;  // identifies the bound function; only compared
};

template <class T>
class CDelegate : public CDelegateBase
{
public:
    typedef bool (T::*Function)(void*);

    CDelegate(T* object, Function function)
        : CDelegateBase(object, IdentityOf(function)), m_function(function)
    {
    }

    CDelegateBase* Copy() const override { return new (std::nothrow) CDelegate(*this); }

protected:
    bool Invoke(void* param) override { return (static_cast<T*>(GetReceiver())->*m_function)(param); }

private:
    // A member function pointer holds the code address (or virtual slot) and a receiver
    // adjustment; both go into the identity so that different functions compare unequal.
    static UINT_PTR IdentityOf(Function function)
    {
        UINT_PTR words[sizeof(Function) / sizeof(UINT_PTR) + 1] = {};
        memcpy(words, &function, sizeof(Function));
        UINT_PTR identity = 0;
        for (UINT_PTR word : words)
            identity = identity * 1000003u ^ word;
        return identity;
    }

    Function m_function;
};

// An ordered list of delegates, each a copy owned by the source.
class CUIEventSource
{
public:
    CUIEventSource() = default;
    ~CUIEventSource();
    CUIEventSource(const CUIEventSource&) = delete;
    CUIEventSource& operator=(const CUIEventSource&) = delete;

    // Adding the same receiver and function again has no effect; the caller keeps its delegate.
    void Add(const CDelegateBase& delegate);
    // Takes back the delegate equal to this one; false when there is none. Whoever added a
    // delegate takes it back before its receiver goes.
    bool Remove(const CDelegateBase& delegate);
    bool HasHandlers() const { return m_nDelegates > 0; }
    // Calls the delegates in order until one answers false; an empty source answers true.
    // A delegate may add or take back delegates: one taken back before its turn is not called,
    // one added waits for the next invocation.
    bool Invoke(void* param);

private:
    // Slots emptied while an invocation walks the list are closed up, and the delegates taken
    // back meanwhile freed, when the outermost invocation ends.
    void Compact();

    CUIPtrArray m_aDelegates;
    CUIPtrArray m_aRetired;
    int m_nDelegates = 0;     // the slots that hold one
    int m_nInvoking = 0;
};

} // namespace QxUI
