// Shared records (the images and fonts of the resource tables): a record lives while anything
// holds a reference to it, so a table that lets go of a name leaves its users a live record.
#pragma once

#include <cstddef>
#include <utility>

namespace QxUI {

template <class T>
class CUIRef;

// The reference count of a shared record, changed by CUIRef alone. Records are not copied: a
// copy would own the same handles.
class CUIRefCounted
{
public:
    CUIRefCounted() = default;
    CUIRefCounted(const CUIRefCounted&) = delete;
    CUIRefCounted& operator=(const CUIRefCounted&) = delete;

protected:
    ~CUIRefCounted() = default;

private:
    template <class T>
    friend class CUIRef;
    int m_nRefs = 0;
};

// Holds one reference to a record of type T (derived from CUIRefCounted); the record is
// deleted with its last reference. Used on the UI thread only.
template <class T>
class CUIRef
{
public:
    CUIRef() = default;
    CUIRef(std::nullptr_t) {}
    // A reference of its own to the record (null: none).
    explicit CUIRef(T* record) : m_p(record) { AddRef(); }
    CUIRef(const CUIRef& other) : m_p(other.m_p) { AddRef(); }
    CUIRef(CUIRef&& other) noexcept : m_p(other.m_p) { other.m_p = nullptr; }
    // Taken by value: assigning a reference to the record it already holds keeps the record.
    CUIRef& operator=(CUIRef other) noexcept
    {
        std::swap(m_p, other.m_p);
        return *this;
    }
    ~CUIRef() { Reset(); }

    T* Get() const { return m_p; }
    T* operator->() const { return m_p; }
    T& operator*() const { return *m_p; }
    explicit operator bool() const { return m_p != nullptr; }

    // Cleared before the release, so that what the record's end runs finds no reference here.
    void Reset()
    {
        T* record = m_p;
        m_p = nullptr;
        if (record && --static_cast<CUIRefCounted*>(record)->m_nRefs == 0)
            delete record;
    }

    // The string maps keep raw pointers: Detach hands the reference held to one, Adopt takes
    // one back from it.
    T* Detach()
    {
        T* record = m_p;
        m_p = nullptr;
        return record;
    }
    static CUIRef Adopt(T* record)
    {
        CUIRef ref;
        ref.m_p = record;
        return ref;
    }

private:
    void AddRef()
    {
        if (m_p)
            ++static_cast<CUIRefCounted*>(m_p)->m_nRefs;
    }

    T* m_p = nullptr;
};

} // namespace QxUI
