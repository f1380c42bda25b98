#pragma once
// IUnknown for the COM objects we implement, written once: one reference count behind every
// interface of an object, QueryInterface from the list of interfaces it answers, and a lifetime
// rule named where the class is declared.
#include <windows.h>
#include <unknwn.h>

#include <type_traits>

namespace win32 {

// The creator holds the first reference; the last Release deletes the object.
struct DeleteOnLastRelease {
    static constexpr LONG kFirstCount = 1;
    static constexpr bool kDeletes = true;
};

// The object belongs to an owner that deletes it (a control, a member): the count tells how
// many references others hold, and reaching zero deletes nothing.
struct OwnedElsewhere {
    static constexpr LONG kFirstCount = 0;
    static constexpr bool kDeletes = false;
};

// One interface of an object and the ids it is handed out for: its own, and those of the
// interfaces it extends that the object answers through it.
template <class Interface, const IID&... Iids>
struct Answers {
    static_assert(std::is_base_of<IUnknown, Interface>::value, "a COM interface");
    static_assert(sizeof...(Iids) > 0, "at least one interface id");
    using Type = Interface;
    static bool Matches(REFIID iid) { return ((iid == Iids) || ...); }
};

// Derives from the interface of each Answers given. IUnknown is answered with the first, so
// every interface of the object gives the same identity. A missing out pointer gets E_POINTER;
// an id not listed gets E_NOINTERFACE with the out pointer cleared.
template <class Lifetime, class First, class... Rest>
class ComObject : public First::Type, public Rest::Type... {
public:
    ComObject(const ComObject&) = delete;
    ComObject& operator=(const ComObject&) = delete;

    HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** ppv) final
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (iid == IID_IUnknown || First::Matches(iid))
            *ppv = static_cast<typename First::Type*>(this);
        else
            (void)(Find<Rest>(iid, ppv) || ...);
        if (!*ppv)
            return E_NOINTERFACE;
        AddRef();
        return S_OK;
    }
    ULONG STDMETHODCALLTYPE AddRef() final
    {
        return static_cast<ULONG>(::InterlockedIncrement(&references_));
    }
    ULONG STDMETHODCALLTYPE Release() final
    {
        const LONG left = ::InterlockedDecrement(&references_);
        if constexpr (Lifetime::kDeletes) {
            if (left == 0)
                delete this;
        }
        return static_cast<ULONG>(left);
    }

protected:
    ComObject() = default;
    virtual ~ComObject() = default;

private:
    template <class Entry>
    bool Find(REFIID iid, void** ppv)
    {
        if (!Entry::Matches(iid))
            return false;
        *ppv = static_cast<typename Entry::Type*>(this);
        return true;
    }

    LONG references_ = Lifetime::kFirstCount;
};

} // namespace win32
