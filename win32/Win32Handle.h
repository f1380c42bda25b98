#pragma once
// Owning wrappers of Win32 objects: each closes what it holds when it goes, so no early
// return can forget a CloseHandle, RegCloseKey, Release, DeleteObject or FindClose.
#include <windows.h>

namespace win32 {

// Owns one object of a kind that `Traits::Close` releases; `Traits::IsValid` tells "none"
// apart (some calls answer null on failure, others INVALID_HANDLE_VALUE).
template <class Traits>
class UniqueObject {
public:
    using Type = typename Traits::Type;

    UniqueObject() = default;
    explicit UniqueObject(Type object) : object_(object) {}
    ~UniqueObject() { Reset(); }
    UniqueObject(UniqueObject&& other) noexcept : object_(other.Release()) {}
    UniqueObject& operator=(UniqueObject&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }
    UniqueObject(const UniqueObject&) = delete;
    UniqueObject& operator=(const UniqueObject&) = delete;

    Type Get() const { return object_; }
    bool Valid() const { return Traits::IsValid(object_); }
    explicit operator bool() const { return Valid(); }

    // For calls that hand the object out through a pointer; what was held is released first.
    Type* Receive()
    {
        Reset();
        return &object_;
    }
    Type Release()
    {
        Type object = object_;
        object_ = Traits::None();
        return object;
    }
    void Reset(Type object = Traits::None())
    {
        if (Valid())
            Traits::Close(object_);
        object_ = object;
    }

private:
    Type object_ = Traits::None();
};

struct HandleTraits {
    using Type = HANDLE;
    static Type None() { return nullptr; }
    static bool IsValid(Type handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    static void Close(Type handle) { CloseHandle(handle); }
};

struct RegKeyTraits {
    using Type = HKEY;
    static Type None() { return nullptr; }
    static bool IsValid(Type key) { return key != nullptr; }
    static void Close(Type key) { RegCloseKey(key); }
};

struct FindHandleTraits {
    using Type = HANDLE;
    static Type None() { return INVALID_HANDLE_VALUE; }
    static bool IsValid(Type handle) { return handle != nullptr && handle != INVALID_HANDLE_VALUE; }
    static void Close(Type handle) { FindClose(handle); }
};

template <class Object>
struct GdiTraits {
    using Type = Object;
    static Type None() { return nullptr; }
    static bool IsValid(Type object) { return object != nullptr; }
    static void Close(Type object) { DeleteObject(object); }
};

struct IconTraits {
    using Type = HICON;
    static Type None() { return nullptr; }
    static bool IsValid(Type icon) { return icon != nullptr; }
    static void Close(Type icon) { DestroyIcon(icon); }
};

// A kernel handle (file, process, thread, event, mutex, pipe, snapshot); null and
// INVALID_HANDLE_VALUE both mean none.
using UniqueHandle = UniqueObject<HandleTraits>;
// An open registry key.
using RegKey = UniqueObject<RegKeyTraits>;
// A FindFirstFile search.
using FindHandle = UniqueObject<FindHandleTraits>;
// GDI objects (DeleteObject) and icons (DestroyIcon).
template <class Object>
using GdiObject = UniqueObject<GdiTraits<Object>>;
using UniqueBitmap = GdiObject<HBITMAP>;
using UniqueFont = GdiObject<HFONT>;
using UniqueRegion = GdiObject<HRGN>;
using UniqueBrush = GdiObject<HBRUSH>;
using UniqueIcon = UniqueObject<IconTraits>;

// Holds one reference of a COM interface and releases it when it goes.
template <class Interface>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }
    ComPtr(ComPtr&& other) noexcept : pointer_(other.pointer_) { other.pointer_ = nullptr; }
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        if (this != &other) {
            Reset();
            pointer_ = other.pointer_;
            other.pointer_ = nullptr;
        }
        return *this;
    }
    ComPtr(const ComPtr&) = delete;
    ComPtr& operator=(const ComPtr&) = delete;

    Interface* Get() const { return pointer_; }
    Interface* operator->() const { return pointer_; }
    explicit operator bool() const { return pointer_ != nullptr; }

    // For CoCreateInstance and QueryInterface; what was held is released first.
    void** Receive()
    {
        Reset();
        return reinterpret_cast<void**>(&pointer_);
    }
    void Reset()
    {
        if (pointer_ != nullptr)
            pointer_->Release();
        pointer_ = nullptr;
    }

private:
    Interface* pointer_ = nullptr;
};

// For interface pointers kept raw, as COM objects that hold one another keep them: lets go of
// the one held and clears it.
template <class Interface>
void ReleaseAndClear(Interface*& held)
{
    if (held) {
        held->Release();
        held = nullptr;
    }
}

// Holds a reference to the new object in place of the old one.
template <class Interface>
void ReplaceHeld(Interface*& held, Interface* object)
{
    if (object)
        object->AddRef();
    ReleaseAndClear(held);
    held = object;
}

} // namespace win32
