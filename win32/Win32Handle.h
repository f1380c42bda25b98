#pragma once
// Owning wrappers of Win32 objects: each closes what it holds when it goes, so no early
// return can forget a CloseHandle, RegCloseKey, Release, DeleteObject, DeleteDC, ReleaseDC,
// DestroyAcceleratorTable or FindClose.
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

struct MemoryDCTraits {
    using Type = HDC;
    static Type None() { return nullptr; }
    static bool IsValid(Type dc) { return dc != nullptr; }
    static void Close(Type dc) { DeleteDC(dc); }
};

struct AcceleratorTraits {
    using Type = HACCEL;
    static Type None() { return nullptr; }
    static bool IsValid(Type table) { return table != nullptr; }
    static void Close(Type table) { DestroyAcceleratorTable(table); }
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
using UniquePen = GdiObject<HPEN>;
using UniqueIcon = UniqueObject<IconTraits>;
// A DC of our own (CreateCompatibleDC; DeleteDC).
using UniqueMemoryDC = UniqueObject<MemoryDCTraits>;
// An accelerator table (CreateAcceleratorTable; DestroyAcceleratorTable).
using UniqueAccelerator = UniqueObject<AcceleratorTraits>;

// A DC that GetDC lends for a window (a null window: the screen), given back with ReleaseDC
// for the same window.
class WindowDC {
public:
    WindowDC() = default;
    explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    // Takes back a DC that GetDC lent for the window and that was handed out raw.
    WindowDC(HWND window, HDC dc) : window_(window), dc_(dc) {}
    ~WindowDC() { Reset(); }
    WindowDC(WindowDC&& other) noexcept : window_(other.window_), dc_(other.Release()) {}
    WindowDC& operator=(WindowDC&& other) noexcept
    {
        if (this != &other) {
            Reset();
            window_ = other.window_;
            dc_ = other.Release();
        }
        return *this;
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;

    HDC Get() const { return dc_; }
    bool Valid() const { return dc_ != nullptr; }
    explicit operator bool() const { return Valid(); }

    // Hands the DC out: whoever takes it gives it back.
    HDC Release()
    {
        HDC dc = dc_;
        dc_ = nullptr;
        return dc;
    }
    void Reset()
    {
        if (dc_)
            ReleaseDC(window_, dc_);
        dc_ = nullptr;
    }

private:
    HWND window_ = nullptr;
    HDC dc_ = nullptr;
};

// Selects a GDI object into a DC for the life of the scope and then puts back the one it
// replaced. Selecting what is already selected keeps it: the scope then restores it.
class SelectScope {
public:
    SelectScope(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~SelectScope() { SelectObject(dc_, previous_); }
    SelectScope(const SelectScope&) = delete;
    SelectScope& operator=(const SelectScope&) = delete;

private:
    HDC dc_;
    HGDIOBJ previous_;
};

// Holds one reference of a COM interface and releases it when it goes.
template <class Interface>
class ComPtr {
public:
    ComPtr() = default;
    ~ComPtr() { Reset(); }
    ComPtr(ComPtr&& other) noexcept : pointer_(other.Detach()) {}
    ComPtr& operator=(ComPtr&& other) noexcept
    {
        if (this != &other)
            Attach(other.Detach());
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
    // Takes over the caller's reference to the object; what was held is released.
    void Attach(Interface* object)
    {
        Interface* old = pointer_;
        pointer_ = object;
        if (old)
            old->Release();
    }
    // Hands the reference held to the caller.
    Interface* Detach()
    {
        Interface* object = pointer_;
        pointer_ = nullptr;
        return object;
    }
    // Holds a reference of its own to the object (null: none) in place of the old one.
    void Assign(Interface* object)
    {
        if (object)
            object->AddRef();
        Attach(object);
    }
    // Cleared before the release, so that calls made while the object goes find none.
    void Reset() { Attach(nullptr); }

private:
    Interface* pointer_ = nullptr;
};

} // namespace win32
